#include "export/SplitRecorder.h"

#include "export/AvError.h"
#include "export/MovieFileSink.h"

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/error.h>
}

namespace tarnvik {

namespace {

// Names tried for one file before the folder is taken to be unusable.
constexpr int kMaxAttempts = 1000;

} // namespace

std::unique_ptr<SplitRecorder> SplitRecorder::create(const Settings& settings, Namer namer) {
    if (!namer) return nullptr;
    std::unique_ptr<SplitRecorder> r(new SplitRecorder);
    if (!r->init(settings, std::move(namer))) return nullptr;
    return r;
}

bool SplitRecorder::init(const Settings& settings, Namer namer) {
    settings_ = settings;
    namer_ = std::move(namer);
    utcNow_ = [] { return QDateTime::currentDateTimeUtc(); };
    grid_ = FrameGrid(FrameGrid::stepFor(settings.frameRate));
    const double split = settings.splitSeconds > 0 ? settings.splitSeconds : 1800;
    splitSlots_ = std::max<std::int64_t>(1, std::llround(split * kTimeScale / grid_.step()));
    CompressionOptions options = settings.options;
    options.frameRate = double(kTimeScale) / grid_.step();
    // QuickTime keeps the codec's set-up in the sample description.
    session_ = EncoderSession::create(settings.codec, settings.width, settings.height, options, true);
    return session_ != nullptr;
}

SplitRecorder::~SplitRecorder() {
    finish();
    // The session goes first: it may still hold the files.
    session_.reset();
}

void SplitRecorder::finish() {
    if (finished_ || !session_) return;
    finished_ = true;
    // Every pending frame reaches its file before the file's end is written,
    // unless the current file takes no more; then what is queued is dropped.
    if (!file_ || !file_->halted()) session_->flush();
    session_->end();
    lastFrame_.reset();
}

bool SplitRecorder::recordFrame(FramePtr frame, double seconds) {
    if (finished_ || stopped_ || !frame) return false;
    if (!startUtc_.isValid()) startUtc_ = utcNow_();
    const FrameGrid::Place place = grid_.place(seconds);
    if (place.slot < 0) {
        ++leftOut_; // early: its place has a frame already
        return true;
    }
    bool taken = true;
    // The places a late frame missed show the frame before, as a player would.
    for (int i = place.repeats; i > 0 && lastFrame_; --i) {
        taken = encodeAt(place.slot - i, lastFrame_) && taken;
        ++repeated_;
    }
    taken = encodeAt(place.slot, frame) && taken;
    lastFrame_ = std::move(frame);
    watch(seconds);
    return taken && !stopped_;
}

bool SplitRecorder::encodeAt(std::int64_t slot, const FramePtr& frame) {
    if (stopped_) return false;
    if (!file_ || slot >= nextSplit_ || splitAsked_) {
        if (!startFile(slot)) return false;
    }
    cueFor(slot);
    if (!session_->compressFrameAt(frame, grid_.timeOf(slot), 0, keyPending_)) return false;
    ++given_;
    // A refused key frame is asked for again with the next frame.
    keyPending_ = false;
    return true;
}

bool SplitRecorder::startFile(std::int64_t slot) {
    splitAsked_ = false;
    const QDateTime utc = utcAt(slot);
    std::shared_ptr<MovieFileSink> next;
    QString path;
    int err = AVERROR(EEXIST);
    for (int attempt = 0; !next && err == AVERROR(EEXIST) && attempt < kMaxAttempts; ++attempt) {
        path = namer_(utc, attempt);
        if (path.isEmpty()) break;
        next = MovieFileSink::create(path, true, &err);
    }
    if (!next) {
        if (err == AVERROR(EEXIST))
            qWarning("No free name for a recording that starts at %s", qPrintable(utc.toString(Qt::ISODate)));
        stop({RecordingEvent::Kind::Stopped, StopReason::WriteFailed, err == AVERROR(EEXIST) ? AVERROR(EIO) : err});
        return false;
    }
    next->setTimeOrigin(grid_.timeOf(slot));
    next->setCreationTime(utc);
    next->enableCues();
    next->setFailureHandler([this](int error) {
        stop({RecordingEvent::Kind::Stopped, StopReason::WriteFailed, error});
    });
    auto watch = std::make_unique<RecordingWatch>(next->fd(), QFile::encodeName(QFileInfo(path).absoluteFilePath()));
    if (freeSpace_) watch->setFreeSpace(freeSpace_);
    if (limits_) watch->setLimits(*limits_);
    // The file before keeps every packet up to this frame's.
    if (const int e = session_->attachAt(next, grid_.timeOf(slot), file_.get()); e != 0) {
        stop({RecordingEvent::Kind::Stopped, StopReason::WriteFailed, e});
        return false;
    }
    if (file_) earlier_.push_back(std::move(file_));
    // Files the session has closed are counted and let go.
    std::erase_if(earlier_, [this](const std::shared_ptr<MovieFileSink>& f) {
        if (!f->closed()) return false;
        writtenEarlier_ += f->framesWritten();
        return true;
    });
    file_ = std::move(next);
    watch_ = std::move(watch);
    path_ = path;
    fileUtc_ = utc;
    fileSlot_ = slot;
    nextSplit_ = (slot / splitSlots_ + 1) * splitSlots_;
    nextCue_ = 0;
    keyPending_ = true;
    ++files_;
    if (fileStarted_) fileStarted_(path, utc);
    return true;
}

void SplitRecorder::cueFor(std::int64_t slot) {
    const std::int64_t sinceStart = grid_.timeOf(slot - fileSlot_);
    const std::int64_t second = sinceStart / kTimeScale;
    if (second < nextCue_ || !cueText_) return;
    nextCue_ = second + 1;
    const std::int64_t start = grid_.timeOf(fileSlot_) + second * kTimeScale;
    file_->addCue(start, kTimeScale, cueText_(fileUtc_.addSecs(second)));
}

void SplitRecorder::watch(double seconds) {
    if (!watch_ || stopped_) return;
    const RecordingWatch::Verdict v = watch_->look(seconds, file_->wholeBytes());
    if (v.action == RecordingWatch::Verdict::Action::Warn) {
        if (handler_) handler_({RecordingEvent::Kind::LowSpace, StopReason::LowSpace, 0, v.freeBytes, v.secondsLeft});
    } else if (v.action == RecordingWatch::Verdict::Action::Stop) {
        if (v.reason == StopReason::LowSpace) {
            stop({RecordingEvent::Kind::Stopped, v.reason, 0, v.freeBytes, v.secondsLeft});
            return;
        }
        // Not one more byte into a file that is gone; the recording goes on in a new one.
        file_->halt(v.reason == StopReason::Deleted);
        watch_.reset();
        splitAsked_ = true;
        if (handler_) handler_({RecordingEvent::Kind::FileGone, v.reason, 0, 0, -1});
    }
}

void SplitRecorder::stop(const RecordingEvent& event) {
    {
        std::lock_guard lock(stopMutex_);
        if (stopEvent_) return;
        stopEvent_ = event;
        stopped_ = true;
    }
    if (handler_) handler_(event);
}

std::optional<RecordingEvent> SplitRecorder::stopEvent() const {
    std::lock_guard lock(stopMutex_);
    return stopEvent_;
}

QDateTime SplitRecorder::utcAt(std::int64_t slot) const {
    // Places are whole milliseconds at the usual rates; others round to one.
    return startUtc_.addMSecs(std::llround(double(grid_.timeOf(slot)) * 1000 / kTimeScale));
}

std::uint64_t SplitRecorder::currentBytes() const { return file_ ? file_->wholeBytes() : 0; }

double SplitRecorder::seconds() const {
    return grid_.last() < 0 ? 0.0 : double(grid_.timeOf(grid_.last() + 1)) / kTimeScale;
}

std::int64_t SplitRecorder::framesWritten() const {
    std::int64_t n = writtenEarlier_ + (file_ ? file_->framesWritten() : 0);
    for (const auto& f : earlier_) n += f->framesWritten();
    return n;
}

} // namespace tarnvik
