#include "export/FrameLiveDVExporter.h"

#include "export/DVFormat.h"
#include "export/VideoOutputSink.h"

#include <cmath>

namespace tarnvik {

QSizeF FrameLiveDVExporter::sizeForFormat(int format) {
    const DVFormat f = dvFormat(format);
    return QSizeF(f.width, f.height);
}

float FrameLiveDVExporter::framerateForFormat(int format) { return dvFormat(format).frameRate; }

std::unique_ptr<FrameLiveDVExporter> FrameLiveDVExporter::create(int format, bool progressive, bool wideScreen,
                                                                 const std::vector<VideoOutputOpener>& candidates) {
    // Negative formats fail this too.
    if (unsigned(format) > 1) return nullptr;
    CompressionOptionsPtr options = defaultCompressionOptions();
    if (!options) return nullptr;
    const DVFormat f = dvFormat(format);
    // The render tick must not wait for the encoder; DV has one quality.
    options->allowAsynchronousCompletion = true;
    options->quality = kQualityLossless;
    options->progressive = progressive;
    options->wideScreen = wideScreen;
    options->frameRate = f.frameRate;
    std::unique_ptr<FrameLiveDVExporter> e(new FrameLiveDVExporter);
    e->session_ = EncoderSession::create(f.codecType, f.width, f.height, *options);
    if (!e->session_) return nullptr;
    std::unique_ptr<VideoOutput> output = beginVideoOutput(candidates, f.displayMode, "DV Exporter");
    if (!output || e->session_->attach(std::make_shared<VideoOutputSink>(std::move(output))) != 0) return nullptr;
    return e;
}

// The session ends itself: pending frames dropped, then the output ended.
FrameLiveDVExporter::~FrameLiveDVExporter() = default;

bool FrameLiveDVExporter::exportFrame(FramePtr frame) { return session_->compressFrame(std::move(frame), NAN, NAN); }

} // namespace tarnvik
