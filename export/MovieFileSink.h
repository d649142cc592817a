// A QuickTime movie file with one video track in 1/600 s, made from an
// encoder session's packets. It is written in fragments of about a second,
// each whole on disk as it is cut, so a crash or power cut keeps everything
// up to the last one. Closing writes the movie's end; a file that was
// halted is cut back to its last whole fragment instead, so that it plays
// to there, unless it was deleted: that one is never touched again.
#pragma once

#include "export/MovieFile.h"
#include "export/PacketSink.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

struct AVFormatContext;
struct AVStream;

namespace tarnvik {

class MovieFileSink : public PacketSink {
public:
    // A write, or the movie's end, could not be written: FFmpeg's code. Once,
    // on the thread that wrote; the file takes nothing more.
    using FailureHandler = std::function<void(int error)>;

    // Creates the file, replacing any at path. Null on failure (logged).
    static std::shared_ptr<MovieFileSink> create(const QString& path);
    ~MovieFileSink() override;
    MovieFileSink(const MovieFileSink&) = delete;
    MovieFileSink& operator=(const MovieFileSink&) = delete;

    // Before the sink is opened.
    void setFailureHandler(FailureHandler handler) { failed_ = std::move(handler); }
    // At any time: a write in progress finishes with the one before.
    void setWriteFunction(MovieFile::WriteFunction write) { file_->setWriteFunction(std::move(write)); }

    // Adds the track and writes the movie's header. Logged on failure.
    int open(const SessionFormat& format) override;
    // Packets without a duration have no place in the track and are left out.
    void write(const EncodedPacket& packet) override;
    void close() override;

    // No byte reaches the file after this returns. deleted: the file has no
    // name any more, so it is not cut back either.
    void halt(bool deleted);
    bool halted() const { return !file_ || file_->halted(); }
    // A write failed.
    bool failed() const { return writeFailed_.load(); }
    int fd() const { return file_ ? file_->fd() : -1; }
    // Bytes up to the last whole fragment (read from any thread).
    std::uint64_t wholeBytes() const { return file_ ? file_->wholeBytes() : 0; }
    // Packets written so far (read from any thread).
    std::int64_t framesWritten() const { return written_.load(); }
    // Seconds of movie the file plays, as far as it is on disk whole.
    double secondsKept() const;

private:
    MovieFileSink() = default;
    void fail(int error);

    std::unique_ptr<MovieFile> file_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    FailureHandler failed_;
    // Set once the header is out: the movie must then be finished.
    bool editing_ = false;
    bool closed_ = false;
    bool deleted_ = false;
    std::atomic<bool> writeFailed_{false};
    std::atomic<std::int64_t> written_{0};

    // Times in 1/600 s: the first frame's, the end of the last frame given
    // to the muxer (touched by the thread that writes), and the end of the
    // last one in a whole fragment on disk.
    std::atomic<std::int64_t> firstPts_{-1};
    std::int64_t givenEnd_ = 0;
    std::atomic<std::int64_t> keptEnd_{-1};
};

} // namespace tarnvik
