// Reads what has been rendered and compresses it at once,
// one call one frame, every frame a key frame: the whole road from OpenGL
// to compressed bytes in one object on the calling thread. With textures
// the read-back is asynchronous (two pixel-pack buffers): the first call
// gives an empty frame and each later call the image of the call before.
#pragma once

#include "export/Frame.h"
#include "export/GLFrameSource.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

struct AVPacket;

namespace tarnvik {

class FrameEncoder;
class GLReadBack;

// What the compressed frames are.
struct CompressedImageDescription {
    std::uint32_t codecType = 0;
    unsigned width = 0;
    unsigned height = 0;
    int depth = 0; // 32 when the codec keeps alpha, else 24
};

class OpenGLQTCompressor {
public:
    // Null for no source or an empty size (silently), or on a failure
    // (logged). flipVertically: compress the image top row first; without
    // it the frames hold OpenGL's rows, bottom row first.
    static std::unique_ptr<OpenGLQTCompressor> create(const GLFrameSource& source, unsigned width, unsigned height,
                                                      std::uint32_t codecType, int quality, bool flipVertically,
                                                      bool useTextures);
    ~OpenGLQTCompressor();
    OpenGLQTCompressor(const OpenGLQTCompressor&) = delete;
    OpenGLQTCompressor& operator=(const OpenGLQTCompressor&) = delete;

    // The compressed frame; empty for the first call with textures; none on
    // a failure (logged). noCopy: the bytes are ours and valid until the
    // next call; otherwise a copy of them.
    std::optional<QByteArray> compressFrame(bool noCopy);

    const CompressedImageDescription& framesImageDescription() const { return description_; }

private:
    OpenGLQTCompressor();
    // False on a failure (logged).
    bool init(const GLFrameSource& source, unsigned width, unsigned height, std::uint32_t codecType, int quality,
              bool flipVertically, bool useTextures);
    void packetArrived(int error, AVPacket* packet);

    std::unique_ptr<GLReadBack> readBack_;
    std::unique_ptr<FrameEncoder> sequence_;
    FramePtr source_; // what the encoder is given, rows in the order asked for
    bool flip_ = false;
    CompressedImageDescription description_;
    std::int64_t pts_ = 0;

    // The frame compressed by the current call. Sized at the start for the
    // largest frame the codec is likely to make, so that it seldom moves.
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t bufferSize_ = 0;
    std::size_t frameSize_ = 0;
    bool outOfMemory_ = false;
};

} // namespace tarnvik
