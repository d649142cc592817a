#include "export/FrameMovieExporter.h"

#include "export/MovieFileSink.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace tarnvik {

std::unique_ptr<FrameMovieExporter> FrameMovieExporter::create(const QString& path, std::uint32_t codecType,
                                                               unsigned width, unsigned height,
                                                               const CompressionOptionsPtr& options) {
    if (path.isEmpty() || !options) return nullptr;
    std::unique_ptr<FrameMovieExporter> e(new FrameMovieExporter);
    if (!e->init(path, codecType, width, height, options)) return nullptr;
    return e;
}

bool FrameMovieExporter::init(const QString& path, std::uint32_t codecType, unsigned width, unsigned height,
                              const CompressionOptionsPtr& options) {
    path_ = path;
    // The render tick must never wait for the encoder.
    options->allowAsynchronousCompletion = true;
    // QuickTime keeps the codec's set-up in the sample description.
    session_ = EncoderSession::create(codecType, width, height, *options, true);
    if (!session_) return false;
    file_ = MovieFileSink::create(path);
    if (!file_) return false;
    utcNow_ = [] { return QDateTime::currentDateTimeUtc(); };
    // The navigation data's track; its cues come with the frames.
    file_->enableCues();
    file_->setCreationTime(utcNow_());
    // Absolute: the watch must find the file again whatever the working folder.
    watch_ = std::make_unique<RecordingWatch>(file_->fd(), QFile::encodeName(QFileInfo(path).absoluteFilePath()));
    file_->setFailureHandler(
        [this](int error) { stop({RecordingEvent::Kind::Stopped, StopReason::WriteFailed, error}); });
    return session_->attach(file_) == 0;
}

FrameMovieExporter::~FrameMovieExporter() {
    finish();
    // The session goes first: it may still hold the file.
    session_.reset();
}

void FrameMovieExporter::setWriteFunction(MovieFile::WriteFunction write) { file_->setWriteFunction(std::move(write)); }

std::int64_t FrameMovieExporter::framesWritten() const { return file_->framesWritten(); }

bool FrameMovieExporter::failed() const { return file_->failed(); }

double FrameMovieExporter::finish() {
    if (finished_ || !session_ || !file_) return file_ ? file_->secondsKept() : 0.0;
    finished_ = true;
    // Every pending frame reaches the file before its end is written,
    // unless the file takes no more; then what is still queued is dropped.
    if (!file_->halted()) session_->flush();
    session_->end();
    return file_->secondsKept();
}

std::optional<RecordingEvent> FrameMovieExporter::stopEvent() const {
    std::lock_guard lock(stopMutex_);
    return stopEvent_;
}

void FrameMovieExporter::stop(const RecordingEvent& event) {
    {
        std::lock_guard lock(stopMutex_);
        if (stopEvent_) return;
        stopEvent_ = event;
        stopped_ = true;
    }
    if (handler_) handler_(event);
}

bool FrameMovieExporter::exportFrame(FramePtr frame, double seconds) {
    if (file_->failed() || stopped_ || finished_) return false;
    const RecordingWatch::Verdict v = watch_->look(seconds, file_->wholeBytes());
    if (v.action == RecordingWatch::Verdict::Action::Warn && handler_) {
        handler_({RecordingEvent::Kind::LowSpace, StopReason::LowSpace, 0, v.freeBytes, v.secondsLeft});
    } else if (v.action == RecordingWatch::Verdict::Action::Stop) {
        // Not one more byte into a file that is gone; a low disk still gets the file finished.
        if (v.reason != StopReason::LowSpace) file_->halt(v.reason == StopReason::Deleted);
        stop({RecordingEvent::Kind::Stopped, v.reason, 0, v.freeBytes, v.secondsLeft});
        return false;
    }
    if (cueText_ && seconds >= 0 && seconds < 1e12) {
        // As the session reckons it: seconds as 1/600 s, truncated.
        const auto pts = std::int64_t(seconds * kTimeScale);
        if (firstPts_ < 0) {
            firstPts_ = pts;
            startUtc_ = utcNow_();
        }
        const std::int64_t second = (pts - firstPts_) / kTimeScale;
        if (second >= nextCue_) {
            nextCue_ = second + 1;
            file_->addCue(firstPts_ + second * kTimeScale, kTimeScale, cueText_(startUtc_.addSecs(second)));
        }
    }
    return session_->compressFrame(std::move(frame), seconds, NAN);
}

} // namespace tarnvik
