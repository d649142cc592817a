// Hands each encoded DV frame whole to a live video output (a FireWire
// device, or a DV stream to a file or pipe) as soon as it is encoded, and
// ends the output when closed.
#pragma once

#include "export/PacketSink.h"
#include "export/VideoOutput.h"

#include <cstdint>
#include <memory>

namespace tarnvik {

class VideoOutputSink : public PacketSink {
public:
    // output: begun already.
    explicit VideoOutputSink(std::unique_ptr<VideoOutput> output) : output_(std::move(output)) {}
    ~VideoOutputSink() override { close(); }
    VideoOutputSink(const VideoOutputSink&) = delete;
    VideoOutputSink& operator=(const VideoOutputSink&) = delete;

    int open(const SessionFormat& format) override;
    void write(const EncodedPacket& packet) override;
    void close() override;

private:
    std::unique_ptr<VideoOutput> output_;
    std::int64_t failing_ = 0; // frames the output refused in a row
};

} // namespace tarnvik
