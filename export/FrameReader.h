// Copies what has just been rendered into Frames.
// Synchronous: each call returns the image rendered before it.
// Asynchronous: each call starts copying the current image into one of two
// pixel-pack buffers and returns the one copied by the previous call, so the
// render tick does not wait for the GPU; the first call returns nothing.
#pragma once

#include "export/Frame.h"
#include "export/GLFrameSource.h"

#include <memory>

namespace tarnvik {

class GLReadBack;

class FrameReader {
public:
    // Null for no source or an empty size (silently), or when the buffers
    // cannot be made (logged).
    static std::unique_ptr<FrameReader> create(const GLFrameSource& source, unsigned width, unsigned height,
                                               bool asynchronous);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Null on the first asynchronous call and on any failure (logged).
    FramePtr readFrame();

    const std::shared_ptr<FramePool>& pool() const { return pool_; }

private:
    FrameReader() = default;

    std::unique_ptr<GLReadBack> readBack_;
    std::shared_ptr<FramePool> pool_;
};

} // namespace tarnvik
