#include "export/OpenGLDVExporter.h"

#include "export/CompressionOptions.h"
#include "export/DVFormat.h"

#include <QtGlobal>

namespace tarnvik {

QSizeF OpenGLDVExporter::sizeForFormat(int format) {
    const DVFormat f = dvFormat(format);
    return QSizeF(f.width, f.height);
}

float OpenGLDVExporter::framerateForFormat(int format) { return dvFormat(format).frameRate; }

std::unique_ptr<OpenGLDVExporter> OpenGLDVExporter::create(const GLFrameSource& source, int format,
                                                           bool flipVertically, bool useTextures,
                                                           const std::vector<VideoOutputOpener>& candidates) {
    // Negative formats fail this too.
    if (unsigned(format) > 1) return nullptr;
    const DVFormat f = dvFormat(format);
    std::unique_ptr<OpenGLDVExporter> e(new OpenGLDVExporter);
    // DV has one quality.
    e->compressor_ = OpenGLQTCompressor::create(source, f.width, f.height, f.codecType, kQualityLossless,
                                                flipVertically, useTextures);
    if (!e->compressor_) return nullptr;
    e->output_ = beginVideoOutput(candidates, f.displayMode, "DV Exporter");
    if (!e->output_) return nullptr;
    return e;
}

OpenGLDVExporter::~OpenGLDVExporter() {
    if (output_) output_->end();
}

bool OpenGLDVExporter::exportFrame() {
    const std::optional<QByteArray> frame = compressor_->compressFrame(true);
    if (!frame) return false;
    if (frame->isEmpty()) return true;
    const int err =
        output_->writeFrame(reinterpret_cast<const std::uint8_t*>(frame->constData()), std::size_t(frame->size()));
    if (err != 0) {
        qWarning("DecompressSequenceFrameS() failed with error %i", err);
        return false;
    }
    return true;
}

} // namespace tarnvik
