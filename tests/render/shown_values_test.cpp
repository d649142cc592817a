#include "render/ShownValues.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

TEST(ShownValues, RowsFollowTheHeaderAndLeaveUnknownValuesEmpty) {
    const QStringList header = valuesCsvHeader().split(',');
    ShownValues before;
    before.timeUtc = QDateTime(QDate(2026, 12, 7), QTime(14, 25, 1, 123), Qt::UTC);
    EXPECT_EQ(valuesCsvRow(before), "2026-12-07T14:25:01.123Z,,,,,,,,0,0,,,,,,,,,,");

    ShownValues v = before;
    v.latitude = QString::fromUtf8(" 60°25.1234 N");
    v.longitude = QString::fromUtf8("  5°19.5678 E");
    v.latDeg = 60.41872333;
    v.lonDeg = -5.32613;
    v.headingDeg = 88.04;
    v.positionAge = 12.0;
    v.headingAge = 0.25;
    v.positionStale = true;
    v.depth = 52.5;
    v.easting = 297351.204;
    v.northing = 6702150.5;
    v.crs = "UTM 32N, \"WGS 84\"";
    const QStringList row = valuesCsvRow(v).split(',');
    ASSERT_EQ(row.size(), header.size() + 1); // the quoted crs holds a comma
    EXPECT_EQ(row[3], "60.41872333");
    EXPECT_EQ(row[4], "-5.32613000");
    EXPECT_EQ(row[5], "88.0");
    EXPECT_EQ(row[6], "12.0");
    EXPECT_EQ(row[8], "1");
    EXPECT_EQ(row[9], "0");
    EXPECT_EQ(row[11], "297351.20");
    EXPECT_TRUE(valuesCsvRow(v).contains(",\"UTM 32N, \"\"WGS 84\"\"\","));
}

TEST(ShownValues, WriterAddsTheHeaderOnceAndKeepsEveryRowWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("values.csv");
    ShownValues v;
    v.timeUtc = QDateTime(QDate(2026, 12, 7), QTime(0, 0), Qt::UTC);
    {
        ValuesCsvWriter w;
        ASSERT_TRUE(w.open(path));
        EXPECT_TRUE(w.write(v));
        // Flushed at once: readable while the writer is still open.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll().count('\n'), 2);
    }
    ValuesCsvWriter again;
    ASSERT_TRUE(again.open(path));
    EXPECT_TRUE(again.write(v));
    again.close();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], valuesCsvHeader().toUtf8());
    EXPECT_FALSE(ValuesCsvWriter().open(dir.filePath("no/such/folder/x.csv")));
}

} // namespace
