// The network stream at 720×576, 25 frames per second of wall time, as the
// application sends it: render the six layers, read back one tick late,
// hand to the stream. A receiver in a process of its own (libavformat and
// the H.264 decoder, as a player) notes when each picture is decoded.
// Reports frames rendered, handed to the stream, sent and received, those
// lost on the way, the sender's CPU time per frame (the whole process,
// encoder and network threads included), and the delay from a frame's
// render to its decoding in the receiver (glass to glass, less the display).
//
// Five runs: the stream alone over UDP and over SRT; an SRT listener that
// nobody connects to; the stream beside an H.264 recording with an encoder
// each; and one encoder for both (the stream's settings, the movie's set-up
// out of band, each frame's packet held until the next as a movie needs).
//
//   xvfb-run -a build/bench/app/stream_cost [SECONDS] [OUT_DIR]
#include "bench/app/bench_stack.h"
#include "export/CompressionSettings.h"
#include "export/FrameMovieExporter.h"
#include "export/FrameReader.h"
#include "export/FrameStreamExporter.h"
#include "export/MovieFileSink.h"
#include "tools/loopback.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

using namespace tarnvik;
using Clock = std::chrono::steady_clock;

namespace {

std::int64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts); // the same clock in both processes
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// The receiver: one line "PTS NANOSECONDS" for each picture decoded, until
// the stream ends or nothing has come for two seconds.
int receive(const char* url) {
    AVFormatContext* fmt = nullptr;
    AVDictionary* o = nullptr;
    av_dict_set(&o, "timeout", "2000000", 0);
    av_dict_set(&o, "analyzeduration", "500000", 0);
    if (avformat_open_input(&fmt, url, av_find_input_format("mpegts"), &o) < 0) return 1;
    av_dict_free(&o);
    if (avformat_find_stream_info(fmt, nullptr) < 0 || fmt->nb_streams < 1) return 1;
    const AVCodec* codec = avcodec_find_decoder(fmt->streams[0]->codecpar->codec_id);
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, fmt->streams[0]->codecpar);
    dec->flags |= AV_CODEC_FLAG_LOW_DELAY;
    dec->thread_count = 1; // frame threads would hold pictures back
    if (avcodec_open2(dec, codec, nullptr) < 0) return 1;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    for (bool more = true; more;) {
        more = av_read_frame(fmt, pkt) >= 0;
        // At the end the decoder gives up what it still holds.
        if (avcodec_send_packet(dec, more ? pkt : nullptr) >= 0)
            while (avcodec_receive_frame(dec, frame) >= 0)
                std::printf("%lld %lld\n", static_cast<long long>(frame->pts), static_cast<long long>(monotonicNs()));
        av_packet_unref(pkt);
    }
    std::fflush(stdout);
    return 0;
}

enum class Run { Udp, Srt, SrtUnwatched, TwoEncoders, OneEncoder };

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

