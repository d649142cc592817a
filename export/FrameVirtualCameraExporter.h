// Writes the rendered frames to a V4L2 loopback device as a camera's
// pictures (YUYV, with write(2)), on a thread of its own: the render tick
// never waits for the device, and a frame the thread has not taken yet is
// replaced by the newer one. The device keeps the size it was started at,
// since a program watching it cannot follow a change: frames of another
// size are scaled to fit, their aspect kept, with black bars.
#pragma once

#include "export/Frame.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SwsContext;

namespace tarnvik {

// The picture format a device was given.
struct CameraFormat {
    unsigned width = 0, height = 0;
    std::size_t bytesPerLine = 0;
    std::size_t bytes = 0; // one picture
};

class FrameVirtualCameraExporter {
public:
    // Gives the open device the format (VIDIOC_S_FMT, YUYV) and says what
    // it took: 0, or an errno value. Tests give their own.
    using SetFormat = std::function<int(int fd, CameraFormat& format)>;
    static int setDeviceFormat(int fd, CameraFormat& format);

    // Opens the device and sets its format. Null, with the reason in *why,
    // when it cannot be opened or does not take the format.
    static std::unique_ptr<FrameVirtualCameraExporter> create(const std::string& path, unsigned width, unsigned height,
                                                              std::string* why,
                                                              const SetFormat& setFormat = setDeviceFormat);
    ~FrameVirtualCameraExporter();
    FrameVirtualCameraExporter(const FrameVirtualCameraExporter&) = delete;
    FrameVirtualCameraExporter& operator=(const FrameVirtualCameraExporter&) = delete;

    // Never waits. False when the device has failed.
    bool exportFrame(FramePtr frame);

    const CameraFormat& format() const { return format_; }
    const std::string& path() const { return path_; }
    std::int64_t framesWritten() const { return written_.load(); }
    // Replaced by a newer frame before the thread took them.
    std::int64_t framesDropped() const { return dropped_.load(); }

private:
    FrameVirtualCameraExporter() = default;
    void run();
    bool convert(const Frame& frame);

    std::string path_;
    int fd_ = -1;
    CameraFormat format_;
    std::vector<std::uint8_t> picture_;
    SwsContext* sws_ = nullptr;
    unsigned fromWidth_ = 0, fromHeight_ = 0;
    std::size_t offset_ = 0; // of the scaled picture in the device's

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    FramePtr next_;
    bool stopping_ = false;
    std::atomic<bool> failed_{false};
    std::atomic<std::int64_t> written_{0};
    std::atomic<std::int64_t> dropped_{0};
};

} // namespace tarnvik
