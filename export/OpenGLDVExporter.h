// Plays what has been rendered out live as DV: each call reads the image,
// compresses it to a DV frame of the format (an OpenGLQTCompressor) and
// hands it to a video output (a FireWire device, or a DV stream to a file or
// pipe) at once.
#pragma once

#include "export/OpenGLQTCompressor.h"
#include "export/VideoOutput.h"

#include <QSizeF>

#include <memory>
#include <vector>

namespace tarnvik {

class OpenGLDVExporter {
public:
    // 0: NTSC, 1: PAL; any other format gives 0 × 0 and 0.
    static QSizeF sizeForFormat(int format);
    static float framerateForFormat(int format);

    // Null for a format other than 0 or 1 (silently), or when the compressor
    // or every output fails (logged). candidates: the outputs to try, in order.
    static std::unique_ptr<OpenGLDVExporter> create(const GLFrameSource& source, int format, bool flipVertically,
                                                    bool useTextures,
                                                    const std::vector<VideoOutputOpener>& candidates);
    ~OpenGLDVExporter();
    OpenGLDVExporter(const OpenGLDVExporter&) = delete;
    OpenGLDVExporter& operator=(const OpenGLDVExporter&) = delete;

    // True when the frame was sent, or when there was none to send (the
    // first call with textures).
    bool exportFrame();

    const CompressedImageDescription& framesImageDescription() const {
        return compressor_->framesImageDescription();
    }

private:
    OpenGLDVExporter() = default;

    std::unique_ptr<OpenGLQTCompressor> compressor_;
    std::unique_ptr<VideoOutput> output_;
};

} // namespace tarnvik
