// Where an encoder session's packets go: a movie file, a live video output,
// and later a network stream or the next file of a split recording. A
// session opens each sink it is given from its codec parameters, hands it
// every packet from the first key frame on, and closes it when the sink is
// detached or the session ends.
#pragma once

#include <cstddef>
#include <cstdint>

struct AVCodecParameters;
struct AVPacket;

namespace tarnvik {

// Every time value of a session is in 1/600 s, the time scale QuickTime movies use.
inline constexpr int kTimeScale = 600;

// What a sink needs to open a container of its own.
struct SessionFormat {
    const AVCodecParameters* codec = nullptr; // extradata included where the session keeps it out of band
    double frameRate = 25;                    // nominal
};

// One encoded frame as the session hands it out; valid during the call.
struct EncodedPacket {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::int64_t timeStamp = 0; // display time, 1/600 s
    bool timeStampValid = false;
    std::int64_t duration = 0; // 1/600 s; 0 when not known
    bool keyFrame = false;
    const AVPacket* packet = nullptr;
};

class PacketSink {
public:
    virtual ~PacketSink() = default;
    // Before the first packet. 0, or a negative code: the sink is then not attached.
    virtual int open(const SessionFormat& format) = 0;
    // In the session's order; on the encoder's thread for a worker session,
    // never two at once.
    virtual void write(const EncodedPacket& packet) = 0;
    // No packet comes after this: the session was flushed or ended, or the
    // sink detached. On the thread that did that.
    virtual void close() = 0;
};

} // namespace tarnvik
