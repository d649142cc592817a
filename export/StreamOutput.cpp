#include "export/StreamOutput.h"

#include "export/AvError.h"

#include <QtGlobal>

#include <chrono>

#include <netdb.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace tarnvik {

namespace {

// About two seconds of a stream: enough for a moment's congestion, little
// enough that a viewer never watches the past.
constexpr std::size_t kMaxQueued = 50;
constexpr std::size_t kMaxQueuedBytes = 16 << 20;
// Seven TS packets: what one SRT message or UDP datagram carries.
constexpr const char* kPacketSize = "1316";
// The PCR leads the pictures by this much; players that pace themselves by
// the PCR buffer about as long.
constexpr int kMuxDelayMicroseconds = 100000;
constexpr auto kRetryAfter = std::chrono::seconds(1);

// FFmpeg says only "Input/output error" for a host it cannot find.
std::string hostProblem(const std::string& url) {
    char proto[16], auth[256], host[256], path[1024];
    int port = -1;
    av_url_split(proto, sizeof proto, auth, sizeof auth, host, sizeof host, &port, path, sizeof path, url.c_str());
    addrinfo hints{};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int err = getaddrinfo(host, nullptr, &hints, &found);
    if (found) freeaddrinfo(found);
    if (err == 0) return {};
    return std::string("the host \"") + host + "\" cannot be found (" + gai_strerror(err) + ")";
}

std::string schemeOf(const std::string& url) {
    const std::size_t colon = url.find("://");
    return colon == std::string::npos ? std::string() : url.substr(0, colon);
}

} // namespace

std::string StreamOutput::urlProblem(const std::string& url) {
    const std::string scheme = schemeOf(url);
    if (scheme != "srt" && scheme != "udp") return "the address must begin with srt:// or udp://";
    char proto[16], auth[256], host[256], path[1024];
    int port = -1;
    av_url_split(proto, sizeof proto, auth, sizeof auth, host, sizeof host, &port, path, sizeof path, url.c_str());
    if (!host[0]) return "the address has no host";
    if (port <= 0 || port > 65535) return "the address has no port";
    return {};
}

std::unique_ptr<StreamOutput> StreamOutput::start(const std::string& url, std::string* why) {
    std::string problem = urlProblem(url);
    if (problem.empty()) problem = hostProblem(url);
    if (!problem.empty()) {
        if (why) *why = problem;
        return nullptr;
    }
    std::unique_ptr<StreamOutput> s(new StreamOutput(url));
    s->thread_ = std::thread([raw = s.get()] { raw->run(); });
    std::unique_lock lock(s->mutex_);
    s->wake_.wait(lock, [&] { return s->start_ != Start::Pending; });
    if (s->start_ == Start::Running) return s;
    if (why) *why = avErrorText(s->startError_).toStdString();
    lock.unlock();
    s->thread_.join();
    return nullptr;
}

StreamOutput::StreamOutput(std::string url) : url_(std::move(url)), waitsForViewers_(schemeOf(url_) == "srt") {}

StreamOutput::~StreamOutput() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    clearQueue();
    avcodec_parameters_free(&format_);
}

int StreamOutput::interrupted(void* self) {
    auto* s = static_cast<StreamOutput*>(self);
    // Asked while waiting for a viewer or a peer: the set-up went through.
    s->startDone(Start::Running, 0);
    return s->stopping_.load() ? 1 : 0;
}

void StreamOutput::startDone(Start state, int error) {
    if (started_.load()) return; // the callback's usual case, without the lock
    std::lock_guard lock(mutex_);
    started_ = true;
    if (start_ != Start::Pending) return;
    start_ = state;
    startError_ = error;
    wake_.notify_all();
}

void StreamOutput::setFormat(const AVCodecParameters* codec) {
    AVCodecParameters* copy = avcodec_parameters_alloc();
    if (!copy || avcodec_parameters_copy(copy, codec) < 0) {
        avcodec_parameters_free(&copy);
        qWarning("Network stream %s: no memory for the new format", url_.c_str());
        return;
    }
    std::lock_guard lock(mutex_);
    queue_.push_back({nullptr, copy});
    wake_.notify_all();
}

bool StreamOutput::send(const EncodedPacket& p) {
    if (!watched_ || !p.packet) return false;
    std::lock_guard lock(mutex_);
    if (skipToKey_ && !p.keyFrame) {
        ++dropped_;
        return false;
    }
    if (queue_.size() >= kMaxQueued || queuedBytes_ + p.size > kMaxQueuedBytes) {
        if (!skipToKey_)
            qWarning("Network stream %s: the network is not keeping up; pictures are dropped up to the next key frame",
                     url_.c_str());
        ++dropped_;
        skipToKey_ = true;
        keyFrameWanted_ = true;
        return false;
    }
    AVPacket* copy = av_packet_clone(p.packet);
    if (!copy) {
        ++dropped_;
        skipToKey_ = true;
        return false;
    }
    copy->pts = copy->dts = p.timeStamp;
    copy->duration = p.duration;
    if (p.keyFrame) copy->flags |= AV_PKT_FLAG_KEY;
    skipToKey_ = false;
    queuedBytes_ += p.size;
    queue_.push_back({copy, nullptr});
    wake_.notify_all();
    return true;
}

