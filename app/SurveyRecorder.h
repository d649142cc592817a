// The survey recording of the window: what the view shows, in files split
// at the recording settings' interval and named by their UTC start, each
// with the navigation data inside (a cue a second) and beside (a CSV of the
// values shown), and the camera's clean picture beside it when the "Video"
// layer has a source. It runs beside whatever the export menu does.
#pragma once

#include "app/RecordingData.h"
#include "app/RecordingSettings.h"
#include "export/Frame.h"
#include "export/RecordingWatch.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tarnvik {

class CleanCopy;
class SplitRecorder;
class VideoTapListener;

class SurveyRecorder : public QObject {
    Q_OBJECT
public:
    // The "InfoBox" layer's texts that name the files.
    struct NameFields {
        QString vessel;
        QString job;
    };

    explicit SurveyRecorder(QObject* parent = nullptr);
    // Stops.
    ~SurveyRecorder() override;

    void setNameFields(std::function<NameFields()> fields) { nameFields_ = std::move(fields); }
    // Seams for tests: the UTC clock that dates the files, and the disk.
    void setUtcClock(std::function<QDateTime()> clock) { utcNow_ = std::move(clock); }
    void setFreeSpace(RecordingWatch::FreeSpace freeSpace) { freeSpace_ = std::move(freeSpace); }
    // Off: the overlaid picture is encoded on the thread that records, so
    // that a test loses no frame on a slow machine. On by default.
    void setEncodeOnWorker(bool worker) { encodeOnWorker_ = worker; }

    // Starts recording with these settings: the files are made from the
    // next frame on. False, with why in *error, when the folder cannot be
    // made or written.
    bool start(const RecordingSettings& settings, QString* error);
    // Finishes every file and logs what was recorded.
    void stop();
    bool recording() const { return recording_; }
    const RecordingSettings& settings() const { return settings_; }

    // seconds: on a clock that is not restarted. A frame of another size
    // than the last begins a new file.
    void recordFrame(const FramePtr& frame, double seconds);
    // The values the overlay shows now: the cues and CSV rows to come.
    void setValues(const ShownValues& values);

    // The file being written, and how far it has got.
    QString currentPath() const;
    std::uint64_t currentBytes() const;
    // Seconds recorded since start.
    double seconds() const;
    // Free space on the folder's disk; empty when not known.
    std::optional<std::uint64_t> freeBytes() const;
    // Overlaid files begun since start.
    int files() const { return files_; }
    // The clean copy, while recording.
    CleanCopy* cleanCopy() const { return clean_.get(); }

signals:
    void fileStarted(const QString& path);
    // LowSpace or FileGone: the recording goes on. Stopped: it has stopped,
    // its files finished; path and seconds say what the last file kept.
    void recordingEvent(const tarnvik::RecordingEvent& event, const QString& path, double seconds);
    void stopped();

private:
    bool beginSegment(const Frame& frame);
    void endSegment();
    QString moviePath(const QDateTime& utc, int attempt) const;
    void fileBegun(const QString& path, const QDateTime& utc);
    void eventArrived(std::uint64_t serial, const RecordingEvent& event);

    RecordingSettings settings_;
    std::function<NameFields()> nameFields_;
    std::function<QDateTime()> utcNow_;
    RecordingWatch::FreeSpace freeSpace_;
    bool encodeOnWorker_ = true;
    bool recording_ = false;
    std::unique_ptr<SplitRecorder> split_;
    std::shared_ptr<CleanCopy> clean_;
    std::shared_ptr<VideoTapListener> tap_;
    RecordingData data_;
    std::uint64_t serial_ = 0; // which recording news from the encoder's thread is about
    double secondsBefore_ = 0; // in segments before the current one
    int files_ = 0;
    std::int64_t frames_ = 0, dropped_ = 0, repeated_ = 0, leftOut_ = 0;
};

} // namespace tarnvik
