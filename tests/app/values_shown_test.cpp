// What the layers were given, as data: `tarnvik --values-to` on a position
// that stops coming, and a grid the user names that PROJ does not know.
#include "app/AppController.h"
#include "decoder/sjekksum.h"
#include "render/CompositionRenderer.h"
#include "render/LayerStack.h"
#include "render/UserDefaults.h"
#include "tests/app/wait_for.h"
#include "tools/loopback.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;
using tarnvik::test::waitFor;

namespace {

// The rows written so far, each split into its fields, the header first.
QList<QStringList> rows(const QString& path) {
    QFile f(path);
    QList<QStringList> out;
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.isEmpty()) out << QString::fromUtf8(line).split(',');
    return out;
}

TEST(ValuesShown, APositionThatStopsComingIsFreshThenStaleWithGrowingAge) {
    QTemporaryDir dir;
    const QString csv = dir.filePath("values.csv"), settings = dir.filePath("Tarnvik.plist");
    // Stale after a second, so that the run is short.
    UserDefaults stored(settings);
    stored.setValue("settings", QVariantMap{{"Position", QVariantMap{{"StaleAfter", 1.0}}},
                                            {"Compas", QVariantMap{{"StaleAfter", 1.0}}}});
    ASSERT_TRUE(stored.synchronize());
    const int port = loopback::ledig_port();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(TARNVIK_BIN, {"--settings", settings, "--compositions", COMPOSITIONS_DIR, "--frames", "750",
                          "--values-to", csv, "--", QString("-u%1").arg(port)});
    ASSERT_TRUE(p.waitForStarted());

    // A fix, a heading and a north-up report 100 m east and 50 m north of the
    // vessel, in one datagram, until a row shows them; then silence.
    loopback::Sender out(port);
    auto fresh = [&] {
        const QList<QStringList> r = rows(csv);
        return r.size() > 1 && !r.last()[3].isEmpty() && r.last()[8] == "0";
    };
    ASSERT_TRUE(waitFor([&] {
        out.send(decoder::med_sum("$GPGGA,101500.00,6025.1000,N,00519.5000,E,1,12,0.7,14.2,M,45.6,M,,") + "\r\n" +
                 decoder::med_sum("$HEHDT,95.0,T") + "\r\n" +
                 decoder::med_sum("$PSIMSSB,101500.00,B33,A,,C,N,M,100.0,50.0,40.5,,N,,") + "\r\n");
        return waitFor(fresh, 400);
    }, 20000));
    ASSERT_TRUE(waitFor([&] {
        const QList<QStringList> r = rows(csv);
        return r.size() > 3 && r.last()[8] == "1" && r.last()[6].toDouble() > 1.7;
    }, 20000));
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(20000));

    const QList<QStringList> r = rows(csv);
    ASSERT_GT(r.size(), 4);
    qsizetype first = 1;
    while (first < r.size() && r[first][3].isEmpty()) ++first;
    ASSERT_LT(first, r.size());
    const QStringList& shown = r[first];
    EXPECT_EQ(shown[8], "0");
    EXPECT_EQ(shown[5], "95.0");
    EXPECT_EQ(shown[10], "40.50");
    EXPECT_NEAR(shown[3].toDouble(), 60.41833 + 50 / 111190.0, 2e-5); // 50 m north
    // Fixes sent again while waiting may start the age anew; once stale, it
    // stays so, with the same text, older at every row.
    qsizetype staleFrom = first;
    while (staleFrom < r.size() && r[staleFrom][8] == "0") ++staleFrom;
    ASSERT_LT(staleFrom, r.size());
    double age = 1.0;
    for (qsizetype i = staleFrom; i < r.size(); ++i) {
        EXPECT_EQ(r[i][8], "1") << i;
        EXPECT_EQ(r[i][1], shown[1]) << i;
        EXPECT_GE(r[i][6].toDouble(), age) << i;
        age = r[i][6].toDouble();
    }
    EXPECT_EQ(r.last()[9], "1"); // the heading too
}

TEST(ValuesShown, AnEpsgCodePROJDoesNotKnowIsRefusedOnce) {
    qputenv("TARNVIK_COMPOSITIONS", COMPOSITIONS_DIR);
    QTemporaryDir dir;
    AppOptions o;
    o.decoderArguments.clear();
    o.settingsPath = dir.filePath("Tarnvik.plist");
    AppController c(o);
    c.applicationDidFinishLaunching();
    CompositionRenderer* position = c.layers()->renderer("Position");
    ASSERT_TRUE(position);
    position->setValue("Format", 4);
    position->setValue("EPSG", "1234");
    c.refreshInfo();
    c.refreshInfo();
    position->setValue("EPSG", "25832");
    c.refreshInfo();
    ASSERT_EQ(c.notices().posted().size(), 1);
    EXPECT_EQ(c.notices().posted()[0], "EPSG code 1234 is not a projected coordinate system known to PROJ; "
                                       "the position is shown in degrees and minutes");
}

} // namespace
