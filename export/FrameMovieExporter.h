// Records Frames into a QuickTime movie: an encoder session on a worker
// thread whose packets go to a movie file (see MovieFileSink), with a text
// track that gets a cue each second when the owner gives the text. Finishing
// (or destroying) the exporter completes the pending frames and finishes the file.
//
// A recording also ends on its own: when a write fails (a full disk), when
// its disk runs low, or when its file is deleted or no longer at its path.
// The owner hears of it once, through the event handler, and then finishes
// the exporter; the file then plays up to its last whole fragment.
#pragma once

#include "export/EncoderSession.h"
#include "export/MovieFile.h"
#include "export/RecordingWatch.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tarnvik {

class MovieFileSink;

class FrameMovieExporter {
public:
    // Called at most once with a LowSpace warning (on the thread that
    // exports frames) and at most once with Stopped (on that thread or the
    // encoder's).
    using EventHandler = std::function<void(const RecordingEvent&)>;

    // Replaces any file at path. Encodes on a worker thread: the options
    // given are changed to allow that. Null on failure (logged; an empty
    // path silently).
    static std::unique_ptr<FrameMovieExporter> create(const QString& path, std::uint32_t codecType, unsigned width,
                                                      unsigned height, const CompressionOptionsPtr& options);
    ~FrameMovieExporter();
    FrameMovieExporter(const FrameMovieExporter&) = delete;
    FrameMovieExporter& operator=(const FrameMovieExporter&) = delete;

    // The text of the cue for the second that starts at utc.
    using CueText = std::function<QString(const QDateTime& utc)>;

    // Set these before the first frame.
    void setEventHandler(EventHandler handler) { handler_ = std::move(handler); }
    void setCueText(CueText text) { cueText_ = std::move(text); }
    // The clock the first frame's UTC time is read from; tests give their own.
    void setUtcClock(std::function<QDateTime()> clock) { utcNow_ = std::move(clock); }
    void setWriteFunction(MovieFile::WriteFunction write);
    void setFreeSpace(RecordingWatch::FreeSpace freeSpace) { watch_->setFreeSpace(std::move(freeSpace)); }
    void setSpaceLimits(const SpaceLimits& limits) { watch_->setLimits(limits); }

    // seconds: the render time. True when the frame was accepted. Also
    // looks at the disk and the file, about once a second.
    bool exportFrame(FramePtr frame, double seconds);

    // Completes the pending frames and finishes the file (once; the
    // destructor does it otherwise). Seconds of movie the file holds.
    double finish();

    const QString& path() const { return path_; }
    // Encoded frames written to the file so far (read from any thread).
    std::int64_t framesWritten() const;
    // Frames refused because the encoder was behind, so far.
    std::int64_t framesDropped() const { return session_->framesDropped(); }
    // Writing failed (a full disk, say): no more frames are taken.
    bool failed() const;
    // The recording ended on its own: no more frames are taken.
    bool stopped() const { return stopped_.load(); }
    // Why, once stopped.
    std::optional<RecordingEvent> stopEvent() const;

private:
    FrameMovieExporter() = default;
    bool init(const QString& path, std::uint32_t codecType, unsigned width, unsigned height,
              const CompressionOptionsPtr& options);
    void stop(const RecordingEvent& event);

    QString path_;
    std::unique_ptr<EncoderSession> session_;
    std::shared_ptr<MovieFileSink> file_;
    std::unique_ptr<RecordingWatch> watch_;
    EventHandler handler_;
    CueText cueText_;
    std::function<QDateTime()> utcNow_;
    QDateTime startUtc_;         // the first frame's
    std::int64_t firstPts_ = -1; // 1/600 s
    std::int64_t nextCue_ = 0;   // the next second to cue
    bool finished_ = false;
    std::atomic<bool> stopped_{false};

    mutable std::mutex stopMutex_;
    std::optional<RecordingEvent> stopEvent_;
};

} // namespace tarnvik