void StreamOutput::clearQueue() {
    std::lock_guard lock(mutex_);
    for (Item& i : queue_) {
        // A format waiting here is still the one to use.
        if (i.format) std::swap(format_, i.format);
        av_packet_free(&i.packet);
        avcodec_parameters_free(&i.format);
    }
    queue_.clear();
    queuedBytes_ = 0;
}

void StreamOutput::run() {
    while (!stopping_) {
        if (!io_ && !connect()) {
            std::unique_lock lock(mutex_);
            if (start_ == Start::Failed) return;
            wake_.wait_for(lock, kRetryAfter, [this] { return stopping_.load(); });
            continue;
        }
        Item item;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) break;
            item = queue_.front();
            queue_.pop_front();
            if (item.packet) queuedBytes_ -= std::size_t(item.packet->size);
        }
        if (item.format) {
            avcodec_parameters_free(&format_);
            format_ = item.format;
            // The viewer's stream begins again, for the new codec, at its next key frame.
            closeMuxer();
            needKey_ = true;
            continue;
        }
        write(item.packet);
        av_packet_free(&item.packet);
    }
    disconnect(nullptr, 0);
}

bool StreamOutput::connect() {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "pkt_size", kPacketSize, 0);
    const AVIOInterruptCB callback{&StreamOutput::interrupted, this};
    AVIOContext* io = nullptr;
    // An SRT listener waits here for its viewer, asking the callback now and then.
    const int err = avio_open2(&io, url_.c_str(), AVIO_FLAG_WRITE, &callback, &options);
    av_dict_free(&options);
    if (err < 0) {
        // Before it ever ran, a failure means the URL cannot be used at all.
        startDone(Start::Failed, err);
        if (!stopping_ && !retryLogged_)
            qWarning("Network stream %s: cannot connect (%s); trying again every second", url_.c_str(),
                     avErrorText(err).constData());
        retryLogged_ = true;
        return false;
    }
    startDone(Start::Running, 0);
    retryLogged_ = false;
    io_ = io;
    needKey_ = true;
    // Pictures queued before the viewer came are of no use to it.
    clearQueue();
    watched_ = true;
    keyFrameWanted_ = true;
    ++viewers_;
    if (waitsForViewers_) qInfo("Network stream %s: a viewer connected", url_.c_str());
    return true;
}

void StreamOutput::disconnect(const char* why, int error) {
    const bool wasWatched = watched_.exchange(false);
    closeMuxer();
    if (io_) avio_closep(&io_);
    if (!why || !wasWatched) return;
    if (waitsForViewers_)
        qInfo("Network stream %s: the viewer left (%s: %s); waiting for the next one", url_.c_str(), why,
              avErrorText(error).constData());
    else qWarning("Network stream %s: %s (%s); opening it again", url_.c_str(), why, avErrorText(error).constData());
}

bool StreamOutput::openMuxer() {
    if (!format_) return false;
    if (avformat_alloc_output_context2(&muxer_, nullptr, "mpegts", nullptr) < 0 || !muxer_) return false;
    muxer_->pb = io_;
    muxer_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    muxer_->max_delay = kMuxDelayMicroseconds;
    AVStream* stream = avformat_new_stream(muxer_, nullptr);
    if (!stream || avcodec_parameters_copy(stream->codecpar, format_) < 0) return false;
    stream->time_base = AVRational{1, 90000};
    // Packets of an encoder that keeps its set-up out of band get it in
    // band here, as MPEG-TS needs: the muxer adds h264_mp4toannexb itself.
    AVDictionary* options = nullptr;
    // A picture's PES says how long it is, so a receiver hands it on when it
    // is whole instead of waiting for the next one to begin: 40 ms less delay.
    av_dict_set(&options, "omit_video_pes_length", "0", 0);
    const bool ok = avformat_write_header(muxer_, &options) >= 0;
    av_dict_free(&options);
    return ok;
}

void StreamOutput::closeMuxer() {
    if (!muxer_) return;
    muxer_->pb = nullptr; // the connection stays
    avformat_free_context(muxer_);
    muxer_ = nullptr;
}

void StreamOutput::write(AVPacket* packet) {
    const bool key = packet->flags & AV_PKT_FLAG_KEY;
    if (needKey_ && !key) return; // a viewer starts with a whole picture
    needKey_ = false;
    if (!muxer_ && !openMuxer()) {
        disconnect("the stream could not be begun", AVERROR(EINVAL));
        return;
    }
    const AVStream* stream = muxer_->streams[0];
    packet->stream_index = 0;
    av_packet_rescale_ts(packet, AVRational{1, kTimeScale}, stream->time_base);
    packet->dts = packet->pts; // no B-frames: decoding order is display order
    int err = av_write_frame(muxer_, packet);
    if (err >= 0) {
        avio_flush(io_);
        err = io_->error;
    }
    if (err < 0) {
        disconnect("sending failed", err);
        return;
    }
    ++sent_;
}

int StreamSink::open(const SessionFormat& format) {
    if (!format.codec || format.codec->codec_id != AV_CODEC_ID_H264) return AVERROR(EINVAL);
    output_->setFormat(format.codec);
    return 0;
}

} // namespace tarnvik
