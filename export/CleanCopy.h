// The camera's picture without the overlay, recorded beside a survey
// recording. A compressed source (an H.264 stream or file) has its packets
// written as they are: no decoding, no encoding. A raw one (a V4L2 camera)
// has its decoded pictures encoded with the recording's codec.
//
// It is cut where the overlaid recording is cut: the owner names the next
// file, and the copy begins it with the source's next key frame (a raw
// source's next picture, made a key frame), so each file plays on its own
// and no packet is lost or written twice. Times are the source's own, each
// file from 0; a file source that loops goes on without a jump. A source
// that ends or opens anew ends the file; the next one it delivers begins
// another, named by the same namer.
//
// The source's thread hands in what it reads; the owner's thread cuts and
// finishes. Either may be any thread, one at a time each.
#pragma once

#include "export/CompressionOptions.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

extern "C" {
#include <libavutil/rational.h>
}

struct AVCodecParameters;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace tarnvik {

class EncoderSession;
class FramePool;
class MovieFileSink;
class PacketCopyFile;

class CleanCopy {
public:
    // The path of a file of the current cut; attempt counts up from 0 while
    // the paths given are taken, and on for each file the cut needs more.
    using Namer = std::function<QString(int attempt)>;

    // codec and options: what a raw source is encoded with (on a worker
    // thread where the options allow it, so that the source never waits).
    CleanCopy(std::uint32_t codec, const CompressionOptions& options);
    // Finishes.
    ~CleanCopy();
    CleanCopy(const CleanCopy&) = delete;
    CleanCopy& operator=(const CleanCopy&) = delete;

    // The next file: it begins with the next key frame; utc is the moment
    // the overlaid file it goes with begins.
    void cutTo(Namer namer, const QDateTime& utc);
    // Ends the current file; nothing is written after this.
    void finish();

    // The file being written; empty while none is.
    QString currentPath() const;
    // Frames in all the files so far.
    std::int64_t framesWritten() const;
    // Files begun so far.
    int files() const;

    // From the source's thread.
    void streamOpened(const AVStream* stream);
    void packetRead(const AVPacket* packet);
    void pictureDecoded(const AVFrame* picture);
    void streamClosed();

private:
    struct Stream;
    void endFile();
    bool beginCopy();
    void copy(const AVPacket* packet);
    // Writes the packet held back, ending at end (the time base's units).
    void writeHeld(std::int64_t end);
    void encode(const AVFrame* picture);
    bool beginEncoded(std::int64_t pts, int width, int height);
    QDateTime startUtc() const;

    const std::uint32_t codec_;
    const CompressionOptions options_;
    mutable std::mutex mutex_;
    bool finished_ = false;
    Namer namer_;
    int attempt_ = 0;
    QDateTime utc_;
    std::chrono::steady_clock::time_point cutAt_;
    bool cutPending_ = false;

    std::unique_ptr<Stream> stream_;
    // Copying: the file being written.
    std::unique_ptr<PacketCopyFile> copy_;
    // Encoding: one session for the source's pictures, a file per cut.
    std::unique_ptr<EncoderSession> session_;
    std::shared_ptr<FramePool> pool_;
    std::shared_ptr<MovieFileSink> sink_;
    QString path_;
    std::int64_t writtenBefore_ = 0;
    int files_ = 0;
};

} // namespace tarnvik
