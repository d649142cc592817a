#include "export/FrameLiveDVExporter.h"

#include <QtGlobal>

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
    std::unique_ptr<FrameLiveDVExporter> e(new FrameLiveDVExporter);
    if (!e->init(format, progressive, wideScreen, candidates)) return nullptr;
    return e;
}

bool FrameLiveDVExporter::init(int format, bool progressive, bool wideScreen,
                               const std::vector<VideoOutputOpener>& candidates) {
    CompressionOptionsPtr options = defaultOptions();
    if (!options) return false;
    const DVFormat f = dvFormat(format);
    // The render tick must not wait for the encoder; DV has one quality.
    options->allowAsynchronousCompletion = true;
    options->quality = kQualityLossless;
    options->progressive = progressive;
    options->wideScreen = wideScreen;
    options->frameRate = f.frameRate;
    if (!initCompressor(f.codecType, f.width, f.height, *options)) return false;
    output_ = beginVideoOutput(candidates, f.displayMode, "DV Exporter");
    return output_ != nullptr;
}

FrameLiveDVExporter::~FrameLiveDVExporter() {
    // No frame reaches the output once the session has ended; pending ones
    // are dropped, as a live picture has no use for them.
    endSession();
    std::lock_guard lock(outputMutex_);
    if (output_) output_->end();
}

bool FrameLiveDVExporter::exportFrame(FramePtr frame) { return compressFrame(std::move(frame), NAN, NAN); }

void FrameLiveDVExporter::doneCompressingFrame(const EncodedFrame& frame) {
    {
        std::lock_guard lock(outputMutex_);
        if (output_) {
            const int err = output_->writeFrame(frame.data, frame.size);
            // One line per run of failures: a player that went away would
            // otherwise flood the log at the frame rate.
            if (err != 0 && failing_++ == 0) qWarning("DecompressSequenceFrameS() failed with error %i", err);
            if (err == 0 && failing_ > 0) {
                qWarning("The video output takes frames again; %lld were dropped", static_cast<long long>(failing_));
                failing_ = 0;
            }
        }
    }
    FrameCompressor::doneCompressingFrame(frame);
}

} // namespace tarnvik
