#include "export/FrameVirtualCameraExporter.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern "C" {
#include <libswscale/swscale.h>
}

namespace tarnvik {

namespace {

// YUYV black: Y 16, U and V 128.
void fillBlack(std::vector<std::uint8_t>& picture) {
    for (std::size_t i = 0; i + 1 < picture.size(); i += 2) {
        picture[i] = 16;
        picture[i + 1] = 128;
    }
}

} // namespace

int FrameVirtualCameraExporter::setDeviceFormat(int fd, CameraFormat& format) {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    f.fmt.pix.width = format.width;
    f.fmt.pix.height = format.height;
    f.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
    f.fmt.pix.field = V4L2_FIELD_NONE;
    f.fmt.pix.bytesperline = format.width * 2;
    f.fmt.pix.sizeimage = format.width * format.height * 2;
    f.fmt.pix.colorspace = V4L2_COLORSPACE_SRGB;
    if (::ioctl(fd, VIDIOC_S_FMT, &f) != 0) return errno;
    if (f.fmt.pix.pixelformat != V4L2_PIX_FMT_YUYV) return EINVAL;
    format.width = f.fmt.pix.width;
    format.height = f.fmt.pix.height;
    format.bytesPerLine = std::max<std::size_t>(f.fmt.pix.bytesperline, std::size_t(f.fmt.pix.width) * 2);
    format.bytes = std::max<std::size_t>(f.fmt.pix.sizeimage, format.bytesPerLine * f.fmt.pix.height);
    // The rate programs are told; the pictures come as they are rendered.
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    p.parm.output.timeperframe = {1, 25};
    ::ioctl(fd, VIDIOC_S_PARM, &p);
    return 0;
}

std::unique_ptr<FrameVirtualCameraExporter> FrameVirtualCameraExporter::create(const std::string& path, unsigned width,
                                                                               unsigned height, std::string* why,
                                                                               const SetFormat& setFormat) {
    auto fail = [why](const std::string& text) {
        if (why) *why = text;
        return nullptr;
    };
    // YUYV pairs pixels.
    if (width < 2 || height < 1 || width % 2) return fail("the picture must have an even width");
    std::unique_ptr<FrameVirtualCameraExporter> e(new FrameVirtualCameraExporter);
    e->path_ = path;
    e->fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (e->fd_ < 0) return fail(path + ": " + std::strerror(errno));
    e->format_ = {width, height, std::size_t(width) * 2, std::size_t(width) * height * 2};
    if (const int err = setFormat(e->fd_, e->format_); err != 0) {
        if (err == EBUSY) return fail(path + " is in use at another size or format");
        return fail(path + " does not take " + std::to_string(width) + "×" + std::to_string(height) +
                    " YUYV pictures (" + std::strerror(err) + ")");
    }
    if (e->format_.width < 2 || e->format_.height < 1) return fail(path + " took no picture size");
    e->picture_.resize(e->format_.bytes);
    e->thread_ = std::thread([raw = e.get()] { raw->run(); });
    return e;
}

FrameVirtualCameraExporter::~FrameVirtualCameraExporter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    sws_freeContext(sws_);
    if (fd_ >= 0) ::close(fd_);
}

bool FrameVirtualCameraExporter::exportFrame(FramePtr frame) {
    if (!frame || failed_) return false;
    std::lock_guard lock(mutex_);
    if (next_) ++dropped_;
    next_ = std::move(frame);
    wake_.notify_all();
    return true;
}

void FrameVirtualCameraExporter::run() {
    for (;;) {
        FramePtr frame;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || next_; });
            if (stopping_) return;
            frame = std::move(next_);
        }
        if (!convert(*frame)) continue;
        frame.reset(); // back to the pool before the write
        const ssize_t n = ::write(fd_, picture_.data(), picture_.size());
        if (n == ssize_t(picture_.size())) {
            ++written_;
            continue;
        }
        const int err = n < 0 ? errno : EIO;
        if (err == EAGAIN || err == EINTR) continue;
        qWarning("Virtual camera %s: cannot write a picture (%s); no more are written", path_.c_str(),
                 std::strerror(err));
        failed_ = true;
        return;
    }
}

bool FrameVirtualCameraExporter::convert(const Frame& frame) {
    const unsigned W = format_.width, H = format_.height;
    if (frame.width() != fromWidth_ || frame.height() != fromHeight_ || !sws_) {
        // Fits the device's picture, aspect kept; even widths and offsets, as YUYV pairs pixels.
        unsigned w = W, h = H;
        if (std::uint64_t(frame.width()) * H > std::uint64_t(frame.height()) * W)
            h = unsigned(std::max<std::uint64_t>(1, std::uint64_t(frame.height()) * W / frame.width()));
        else w = unsigned(std::max<std::uint64_t>(2, std::uint64_t(frame.width()) * H / frame.height())) & ~1u;
        sws_freeContext(sws_);
        sws_ = sws_getContext(int(frame.width()), int(frame.height()), AV_PIX_FMT_ARGB, int(w), int(h),
                              AV_PIX_FMT_YUYV422, SWS_BILINEAR, nullptr, nullptr, nullptr);
        fromWidth_ = frame.width();
        fromHeight_ = frame.height();
        fillBlack(picture_);
        offset_ = std::size_t((H - h) / 2) * format_.bytesPerLine + std::size_t(((W - w) / 2) & ~1u) * 2;
    }
    if (!sws_) return false;
    const std::uint8_t* src[1] = {frame.data()};
    const int srcStride[1] = {int(frame.stride())};
    std::uint8_t* dst[1] = {picture_.data() + offset_};
    const int dstStride[1] = {int(format_.bytesPerLine)};
    sws_scale(sws_, src, srcStride, 0, int(frame.height()), dst, dstStride);
    return true;
}

} // namespace tarnvik
