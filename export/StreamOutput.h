// The network side of a live stream: H.264 in MPEG-TS over SRT or UDP,
// written by a thread of its own so that neither the render tick nor the
// encoder ever waits for the network. Packets queue for a moment; when the
// network does not keep up they are dropped, up to the next key frame,
// rather than stall anything. An SRT listener serves one viewer at a time:
// when the viewer leaves it waits for the next, and the stream goes on
// without a restart. A UDP stream is sent whether anyone receives it or not.
#pragma once

#include "export/PacketSink.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct AVCodecParameters;
struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

namespace tarnvik {

class StreamOutput {
public:
    // Why the URL cannot be streamed to (a scheme other than srt:// or
    // udp://, no host or port); empty when it looks right.
    static std::string urlProblem(const std::string& url);

    // Starts listening or connecting, and returns once that is under way.
    // Null, with the reason in *why, when it cannot start (a wrong URL, a
    // port in use, an unknown host).
    static std::unique_ptr<StreamOutput> start(const std::string& url, std::string* why);
    // Stops the thread; a listener still waiting for a viewer is interrupted.
    ~StreamOutput();
    StreamOutput(const StreamOutput&) = delete;
    StreamOutput& operator=(const StreamOutput&) = delete;

    // The codec of the packets from now on (a new encoder): the stream to
    // each viewer is begun again for it at its next key frame.
    void setFormat(const AVCodecParameters* codec);
    // Copies the packet into the queue; from any thread, never waits. False
    // when it was left out: nobody is watching, the queue is full, or a
    // packet before it was dropped and no key frame has come since.
    bool send(const EncodedPacket& packet);

    // SRT: encoding can pause while nobody watches. UDP cannot tell.
    bool waitsForViewers() const { return waitsForViewers_; }
    // A viewer is connected (always, for UDP, once the socket is open).
    bool watched() const { return watched_.load(); }
    // True once after a viewer joined or packets were dropped: the next
    // frame should be a key frame, so that the picture starts (again) at once.
    bool takeKeyFrameRequest() { return keyFrameWanted_.exchange(false); }

    const std::string& url() const { return url_; }
    std::int64_t packetsSent() const { return sent_.load(); }
    // Packets dropped for a full queue or an unfinished picture while watched.
    std::int64_t packetsDropped() const { return dropped_.load(); }
    // Viewers that have connected so far (UDP: each time its socket opened).
    int viewers() const { return viewers_.load(); }

private:
    struct Item {
        AVPacket* packet = nullptr;          // or
        AVCodecParameters* format = nullptr; // a new format
    };
    enum class Start { Pending, Running, Failed };

    explicit StreamOutput(std::string url);
    static int interrupted(void* self);
    void run();
    bool connect();
    void disconnect(const char* why, int error);
    bool openMuxer();
    void closeMuxer();
    void write(AVPacket* packet);
    void startDone(Start state, int error);
    void clearQueue();

    std::string url_;
    bool waitsForViewers_ = false;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> watched_{false};
    std::atomic<bool> keyFrameWanted_{false};
    std::atomic<std::int64_t> sent_{0};
    std::atomic<std::int64_t> dropped_{0};
    std::atomic<int> viewers_{0};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Item> queue_;
    std::size_t queuedBytes_ = 0;
    bool skipToKey_ = false; // a packet was dropped: the rest of its picture is useless
    Start start_ = Start::Pending;
    std::atomic<bool> started_{false}; // start_ is no longer Pending
    int startError_ = 0;

    // The thread's own.
    AVIOContext* io_ = nullptr;
    AVFormatContext* muxer_ = nullptr;
    AVCodecParameters* format_ = nullptr;
    bool needKey_ = true;
    bool retryLogged_ = false;
};

// Hands an encoder session's H.264 packets to a stream output. Closing it
// leaves the output running, so a new session (another size) can go on
// with the same viewers.
class StreamSink : public PacketSink {
public:
    explicit StreamSink(std::shared_ptr<StreamOutput> output) : output_(std::move(output)) {}
    // AVERROR(EINVAL) for anything but H.264.
    int open(const SessionFormat& format) override;
    void write(const EncodedPacket& packet) override { output_->send(packet); }
    void close() override {}

private:
    std::shared_ptr<StreamOutput> output_;
};

} // namespace tarnvik
