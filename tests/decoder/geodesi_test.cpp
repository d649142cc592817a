#include "decoder/geodesi.h"

#include <gtest/gtest.h>

using namespace decoder;

TEST(Geodesi, Givinkel) {
    EXPECT_NEAR(givinkel(1, 1), 44.99999995, 1e-8);
    EXPECT_NEAR(givinkel(-1, 0), 269.9999998, 1e-7);
    EXPECT_NEAR(givinkel(0, 1), 359.9999999, 1e-7);
    EXPECT_DOUBLE_EQ(givinkel(0, 0), 90.0);
    EXPECT_NEAR(givinkel(-1.0, 5.656854248), 349.975012, 1e-6);
    EXPECT_NEAR(givinkel(-5.0, 3.0), 300.963756, 1e-6);
}
