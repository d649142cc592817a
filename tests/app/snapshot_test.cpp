#include "app/Snapshot.h"
#include "tests/export/two_colour_widget.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

TEST(Snapshot, IsNamedAfterTheLocalTimeOnA24HourClock) {
    const struct {
        QTime time;
        const char* name;
    } cases[] = {{QTime(15, 9, 26), "Tarnvik Snapshot (2008-03-14 15-09-26)"},
                 {QTime(0, 0, 0), "Tarnvik Snapshot (2008-03-14 00-00-00)"},
                 {QTime(23, 5, 7), "Tarnvik Snapshot (2008-03-14 23-05-07)"}};
    for (const auto& c : cases)
        EXPECT_EQ(snapshotFileName(QDateTime(QDate(2008, 3, 14), c.time)).toStdString(), c.name);
}

// The view sits inside its window, so its place on screen is not the
// window's: the file holds the view and nothing around it.
TEST(Snapshot, SavesTheViewAsShownOnScreen) {
    QTemporaryDir dir;
    QWidget window;
    window.setAutoFillBackground(true);
    window.setPalette(QPalette(Qt::green));
    tarnvik::test::TwoColourWidget view(Qt::red, Qt::blue, &window);
    view.setGeometry(20, 10, 160, 120);
    ASSERT_TRUE(tarnvik::test::showOnScreen(window, QRect(30, 40, 300, 200)));

    ASSERT_TRUE(saveSnapshot(&view, {}, QDateTime(QDate(2008, 3, 14), QTime(15, 9, 26)), dir.path()));
    const QImage file(dir.filePath(QStringLiteral("Tarnvik Snapshot (2008-03-14 15-09-26).png")));
    ASSERT_EQ(file.size(), QSize(160, 120));
    EXPECT_EQ(file.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(file.pixel(159, 59), qRgb(255, 0, 0));
    EXPECT_EQ(file.pixel(0, 60), qRgb(0, 0, 255));
    EXPECT_EQ(file.pixel(159, 119), qRgb(0, 0, 255));
}

} // namespace
