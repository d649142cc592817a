// Plays the rendered frames out live as DV: an encoder session on a worker
// thread, at the format's size, whose frames go whole to a video output (a
// FireWire device, or a DV stream to a file or pipe) as soon as they are
// encoded.
#pragma once

#include "export/EncoderSession.h"
#include "export/VideoOutput.h"

#include <QSizeF>

#include <memory>
#include <vector>

namespace tarnvik {

class FrameLiveDVExporter {
public:
    // 0: NTSC, 1: PAL; any other format gives 0 × 0 and 0.
    static QSizeF sizeForFormat(int format);
    static float framerateForFormat(int format);

    // Null for a format other than 0 or 1 (silently), or when the encoder or
    // every output fails (logged). candidates: the outputs to try, in order.
    static std::unique_ptr<FrameLiveDVExporter> create(int format, bool progressive, bool wideScreen,
                                                       const std::vector<VideoOutputOpener>& candidates);
    // Frames still pending are dropped, as a live picture has no use for
    // them; then the output ends.
    ~FrameLiveDVExporter();
    FrameLiveDVExporter(const FrameLiveDVExporter&) = delete;
    FrameLiveDVExporter& operator=(const FrameLiveDVExporter&) = delete;

    // True when the frame was accepted for encoding.
    bool exportFrame(FramePtr frame);
    // Sends every pending frame and ends the output; no frame is taken
    // afterwards.
    bool flushFrames() { return session_->flush(); }

    std::int64_t framesDropped() const { return session_->framesDropped(); }

private:
    FrameLiveDVExporter() = default;

    std::unique_ptr<EncoderSession> session_;
};

} // namespace tarnvik
