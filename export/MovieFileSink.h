// A QuickTime movie file with one video track in 1/600 s, made from an
// encoder session's packets, and when asked a text track of cues (the
// navigation data, a cue a second). It is written in fragments of about a second,
// each whole on disk as it is cut, so a crash or power cut keeps everything
// up to the last one. Closing writes the movie's end; a file that was
// halted is cut back to its last whole fragment instead, so that it plays
// to there, unless it was deleted: that one is never touched again.
#pragma once

#include "export/MovieFile.h"
#include "export/PacketSink.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

struct AVFormatContext;
struct AVStream;

namespace tarnvik {

class MovieFileSink : public PacketSink {
public:
    // A write, or the movie's end, could not be written: FFmpeg's code. Once,
    // on the thread that wrote; the file takes nothing more.
    using FailureHandler = std::function<void(int error)>;

    // Creates the file, replacing any at path; exclusive: never replaces,
    // and *error is AVERROR(EEXIST) when a file is there. Null on failure
    // (logged, except an existing file).
    static std::shared_ptr<MovieFileSink> create(const QString& path, bool exclusive = false, int* error = nullptr);
    ~MovieFileSink() override;
    MovieFileSink(const MovieFileSink&) = delete;
    MovieFileSink& operator=(const MovieFileSink&) = delete;

    // Before the sink is opened.
    void setFailureHandler(FailureHandler handler) { failed_ = std::move(handler); }
    // The session time the file's time 0 stands for; times before it are
    // not written. Without one, the file keeps the session's times.
    void setTimeOrigin(std::int64_t origin) { origin_ = origin; }
    // The moment time 0 was recorded, kept in the movie's creation time
    // (whole seconds, as players show it) and, to the millisecond, its date.
    void setCreationTime(const QDateTime& utc) { creationTime_ = utc; }
    // Adds the text track.
    void enableCues() { cuesEnabled_ = true; }

    // A cue of the text track, in session time (1/600 s), from any thread.
    // Written before the first frame at or after its start, so that the
    // tracks stay in time order; cues that overlap the one before are cut.
    void addCue(std::int64_t start, std::int64_t duration, const QString& text);
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
    // The sink was closed: no packet comes any more (read from any thread).
    bool closed() const { return closed_.load(); }
    // Seconds of movie the file plays, as far as it is on disk whole.
    double secondsKept() const;

private:
    struct Cue {
        std::int64_t start;
        std::int64_t duration;
        QByteArray text;
    };

    MovieFileSink() = default;
    void fail(int error);
    int addTextTrack();
    // Writes the cues that start before `before` (file time), none lasting
    // past endAtMost; 0 or the muxer's error.
    int writeCues(std::int64_t before, std::int64_t endAtMost);

    std::unique_ptr<MovieFile> file_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    FailureHandler failed_;
    // Set once the header is out: the movie must then be finished.
    bool editing_ = false;
    std::atomic<bool> closed_{false};
    bool deleted_ = false;
    std::atomic<bool> writeFailed_{false};
    std::atomic<std::int64_t> written_{0};

    // Times in 1/600 s: the first frame's, the end of the last frame given
    // to the muxer (touched by the thread that writes), and the end of the
    // last one in a whole fragment on disk.
    std::atomic<std::int64_t> firstPts_{-1};
    std::int64_t givenEnd_ = 0;
    std::atomic<std::int64_t> keptEnd_{-1};

    std::int64_t origin_ = 0;
    QDateTime creationTime_;
    bool cuesEnabled_ = false;
    AVStream* text_ = nullptr;
    std::mutex cuesMutex_;
    std::deque<Cue> cues_;     // waiting for their frame
    std::int64_t cuesEnd_ = 0; // file time the written cues reach
};

} // namespace tarnvik
