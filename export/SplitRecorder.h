// A survey recording: rendered frames, encoded once (on a worker thread
// where the options allow it, as the render tick must never wait), in a
// series of movie files cut at a fixed interval. At a cut the next file
// is attached and the very next frame is encoded as a key frame; the file
// before gets every packet up to it. So no frame is lost or written twice,
// each file plays on its own from time 0, and the files' times continue:
// each file's start (UTC) is in its creation time and, through the namer,
// its name. Frame times are on the frame rate's grid (FrameGrid). Each file
// has a text track with a cue a second, its text from the owner.
//
// The current file is watched as a movie export's is: low disk space warns
// and then stops the recording, a failed write stops it, and a file that
// is deleted or moved is left alone while the recording goes on in a new
// file. The owner hears of it through the event handler.
#pragma once

#include "export/CompressionOptions.h"
#include "export/EncoderSession.h"
#include "export/FrameGrid.h"
#include "export/RecordingWatch.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tarnvik {

class MovieFileSink;

class SplitRecorder {
public:
    struct Settings {
        std::uint32_t codec = kCodecH264;
        CompressionOptions options;
        double frameRate = 25;
        double splitSeconds = 1800;
        unsigned width = 0, height = 0;
    };
    // The path of a file that starts at utc. attempt counts up from 0 while
    // the paths given are taken: an existing file is never overwritten.
    using Namer = std::function<QString(const QDateTime& utc, int attempt)>;
    // The text of the cue for the second that starts at utc.
    using CueText = std::function<QString(const QDateTime& utc)>;
    // A file was created and its first frame is the next one.
    using FileStarted = std::function<void(const QString& path, const QDateTime& utc)>;
    // LowSpace and FileGone on the thread that records; Stopped (at most
    // once) on that thread or the encoder's.
    using EventHandler = std::function<void(const RecordingEvent&)>;

    // Null when the encoder cannot be opened (logged).
    static std::unique_ptr<SplitRecorder> create(const Settings& settings, Namer namer);
    // Finishes.
    ~SplitRecorder();
    SplitRecorder(const SplitRecorder&) = delete;
    SplitRecorder& operator=(const SplitRecorder&) = delete;

    // Set these before the first frame.
    void setCueText(CueText text) { cueText_ = std::move(text); }
    void setFileStarted(FileStarted handler) { fileStarted_ = std::move(handler); }
    void setEventHandler(EventHandler handler) { handler_ = std::move(handler); }
    void setUtcClock(std::function<QDateTime()> clock) { utcNow_ = std::move(clock); }
    void setFreeSpace(RecordingWatch::FreeSpace freeSpace) { freeSpace_ = std::move(freeSpace); }
    void setSpaceLimits(const SpaceLimits& limits) { limits_ = limits; }

    // seconds: the render time, on a clock that is not restarted. True when
    // the frame was taken (also when left out as early); false once stopped
    // or finished, or when the encoder is behind.
    bool recordFrame(FramePtr frame, double seconds);
    // The next frame begins a new file.
    void splitNow() { splitAsked_ = true; }
    // Completes the pending frames and finishes the last file (once).
    void finish();

    const Settings& settings() const { return settings_; }
    // The file being written; empty before the first frame.
    QString currentPath() const { return path_; }
    QDateTime currentStart() const { return fileUtc_; }
    // Bytes of the current file on disk whole.
    std::uint64_t currentBytes() const;
    // Recorded time from the first frame to the end of the last, seconds.
    double seconds() const;
    int filesStarted() const { return files_; }
    // Frames the encoder took, repeats included.
    std::int64_t framesGiven() const { return given_; }
    // Frames in all the files so far.
    std::int64_t framesWritten() const;
    // Frames refused because the encoder was behind.
    std::int64_t framesDropped() const { return session_->framesDropped(); }
    // Frames given twice or more to fill the places late frames skipped,
    // and frames left out as early: the files hold the frames recorded,
    // plus the first, less the second.
    std::int64_t framesRepeated() const { return repeated_; }
    std::int64_t framesLeftOut() const { return leftOut_; }
    bool stopped() const { return stopped_.load(); }
    std::optional<RecordingEvent> stopEvent() const;

private:
    SplitRecorder() = default;
    bool init(const Settings& settings, Namer namer);
    bool encodeAt(std::int64_t slot, const FramePtr& frame);
    bool startFile(std::int64_t slot);
    void cueFor(std::int64_t slot);
    void watch(double seconds);
    void stop(const RecordingEvent& event);
    QDateTime utcAt(std::int64_t slot) const;

    Settings settings_;
    Namer namer_;
    CueText cueText_;
    FileStarted fileStarted_;
    EventHandler handler_;
    std::function<QDateTime()> utcNow_;
    RecordingWatch::FreeSpace freeSpace_;
    std::optional<SpaceLimits> limits_;

    std::unique_ptr<EncoderSession> session_;
    FrameGrid grid_;
    std::int64_t splitSlots_ = 0; // a file's length in places
    QDateTime startUtc_;          // of place 0
    FramePtr lastFrame_;          // repeated for places a late frame missed
    std::int64_t given_ = 0;
    std::int64_t repeated_ = 0, leftOut_ = 0;
    bool finished_ = false;
    bool splitAsked_ = false;

    std::shared_ptr<MovieFileSink> file_; // the current file
    std::unique_ptr<RecordingWatch> watch_;
    QString path_;
    QDateTime fileUtc_;
    std::int64_t fileSlot_ = 0;  // the current file's first place
    std::int64_t nextSplit_ = 0; // the place that begins the next file
    std::int64_t nextCue_ = 0;   // the current file's next second to cue
    bool keyPending_ = false;    // the next frame must be a key frame
    int files_ = 0;
    // Files before the current one, until the session has closed them.
    std::vector<std::shared_ptr<MovieFileSink>> earlier_;
    std::int64_t writtenEarlier_ = 0;

    std::atomic<bool> stopped_{false};
    mutable std::mutex stopMutex_;
    std::optional<RecordingEvent> stopEvent_;
};

} // namespace tarnvik
