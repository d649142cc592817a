// A QuickTime movie of packets copied as they are from another stream (a
// camera's H.264, say): no decoding, no encoding. Written in fragments of
// about a second like our own movies, so that a crash keeps all but the
// last; finishing writes the movie's end, or cuts a file whose writing
// failed back to its last whole fragment.
#pragma once

#include "export/MovieFile.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

extern "C" {
#include <libavutil/rational.h>
}

struct AVCodecParameters;
struct AVFormatContext;
struct AVPacket;
struct AVStream;

namespace tarnvik {

class PacketCopyFile {
public:
    // Whether a movie can hold this stream's packets as they are.
    static bool canCopy(const AVCodecParameters* codec);
    // Creates the file (never over an existing one: AVERROR(EEXIST) then)
    // and writes its header: one track of the codec, in the time base, and
    // utc as its creation time. Null on failure, with FFmpeg's code in
    // *error; logged, except an existing file.
    static std::unique_ptr<PacketCopyFile> create(const QString& path, const AVCodecParameters* codec,
                                                  AVRational timeBase, const QDateTime& utc, int* error);
    // Finishes.
    ~PacketCopyFile();
    PacketCopyFile(const PacketCopyFile&) = delete;
    PacketCopyFile& operator=(const PacketCopyFile&) = delete;

    // The packet at these times (the time base's units, the file's own
    // time). 0, or the first error: nothing more is written then.
    int write(const AVPacket* packet, std::int64_t dts, std::int64_t pts, std::int64_t duration);
    // Writes the movie's end (once).
    void finish();

    const QString& path() const { return path_; }
    std::int64_t packetsWritten() const { return written_.load(); }
    std::uint64_t wholeBytes() const { return file_ ? file_->wholeBytes() : 0; }
    bool failed() const { return failed_; }

private:
    PacketCopyFile() = default;

    QString path_;
    std::unique_ptr<MovieFile> file_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    AVRational timeBase_{1, 600};
    bool finished_ = false;
    bool failed_ = false;
    std::atomic<std::int64_t> written_{0};
};

} // namespace tarnvik
