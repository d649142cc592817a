#include "export/VideoOutputSink.h"

#include <QtGlobal>

extern "C" {
#include <libavutil/error.h>
}

namespace tarnvik {

int VideoOutputSink::open(const SessionFormat&) { return output_ ? 0 : AVERROR_EOF; }

void VideoOutputSink::write(const EncodedPacket& packet) {
    if (!output_) return;
    const int err = output_->writeFrame(packet.data, packet.size);
    // One line per run of failures: a player that went away would otherwise
    // flood the log at the frame rate.
    if (err != 0 && failing_++ == 0) qWarning("DecompressSequenceFrameS() failed with error %i", err);
    if (err == 0 && failing_ > 0) {
        qWarning("The video output takes frames again; %lld were dropped", static_cast<long long>(failing_));
        failing_ = 0;
    }
}

void VideoOutputSink::close() {
    if (output_) output_->end();
    output_.reset();
}

} // namespace tarnvik
