// Reads a rendered image back from OpenGL, rows
// bottom-up as OpenGL gives them, pixels as the bytes A, R, G, B.
// Synchronous: glReadPixels into a staging buffer of ours. Asynchronous:
// each call starts the copy of the current image into one of two
// pixel-pack buffers and hands out the one filled by the previous call, so
// the caller does not wait for the GPU; the first call hands out nothing.
// Every OpenGL state a call changes is put back before it returns.
#pragma once

#include "export/GLFrameSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace tarnvik {

class GLReadBack {
public:
    enum class Result {
        Failed,  // logged; nothing changes for the next call
        Skipped, // the first asynchronous call: nothing to hand out yet
        Read,
    };
    // Null for no source or an empty size (silently), or when the buffers
    // cannot be made (logged).
    static std::unique_ptr<GLReadBack> create(GLFrameSource source, unsigned width, unsigned height,
                                              bool asynchronous);
    ~GLReadBack();
    GLReadBack(const GLReadBack&) = delete;
    GLReadBack& operator=(const GLReadBack&) = delete;

    // use(const std::uint8_t* rows) gets the rows, rowBytes() apart, while
    // they can be read, and returns false when it could not use them, which
    // the read then counts as failed.
    template <typename Use>
    Result read(Use&& use) {
        using F = std::remove_reference_t<Use>;
        return readWith(Consumer{[](void* f, const std::uint8_t* rows) { return bool((*static_cast<F*>(f))(rows)); },
                             const_cast<void*>(static_cast<const void*>(&use))});
    }

    unsigned width() const { return width_; }
    unsigned height() const { return height_; }
    // width × 4 rounded up to 64 bytes, so every row starts aligned.
    std::size_t rowBytes() const { return rowBytes_; }

private:
    // The caller's use, called through a plain function pointer so that
    // nothing is allocated a frame.
    struct Consumer {
        bool (*call)(void* context, const std::uint8_t* rows);
        void* context;
        bool operator()(const std::uint8_t* rows) const { return call(context, rows); }
    };

    GLReadBack(GLFrameSource source, unsigned width, unsigned height);
    bool init(bool asynchronous);
    Result readWith(const Consumer& use);
    Result readSynchronous(const Consumer& use);
    Result readAsynchronous(const Consumer& use);

    GLFrameSource source_;
    unsigned width_;
    unsigned height_;
    std::size_t rowBytes_;
    std::unique_ptr<std::uint8_t[]> staging_; // synchronous mode only
    unsigned packBuffers_[2] = {0, 0};        // asynchronous mode only
    unsigned current_ = 0;                    // buffer handed out by the next call
    bool skipFirst_ = false;
};

} // namespace tarnvik
