// The survey recording's commands: the Record toggle (F9), the recording
// settings, the status line, and the frames read once for the recording
// and any export.
#include "app/AppController.h"

#include "app/RecordingSettingsDialog.h"
#include "app/RecordingStatus.h"
#include "app/RecordingTexts.h"
#include "app/SurveyRecorder.h"
#include "export/FrameReader.h"
#include "render/CompositionScene.h"
#include "render/LayerStack.h"
#include "render/UserDefaults.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace tarnvik {

namespace {

QString infoBoxText(const LayerStack& layers, const char* key) {
    return layers.values(false).value(QStringLiteral("InfoBox")).toMap().value(QLatin1String(key)).toString();
}

} // namespace

void AppController::buildRecordingControls() {
    recorder_ = new SurveyRecorder(this);
    // The files are dated on the clock the values shown are.
    recorder_->setUtcClock([this] { return utcClock_(); });
    recorder_->setNameFields([this] {
        return SurveyRecorder::NameFields{infoBoxText(*layers_, "Vessel"), infoBoxText(*layers_, "Job")};
    });
    connect(recorder_, &SurveyRecorder::recordingEvent, this, &AppController::recordingEvent);
    connect(recorder_, &SurveyRecorder::fileStarted, this, [this] { updateRecordingStatus(); });
    connect(recorder_, &SurveyRecorder::stopped, this, [this] {
        if (recordAction_) recordAction_->setChecked(false);
        updateRecordingStatus();
    });
    connect(this, &AppController::valuesShown, this, [this](const ShownValues& v) {
        recorder_->setValues(v);
        movieData_.setValues(v);
        updateRecordingStatus();
    });

    recordAction_ = new QAction(QStringLiteral("Record"), mainWindow_.get());
    recordAction_->setObjectName(QStringLiteral("recordAction"));
    recordAction_->setCheckable(true);
    recordAction_->setShortcut(QKeySequence(Qt::Key_F9));
    recordAction_->setToolTip(QStringLiteral("Record the survey video with its navigation data (F9)"));
    connect(recordAction_, &QAction::triggered, this, [this](bool on) { setRecording(on); });
    recordingSettingsAction_ = new QAction(QStringLiteral("Recording Settings…"), mainWindow_.get());
    connect(recordingSettingsAction_, &QAction::triggered, this, [this] { editRecordingSettings(); });
    QMenu* menu = mainWindow_->menuBar()->addMenu(QStringLiteral("&Recording"));
    menu->addAction(recordAction_);
    menu->addAction(recordingSettingsAction_);

    if (auto* bar = mainWindow_->findChild<QToolBar*>(QStringLiteral("mainToolbar"))) {
        bar->addAction(recordAction_);
        // Plain to see from across the room while it records.
        if (QWidget* button = bar->widgetForAction(recordAction_))
            button->setStyleSheet(QStringLiteral("QToolButton:checked { color: #d01010; font-weight: bold; }"));
    }
    // In the status line from the start, one line high: the view keeps its size.
    recordingStatus_ = new RecordingStatus;
    mainWindow_->statusBar()->setSizeGripEnabled(false);
    mainWindow_->statusBar()->addPermanentWidget(recordingStatus_, 1);
}

bool AppController::setRecording(bool on) {
    if (!recorder_) return false;
    if (!on) {
        recorder_->stop();
        // The reader is the exports' again.
        if (!movie_ && !liveDV_ && !stream_ && !virtualCamera_) reader_.reset();
        return true;
    }
    if (recorder_->recording()) return true;
    RecordingSettings settings = defaults_ ? RecordingSettings::load(*defaults_) : RecordingSettings();
    if (!options_.recordFolder.isEmpty()) settings.folder = options_.recordFolder;
    if (options_.splitSeconds > 0) settings.splitSeconds = options_.splitSeconds;
    QString error;
    const bool started = codecAvailable(settings.compression.codec) && recorder_->start(settings, &error);
    if (!started) {
        if (error.isEmpty())
            error = QStringLiteral("Cannot record: this computer has no encoder for the codec chosen.");
        notices_.post(error, NoticeLevel::Alert);
        ++alerts_;
    }
    recordAction_->setChecked(started);
    updateRecordingStatus();
    return started;
}

bool AppController::editRecordingSettings() {
    if (!defaults_) return false;
    RecordingSettingsDialog dialog(mainWindow_.get());
    dialog.setSettings(RecordingSettings::load(*defaults_));
    dialog.setNameFields(infoBoxText(*layers_, "Vessel"), infoBoxText(*layers_, "Job"));
    if (runDialog_) dialog.setCompressionRunner(runDialog_);
    const int result =
        runRecordingSettings_ ? runRecordingSettings_(dialog) : (dialog.exec() == QDialog::Accepted ? 0 : 1);
    if (result != 0) return false;
    dialog.settings().store(*defaults_);
    defaults_->synchronize(); // kept even if the program does not end cleanly
    return true;
}

FramePtr AppController::readRenderedFrame() {
    const bool recording = recorder_ && recorder_->recording();
    // The recording reads at the render size, as every export does.
    if (recording && scene_) {
        const QSize size = scene_->size();
        if (!reader_ || reader_->pool()->width() != unsigned(size.width()) ||
            reader_->pool()->height() != unsigned(size.height())) {
            GLFrameSource source{[scene = scene_.get()] { return scene->makeCurrent(); },
                                 [scene = scene_.get()] { return scene->framebufferId(); }};
            reader_ = FrameReader::create(source, unsigned(size.width()), unsigned(size.height()), true);
        }
    }
    return reader_ ? reader_->readFrame() : nullptr;
}

void AppController::recordRenderedFrame(const FramePtr& frame, double time) {
    // On the clock itself, which an export's choice does not restart.
    if (recorder_ && recorder_->recording()) recorder_->recordFrame(frame, startTime_ + time);
}

void AppController::recordingEvent(const RecordingEvent& event, const QString& path, double seconds) {
    const QString file = QDir::toNativeSeparators(path);
    switch (event.kind) {
    case RecordingEvent::Kind::LowSpace:
        notices_.post(lowSpaceText(event), NoticeLevel::Warning);
        recordingStatus_->showMessage(lowSpaceText(event));
        break;
    case RecordingEvent::Kind::FileGone:
        notices_.post(
            event.reason == StopReason::Deleted
                ? QStringLiteral("The recording's file \"%1\" was deleted; recording goes on in a new file.").arg(file)
                : QStringLiteral("\"%1\" is no longer the recording's file (it was moved or replaced, or its "
                                 "disk was unmounted); recording goes on in a new file.")
                      .arg(file),
            NoticeLevel::Warning);
        break;
    case RecordingEvent::Kind::Stopped: {
        QString text = stopReasonText(event, path) +
                       QStringLiteral(" %1 seconds were recorded").arg(QString::number(seconds, 'f', 1));
        text += path.isEmpty() ? QStringLiteral(".") : QStringLiteral("; the last file is \"%1\".").arg(file);
        notices_.post(text, NoticeLevel::Alert);
        recordAction_->setChecked(false);
        ++alerts_;
        break;
    }
    }
    updateRecordingStatus();
}

void AppController::updateRecordingStatus() {
    if (!recordingStatus_) return;
    if (!recorder_->recording()) {
        recordingStatus_->showIdle();
        return;
    }
    recordingStatus_->showRecording(recorder_->seconds(), QFileInfo(recorder_->currentPath()).fileName(),
                                    recorder_->currentBytes(), recorder_->freeBytes());
}

} // namespace tarnvik
