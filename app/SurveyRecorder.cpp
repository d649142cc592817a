#include "app/SurveyRecorder.h"

#include "export/CleanCopy.h"
#include "export/SplitRecorder.h"
#include "render/VideoTap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <mutex>

#include <sys/statvfs.h>

extern "C" {
#include <libavutil/error.h>
}

namespace tarnvik {

namespace {

// Follows the newest of the video layer's sources into the clean copy.
class CleanTap : public VideoTapListener {
public:
    explicit CleanTap(std::shared_ptr<CleanCopy> copy) : copy_(std::move(copy)) {}
    void streamOpened(const void* source, const AVStream* stream) override {
        std::lock_guard lock(mutex_);
        current_ = source;
        copy_->streamOpened(stream);
    }
    void packetRead(const void* source, const AVPacket* packet) override {
        if (isCurrent(source)) copy_->packetRead(packet);
    }
    void pictureDecoded(const void* source, const AVFrame* picture) override {
        if (isCurrent(source)) copy_->pictureDecoded(picture);
    }
    void streamClosed(const void* source) override {
        std::lock_guard lock(mutex_);
        if (source != current_) return;
        current_ = nullptr;
        copy_->streamClosed();
    }

private:
    bool isCurrent(const void* source) {
        std::lock_guard lock(mutex_);
        return source == current_;
    }
    std::shared_ptr<CleanCopy> copy_;
    std::mutex mutex_;
    const void* current_ = nullptr;
};

// "X.mov" → "X-clean.mov", "X-clean-2.mov", ...
QString cleanPath(const QString& moviePath, int attempt) {
    QString base = moviePath;
    if (base.endsWith(QLatin1String(".mov"))) base.chop(4);
    return base + QStringLiteral("-clean") + (attempt > 0 ? QStringLiteral("-%1").arg(attempt + 1) : QString()) +
           QStringLiteral(".mov");
}

} // namespace

SurveyRecorder::SurveyRecorder(QObject* parent)
    : QObject(parent), utcNow_([] { return QDateTime::currentDateTimeUtc(); }) {}

SurveyRecorder::~SurveyRecorder() { stop(); }

bool SurveyRecorder::start(const RecordingSettings& settings, QString* error) {
    stop();
    const QString folder = QDir::toNativeSeparators(settings.folder);
    if (!QDir().mkpath(settings.folder)) {
        if (error) *error = QStringLiteral("Cannot record: the folder \"%1\" cannot be made.").arg(folder);
        return false;
    }
    if (!QFileInfo(settings.folder).isWritable()) {
        if (error) *error = QStringLiteral("Cannot record: the folder \"%1\" cannot be written to.").arg(folder);
        return false;
    }
    settings_ = settings;
    settings_.folder = QFileInfo(settings.folder).absoluteFilePath();
    recording_ = true;
    ++serial_;
    secondsBefore_ = 0;
    files_ = 0;
    frames_ = dropped_ = repeated_ = leftOut_ = 0;
    CompressionOptions options = settings_.compression.options();
    // The camera's thread must not wait for the encoder either.
    options.allowAsynchronousCompletion = true;
    clean_ = std::make_shared<CleanCopy>(settings_.compression.codec, options);
    tap_ = std::make_shared<CleanTap>(clean_);
    VideoTap::shared().setListener(tap_);
    qInfo("Recording into \"%s\"", qUtf8Printable(folder));
    return true;
}

void SurveyRecorder::stop() {
    if (!recording_) return;
    recording_ = false;
    ++serial_; // news still on its way is about a recording that ends here
    endSegment();
    if (VideoTap::shared().listener() == tap_) VideoTap::shared().setListener(nullptr);
    tap_.reset();
    std::int64_t cleanFrames = 0;
    int cleanFiles = 0;
    if (clean_) {
        clean_->finish();
        cleanFrames = clean_->framesWritten();
        cleanFiles = clean_->files();
        clean_.reset();
    }
    data_.closeCsv();
    // Enough to tell the frames rendered from the frames in the files.
    qInfo("Recording stopped: %lld frames in %d files (%lld dropped, %lld repeated for late ticks, %lld left out as "
          "early), %.1f seconds; the clean picture: %lld frames in %d files",
          static_cast<long long>(frames_), files_, static_cast<long long>(dropped_), static_cast<long long>(repeated_),
          static_cast<long long>(leftOut_), secondsBefore_, static_cast<long long>(cleanFrames), cleanFiles);
    emit stopped();
}

void SurveyRecorder::recordFrame(const FramePtr& frame, double seconds) {
    if (!recording_ || !frame) return;
    if (split_ && (split_->settings().width != frame->width() || split_->settings().height != frame->height()))
        endSegment();
    if (!split_ && !beginSegment(*frame)) return;
    split_->recordFrame(frame, seconds);
}

bool SurveyRecorder::beginSegment(const Frame& frame) {
    SplitRecorder::Settings s;
    s.codec = settings_.compression.codec;
    s.options = settings_.compression.options();
    // The render tick must never wait for the encoder.
    s.options.allowAsynchronousCompletion = encodeOnWorker_;
    s.frameRate = settings_.compression.frameRate;
    s.splitSeconds = settings_.splitSeconds;
    s.width = frame.width();
    s.height = frame.height();
    split_ = SplitRecorder::create(s, [this](const QDateTime& utc, int attempt) { return moviePath(utc, attempt); });
    if (!split_) {
        // The encoder would not open at this size (logged).
        stop();
        emit recordingEvent({RecordingEvent::Kind::Stopped, StopReason::WriteFailed, AVERROR_ENCODER_NOT_FOUND},
                            QString(), 0);
        return false;
    }
    split_->setUtcClock(utcNow_);
    if (freeSpace_) split_->setFreeSpace(freeSpace_);
    split_->setCueText([this](const QDateTime& utc) { return data_.cueText(utc); });
    split_->setFileStarted([this](const QString& path, const QDateTime& utc) { fileBegun(path, utc); });
    // A write failure comes on the encoder's thread: the news goes through the event loop.
    split_->setEventHandler([this, serial = serial_](const RecordingEvent& e) {
        QMetaObject::invokeMethod(
            this, [this, serial, e] { eventArrived(serial, e); }, Qt::QueuedConnection);
    });
    return true;
}

void SurveyRecorder::endSegment() {
    if (!split_) return;
    split_->finish();
    secondsBefore_ += split_->seconds();
    frames_ += split_->framesWritten();
    dropped_ += split_->framesDropped();
    repeated_ += split_->framesRepeated();
    leftOut_ += split_->framesLeftOut();
    split_.reset();
}

QString SurveyRecorder::moviePath(const QDateTime& utc, int attempt) const {
    const NameFields fields = nameFields_ ? nameFields_() : NameFields{};
    const QString base =
        QDir(settings_.folder)
            .filePath(recordingBaseName(settings_.pattern, utc, fields.vessel, fields.job, settings_.camera));
    // A name whose CSV or clean copy is there already is taken too.
    for (int n = attempt;; ++n) {
        const QString path = base + (n > 0 ? QStringLiteral("-%1").arg(n + 1) : QString()) + QStringLiteral(".mov");
        if (!QFile::exists(csvPathFor(path)) && !QFile::exists(cleanPath(path, 0))) return path;
    }
}

void SurveyRecorder::fileBegun(const QString& path, const QDateTime& utc) {
    ++files_;
    qInfo("Recording to \"%s\"", qUtf8Printable(QDir::toNativeSeparators(path)));
    if (!data_.openCsv(path))
        qWarning("Cannot write \"%s\": %s", qUtf8Printable(csvPathFor(path)), qUtf8Printable(data_.csvError()));
    if (clean_) clean_->cutTo([path](int attempt) { return cleanPath(path, attempt); }, utc);
    emit fileStarted(path);
}

void SurveyRecorder::setValues(const ShownValues& values) { data_.setValues(values); }

void SurveyRecorder::eventArrived(std::uint64_t serial, const RecordingEvent& event) {
    if (serial != serial_ || !recording_) return;
    if (event.kind != RecordingEvent::Kind::Stopped) {
        emit recordingEvent(event, currentPath(), seconds());
        return;
    }
    const QString path = currentPath();
    stop();
    emit recordingEvent(event, path, secondsBefore_);
}

QString SurveyRecorder::currentPath() const { return split_ ? split_->currentPath() : QString(); }

std::uint64_t SurveyRecorder::currentBytes() const { return split_ ? split_->currentBytes() : 0; }

double SurveyRecorder::seconds() const { return secondsBefore_ + (split_ ? split_->seconds() : 0.0); }

std::optional<std::uint64_t> SurveyRecorder::freeBytes() const {
    struct statvfs s {};
    if (settings_.folder.isEmpty() || ::statvfs(QFile::encodeName(settings_.folder).constData(), &s) != 0)
        return std::nullopt;
    return std::uint64_t(s.f_bavail) * s.f_frsize;
}

} // namespace tarnvik
