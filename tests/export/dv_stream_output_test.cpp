#include "export/DVStreamOutput.h"
#include "tests/export/log_capture.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A frame that no other frame of a test equals.
Bytes frame(int mode, std::uint8_t seed) {
    Bytes f(dvFrameSize(mode));
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = std::uint8_t(seed + i * 7 + i / 251);
    return f;
}

Bytes operator+(Bytes a, const Bytes& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

// Blocks until the writer closes or limit bytes have come, then closes.
Bytes readAll(int fd, std::size_t limit = SIZE_MAX) {
    Bytes got;
    std::uint8_t chunk[8192];
    for (ssize_t n; got.size() < limit; got.insert(got.end(), chunk, chunk + n))
        if ((n = ::read(fd, chunk, std::min(sizeof chunk, limit - got.size()))) <= 0) break;
    ::close(fd);
    return got;
}

class DVStreamOutputTest : public testing::Test {
protected:
    // An output in PAL on a pipe whose reader, like a player started first,
    // has its end open already; reading blocks once the output is writing.
    int beginOnPipe(DVStreamOutput& out) {
        if (::mkfifo(out.path().c_str(), 0600) != 0) return -1;
        const int reader = ::open(out.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (reader < 0 || out.setDisplayMode(kDisplayModePAL) != 0 || out.begin() != 0) return -1;
        ::fcntl(reader, F_SETFL, ::fcntl(reader, F_GETFL) & ~O_NONBLOCK);
        return reader;
    }
    std::string path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }
    QTemporaryDir dir;
};

TEST_F(DVStreamOutputTest, WritesBareWholeFramesOverAnOlderFile) {
    const std::string file = path("out.dv");
    QFile old(QString::fromStdString(file));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write(QByteArray(500000, 'x')) == 500000);
    old.close();
    DVStreamOutput out(file);
    for (const int mode : {0, 3, -1}) EXPECT_EQ(out.setDisplayMode(mode), -EINVAL) << mode;
    ASSERT_EQ(out.setDisplayMode(kDisplayModeNTSC), 0);
    const Bytes a = frame(kDisplayModeNTSC, 1), b = frame(kDisplayModeNTSC, 2);
    EXPECT_EQ(out.writeFrame(a.data(), a.size()), -EBADF);
    ASSERT_EQ(out.begin(), 0);
    EXPECT_EQ(out.writeFrame(a.data(), a.size()), 0);
    // A piece of a frame is refused; the stream goes on.
    EXPECT_EQ(out.writeFrame(b.data(), b.size() - 1), -EINVAL);
    EXPECT_EQ(out.writeFrame(b.data(), b.size()), 0);
    out.end();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray all = old.readAll();
    EXPECT_EQ(Bytes(all.begin(), all.end()), a + b);
}

TEST_F(DVStreamOutputTest, WhatCannotBeOpenedFailsAtOnce) {
    ASSERT_EQ(::mkfifo(path("lonely").c_str(), 0600), 0);
    const struct {
        std::string path;
        int error;
        const char* logged;
    } cases[] = {{path("lonely"), -ENXIO, "no reader on the pipe"},
                 {path("missing/out.dv"), -ENOENT, std::strerror(ENOENT)}};
    for (const auto& c : cases) {
        DVStreamOutput out(c.path);
        ASSERT_EQ(out.setDisplayMode(kDisplayModePAL), 0);
        LogCapture log;
        EXPECT_EQ(out.begin(), c.error) << c.path;
        ASSERT_EQ(LogCapture::lines().size(), 1);
        EXPECT_TRUE(LogCapture::lines()[0].contains(QString::fromStdString(c.path))) << LogCapture::text();
        EXPECT_TRUE(LogCapture::lines()[0].contains(c.logged)) << LogCapture::text();
    }
}

std::atomic<int> interruptions{0};

// A signal that comes while a frame is half in the pipe cuts the write short.
TEST_F(DVStreamOutputTest, FinishesAWriteCutShortByASignal) {
    struct sigaction action {}, previous{};
    action.sa_handler = [](int) { ++interruptions; }; // no SA_RESTART
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    interruptions = 0;
    DVStreamOutput out(path("pipe"));
    const int reader = beginOnPipe(out);
    ASSERT_GE(reader, 0) << std::strerror(errno);
    const int capacity = ::fcntl(reader, F_GETPIPE_SZ);
    ASSERT_LT(capacity, int(dvFrameSize(kDisplayModePAL)));
    const pthread_t writer = pthread_self();
    Bytes got;
    std::thread player([&] {
        // With the pipe full, the writer is inside write() with the frame half sent.
        for (int queued = 0; ::ioctl(reader, FIONREAD, &queued) == 0 && queued < capacity;) {
        }
        pthread_kill(writer, SIGUSR1);
        got = readAll(reader);
    });
    const Bytes f = frame(kDisplayModePAL, 9);
    EXPECT_EQ(out.writeFrame(f.data(), f.size()), 0);
    out.end();
    player.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(interruptions, 1);
    EXPECT_EQ(got, f);
}

// SIGPIPE's default action ends the process: a player that quits must not
// take the program with it.
TEST_F(DVStreamOutputTest, APlayerThatQuitsGivesEpipeLoggedOnce) {
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    DVStreamOutput out(path("pipe"));
    const int reader = beginOnPipe(out);
    ASSERT_GE(reader, 0) << std::strerror(errno);
    const Bytes f = frame(kDisplayModePAL, 5);
    Bytes got;
    std::thread player([&] { got = readAll(reader, f.size()); }); // one frame, then gone
    EXPECT_EQ(out.writeFrame(f.data(), f.size()), 0);
    player.join();
    EXPECT_EQ(got, f);

    LogCapture log;
    EXPECT_EQ(out.writeFrame(f.data(), f.size()), -EPIPE);
    EXPECT_EQ(out.writeFrame(f.data(), f.size()), -EPIPE);
    ASSERT_EQ(LogCapture::lines().size(), 1);
    EXPECT_TRUE(LogCapture::lines()[0].contains(QString::fromStdString(out.path()))) << LogCapture::text();
    EXPECT_TRUE(LogCapture::lines()[0].contains(std::strerror(EPIPE))) << LogCapture::text();
    // Nothing left behind: no signal waiting, none blocked.
    sigset_t pending, mask;
    sigpending(&pending);
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
    EXPECT_FALSE(sigismember(&mask, SIGPIPE));
    std::signal(SIGPIPE, previous);
}

} // namespace
