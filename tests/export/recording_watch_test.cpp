#include "export/RecordingWatch.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace tarnvik;
using Action = RecordingWatch::Verdict::Action;

namespace {

constexpr std::uint64_t GB = 1'000'000'000, MB = 1'000'000;

TEST(RecordingWatchTest, WarnsOnceThenStopsByFreeSpaceOrTimeLeftWhicheverSaysMore) {
    QTemporaryDir dir;
    const QByteArray file = QFile::encodeName(dir.filePath("w.mov"));
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    // Ten seconds in, the file holds bytes (a tenth of that a second).
    const struct Case {
        std::uint64_t free, bytes;
        Action action;
        double secondsLeft;
    } cases[] = {
        {5 * GB, 0, Action::None, -1},
        {1900 * MB, 0, Action::Warn, -1},      // under 2 GB
        {5 * GB, 100 * MB, Action::Warn, 440}, // under ten minutes at 10 MB/s
        {250 * MB, 0, Action::Stop, -1},       // under 300 MB
        {500 * MB, 100 * MB, Action::Stop, 0}, // under a minute at 10 MB/s
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.free);
        RecordingWatch watch(fd, file);
        std::optional<std::uint64_t> free = 50 * GB;
        watch.setFreeSpace([&](int) { return free; });
        EXPECT_EQ(watch.look(0, 0).action, Action::None);
        free = c.free;
        const RecordingWatch::Verdict v = watch.look(10, c.bytes);
        EXPECT_EQ(v.action, c.action);
        EXPECT_EQ(v.freeBytes, c.free);
        EXPECT_NEAR(v.secondsLeft, c.secondsLeft, 1e-6);
        // Looks once a second, and has nothing more to say after a stop.
        free = 1 * MB;
        EXPECT_EQ(watch.look(10.5, c.bytes).action, Action::None);
        EXPECT_EQ(watch.look(11, c.bytes).action, c.action == Action::Stop ? Action::None : Action::Stop);
    }
    ::close(fd);
}

} // namespace
