// Plays the rendered frames out live as DV: each Frame is encoded at the
// format's size and handed whole to a video output (a FireWire device, or a
// DV stream to a file or pipe) as soon as it is encoded.
#pragma once

#include "export/DVFormat.h"
#include "export/FrameCompressor.h"
#include "export/VideoOutput.h"

#include <QSizeF>

#include <memory>
#include <mutex>
#include <vector>

namespace tarnvik {

class FrameLiveDVExporter : public FrameCompressor {
public:
    // 0: NTSC, 1: PAL; any other format gives 0 × 0 and 0.
    static QSizeF sizeForFormat(int format);
    static float framerateForFormat(int format);

    // Null for a format other than 0 or 1 (silently), or when the encoder or
    // every output fails (logged). candidates: the outputs to try, in order.
    static std::unique_ptr<FrameLiveDVExporter> create(int format, bool progressive, bool wideScreen,
                                                       const std::vector<VideoOutputOpener>& candidates);
    ~FrameLiveDVExporter() override;

    // True when the frame was accepted for encoding.
    bool exportFrame(FramePtr frame);

protected:
    void doneCompressingFrame(const EncodedFrame& frame) override;

private:
    FrameLiveDVExporter() = default;
    bool init(int format, bool progressive, bool wideScreen, const std::vector<VideoOutputOpener>& candidates);

    // Guards output_: the encoder's thread writes, the destructor ends it.
    std::mutex outputMutex_;
    std::unique_ptr<VideoOutput> output_;
    std::int64_t failing_ = 0; // frames the output refused in a row
};

} // namespace tarnvik