bool run(Run what, int seconds, const QString& folder, const char* self) {
    const QSize size(720, 576);
    auto scene = CompositionScene::create(size);
    if (!scene) return false;
    auto stack = bench::makeStack(*scene);
    const GLFrameSource source{[&] { return scene->makeCurrent(); }, [&] { return scene->framebufferId(); }};
    auto reader = FrameReader::create(source, 720, 576, true);

    const int port = loopback::ledig_port();
    const bool srt = what == Run::Srt || what == Run::SrtUnwatched;
    const std::string sendTo =
        (srt ? "srt://127.0.0.1:" : "udp://127.0.0.1:") + std::to_string(port) + (srt ? "?mode=listener" : "");
    const std::string listenAt = (srt ? "srt://127.0.0.1:" : "udp://127.0.0.1:") + std::to_string(port);
    QProcess receiver;
    // UDP: the receiver binds first. SRT: it connects to the listener below.
    if (!srt) {
        receiver.start(QString::fromLocal8Bit(self), {QStringLiteral("receive"), QString::fromStdString(listenAt)});
        receiver.waitForStarted();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    std::string why;
    StreamSettings settings;
    settings.url = sendTo;
    std::unique_ptr<FrameStreamExporter> stream;
    std::shared_ptr<StreamOutput> shared;
    std::unique_ptr<EncoderSession> session;
    std::unique_ptr<FrameMovieExporter> movie;
    const QString moviePath = QDir(folder).filePath(QStringLiteral("stream-cost-%1.mov").arg(int(what)));
    if (what == Run::OneEncoder) {
        // The stream's settings, a movie file's set-up out of band.
        shared = StreamOutput::start(sendTo, &why);
        CompressionOptions o;
        o.allowAsynchronousCompletion = true;
        o.lowDelay = true;
        o.keyFrameInterval = 25;
        o.dataRate = settings.bitRate / 8;
        session = EncoderSession::create(kCodecH264, 720, 576, o, true);
        auto file = MovieFileSink::create(moviePath);
        if (!shared || !session || !file || session->attach(file) != 0 ||
            session->attach(std::make_shared<StreamSink>(shared)) != 0)
            return false;
    } else {
        stream = FrameStreamExporter::create(settings, &why);
        if (!stream) {
            std::fprintf(stderr, "%s\n", why.c_str());
            return false;
        }
    }
    if (what == Run::TwoEncoders) {
        CompressionSettings s; // the recording's own choice: H.264 at normal quality
        s.codec = kCodecH264;
        movie = FrameMovieExporter::create(moviePath, kCodecH264, 720, 576,
                                           std::make_shared<CompressionOptions>(s.options()));
        if (!movie) return false;
    }
    if (what == Run::Srt) {
        receiver.start(QString::fromLocal8Bit(self), {QStringLiteral("receive"), QString::fromStdString(listenAt)});
        receiver.waitForStarted();
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (!stream->output().watched() && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // The render time of each frame handed out (1/600 s), and when it was
    // rendered: a tick before, as the reader answers one tick late.
    std::map<std::int64_t, std::int64_t> renderedAt;
    const int frames = seconds * 25;
    int rendered = 0, handed = 0;
    std::int64_t previousRender = -1;
    const double cpu0 = cpuSeconds();
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(40000LL * i));
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        for (auto& r : stack) {
            r->setValue(QStringLiteral("HIDDEN_heading"), t * 7.0);
            r->renderAtTime(t);
        }
        if (!scene->finishFrame()) continue;
        ++rendered;
        const std::int64_t now = monotonicNs();
        if (FramePtr f = reader->readFrame(); f && previousRender >= 0) {
            renderedAt[std::int64_t(t * kTimeScale)] = previousRender;
            ++handed;
            if (movie) movie->exportFrame(f, t);
            if (stream) stream->exportFrame(std::move(f), t);
            else session->compressFrame(std::move(f), t, NAN, shared->takeKeyFrameRequest());
        }
        previousRender = now;
    }
    const std::int64_t encoderDrops = stream ? stream->framesDropped() : session->framesDropped();
    const std::int64_t networkDrops = stream ? stream->output().packetsDropped() : shared->packetsDropped();
    const std::int64_t sent = stream ? stream->output().packetsSent() : shared->packetsSent();
    const std::int64_t movieDrops = movie ? movie->framesDropped() : 0;
    movie.reset();
    if (session) session->flush();
    const double cpu = cpuSeconds() - cpu0;
    stream.reset();
    session.reset();
    shared.reset();
    receiver.waitForFinished(15000);

    // Received pictures back to render times: the first one received is the
    // first one sent, which is a key frame.
    std::vector<double> delays;
    std::int64_t firstPts = -1, received = 0;
    std::set<std::int64_t> arrived;
    const std::int64_t firstTick = renderedAt.empty() ? 0 : renderedAt.begin()->first;
    const std::int64_t lastTick = renderedAt.empty() ? 0 : renderedAt.rbegin()->first;
    const QByteArray heard = what == Run::SrtUnwatched ? QByteArray() : receiver.readAllStandardOutput();
    for (const QByteArray& line : heard.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() != 2) continue;
        const std::int64_t pts = f[0].toLongLong(), at = f[1].toLongLong();
        if (firstPts < 0) firstPts = pts;
        ++received;
        const std::int64_t tick = firstTick + (pts - firstPts) * kTimeScale / 90000;
        arrived.insert(tick);
        const auto it = renderedAt.find(tick);
        // Left out: the first second, while the receiver finds its footing,
        // and the last, whose pictures a receiver holds until the stream ends.
        if (it != renderedAt.end() && tick - firstTick >= kTimeScale && tick <= lastTick - kTimeScale)
            delays.push_back((at - it->second) / 1e6);
    }
    // Lost: handed to the stream and never decoded, but for the last second,
    // which ending the stream cuts off.
    std::int64_t lost = 0;
    for (const auto& [tick, at] : renderedAt) lost += tick <= lastTick - kTimeScale && !arrived.count(tick);
    if (what == Run::SrtUnwatched) lost = 0;
    static const char* names[] = {"stream alone, UDP", "stream alone, SRT", "SRT, nobody watching",
                                  "stream + recording, 2 encoders", "stream + recording, 1 encoder"};
    std::printf("%-31s rendered %5d  to stream %5d  sent %5lld  received %5lld  lost %4lld  dropped: encoder %lld, "
                "network %lld, recording %lld  CPU/frame %6.2f ms  delay median %5.0f ms p95 %5.0f ms max %5.0f "
                "ms\n",
                names[int(what)], rendered, handed, static_cast<long long>(sent), static_cast<long long>(received),
                static_cast<long long>(lost), static_cast<long long>(encoderDrops),
                static_cast<long long>(networkDrops), static_cast<long long>(movieDrops), 1000 * cpu / rendered,
                percentile(delays, 0.5), percentile(delays, 0.95), percentile(delays, 1.0));
    std::fflush(stdout);
    QFile::remove(moviePath);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "receive") return receive(argv[2]);
    QGuiApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    const int seconds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    QFile load(QStringLiteral("/proc/loadavg"));
    load.open(QIODevice::ReadOnly);
    std::printf("%d s at 720x576, 25 frames per second each; load average %s", seconds, load.readLine().constData());
    bool ok = true;
    for (Run r : {Run::Udp, Run::Srt, Run::SrtUnwatched, Run::TwoEncoders, Run::OneEncoder})
        ok = run(r, seconds, folder, argv[0]) && ok;
    return ok ? 0 : 1;
}
