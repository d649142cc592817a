// Flat-earth geodesy: the decoder's own value of pi, the clamp and floor of
// the longitude factor, the short way across the date line, and speeds
// without a division by zero.
#include "decoder/geodesi.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace decoder;

TEST(Geodesi, VinklerOgMinutter) {
    EXPECT_NEAR(givinkel(1, 1), 44.99999995, 1e-8);
    EXPECT_NEAR(givinkel(0, 1), 359.9999999, 1e-7);
    EXPECT_DOUBLE_EQ(givinkel(0, 0), 90.0);
    EXPECT_NEAR(givinkel(0, -1), 180.0, 1e-6);
    EXPECT_NEAR(givinkel(-1.0, 5.656854248), 349.975012, 1e-6);
    EXPECT_NEAR(rettkurs(3600, 0, 3600, 2), 90.0, 1e-6);
    // Unlike dist, the longitude difference is not wrapped.
    EXPECT_NEAR(rettkurs(0, 10790, 0, -10790), 270.0, 1e-6);
    const struct {
        double inn, ut;
    } vinkler[] = {{-30, 330}, {400, 40}, {360, 360}, {-400, -40}, {-360, 0}, {720, 360}};
    for (const auto& t : vinkler) EXPECT_DOUBLE_EQ(normalvinkel(t.inn), t.ut) << t.inn;
    const struct {
        double pakket, minutter;
    } minutter[] = {{1030.1234, 630.1234}, {-5930.5, -3570.5}, {-0.5, -0.5}, {18000.0, 10800.0}};
    for (const auto& t : minutter) EXPECT_NEAR(kunminutt(t.pakket), t.minutter, 1e-9) << t.pakket;
}

TEST(Geodesi, AvstandOgFart) {
    EXPECT_NEAR(lengdeforhold(3600), 0.50000002, 1e-8);
    // Clamped at 85 degrees both ways, floored before the sign goes.
    for (double b : {5100.0, -6000.0, 1e300}) EXPECT_NEAR(lengdeforhold(b), 0.0871558, 1e-7) << b;
    EXPECT_DOUBLE_EQ(lengdeforhold(-3.5), lengdeforhold(4));
    const struct {
        double lon1, lon2, avstand;
    } tabell[] = {
        {10790, -10790, 20},    // the short way across the 180th meridian
        {-10790, 10790, 20},
        {10500, -10500, 21000}, // up to 21000 minutes apart is taken as it is
        {10501, -10500, 599},
    };
    for (const auto& t : tabell)
        EXPECT_NEAR(dist(0, t.lon1, 0, t.lon2), t.avstand, 1e-9) << t.lon1 << " " << t.lon2;
    EXPECT_NEAR(dist(3600, 0, 3600, 2), 1.0, 1e-7); // at 60 degrees a minute of longitude is half a mile
    fiks a{0, 0, 1000};
    EXPECT_NEAR(hastighet(a, fiks{1, 0, 4600}), 1.0, 1e-12);
    // Same second or time going back: one second, not a division by zero.
    EXPECT_NEAR(hastighet(a, fiks{1, 0, 1000}), 3600.0, 1e-9);
    EXPECT_NEAR(hastighet(a, fiks{1, 0, 10}), 3600.0, 1e-9);
    // The whole int32 range apart does not overflow.
    EXPECT_NEAR(hastighet(fiks{0, 0, INT32_MIN}, fiks{1, 0, INT32_MAX}), 3600.0 / 4294967295.0, 1e-15);
}
