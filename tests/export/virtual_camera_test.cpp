// The virtual camera: the device's format is set once, pictures go out as
// YUYV, a frame of another size is fitted with black bars, and a device
// that cannot be used says why. A plain file stands in for the device.
#include "export/FrameVirtualCameraExporter.h"
#include "export/LoopbackDevices.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace tarnvik;

namespace {

FramePtr solid(FramePool& pool, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    FramePtr f = pool.take();
    for (unsigned y = 0; y < f->height(); ++y)
        for (unsigned x = 0; x < f->width(); ++x) {
            std::uint8_t* p = f->row(y) + 4 * x; // A, R, G, B
            p[0] = 255, p[1] = r, p[2] = g, p[3] = b;
        }
    return f;
}

bool near(int a, int b) { return std::abs(a - b) <= 3; }

TEST(VirtualCamera, WritesYuyvPicturesAtTheDeviceSizeAndFitsOtherSizes) {
    QTemporaryDir dir;
    const std::string device = QFile::encodeName(dir.filePath("video7")).toStdString();
    QFile(dir.filePath("video7")).open(QIODevice::WriteOnly);
    CameraFormat asked;
    std::string why;
    auto cam = FrameVirtualCameraExporter::create(device, 64, 48, &why, [&](int, CameraFormat& f) {
        asked = f;
        return 0;
    });
    ASSERT_TRUE(cam) << why;
    EXPECT_EQ(asked.width, 64u);
    EXPECT_EQ(asked.bytesPerLine, 128u);
    auto writeAndWait = [&](FramePtr f, std::int64_t count) {
        cam->exportFrame(std::move(f));
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (cam->framesWritten() < count && std::chrono::steady_clock::now() < end) std::this_thread::yield();
        return cam->framesWritten() == count;
    };
    auto red = FramePool::create(64, 48);
    ASSERT_TRUE(writeAndWait(solid(*red, 255, 0, 0), 1));
    // Half as tall for its width: a band across the middle, black above and below.
    auto wide = FramePool::create(64, 24);
    ASSERT_TRUE(writeAndWait(solid(*wide, 255, 255, 255), 2));
    cam.reset();

    QFile f(dir.filePath("video7"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 2 * 64 * 48 * 2);
    auto at = [&](int picture, int x, int y, int byte) {
        return int(std::uint8_t(bytes[picture * 64 * 48 * 2 + y * 128 + (x & ~1) * 2 + byte]));
    };
    // Red in BT.601's video range: Y 81, U 90, V 240.
    EXPECT_TRUE(near(at(0, 10, 10, 0), 81)) << at(0, 10, 10, 0);
    EXPECT_TRUE(near(at(0, 10, 10, 1), 90)) << at(0, 10, 10, 1);
    EXPECT_TRUE(near(at(0, 10, 10, 3), 240)) << at(0, 10, 10, 3);
    EXPECT_EQ(at(1, 10, 5, 0), 16); // bar
    EXPECT_EQ(at(1, 10, 5, 1), 128);
    EXPECT_TRUE(near(at(1, 10, 24, 0), 235)) << at(1, 10, 24, 0);
    EXPECT_EQ(at(1, 10, 42, 0), 16);
}

TEST(VirtualCamera, ADeviceThatCannotBeUsedSaysWhy) {
    QTemporaryDir dir;
    QFile(dir.filePath("video0")).open(QIODevice::WriteOnly);
    const std::string there = QFile::encodeName(dir.filePath("video0")).toStdString();
    const struct {
        std::string path;
        int error;
        std::string says;
    } cases[] = {
        {there + "-gone", 0, there + "-gone: No such file or directory"},
        {there, EBUSY, there + " is in use at another size or format"},
        {there, EINVAL, there + " does not take 64×48 YUYV pictures (Invalid argument)"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(
            FrameVirtualCameraExporter::create(c.path, 64, 48, &why, [&](int, CameraFormat&) { return c.error; }));
        EXPECT_EQ(why, c.says);
    }
    // A plain file is no loopback device.
    EXPECT_TRUE(findLoopbackDevices(QFile::encodeName(dir.path()).toStdString()).empty());
}

} // namespace
