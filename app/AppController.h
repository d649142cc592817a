// The hub of the application: the main window with its render view and
// toolbar, the parameter panel, the layer stack, the two timers and the
// decoder thread; start-up, the render loop, the render size and shut-down.
//
// The render size (the size of recordings, outputs and snapshots) is set
// only by the size fields, their menu of typical sizes and Live DV. The
// window shows the picture scaled to fit; typing a size resizes the window
// to show it pixel for pixel where the screen has room.
#pragma once

#include "app/Notices.h"
#include "app/RecordingData.h"
#include "export/LoopbackDevices.h"
#include "render/ShownValues.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;

class QComboBox;
class QLineEdit;
class QToolButton;
class QMainWindow;
class QRect;
class QScrollArea;
class QTimer;
class QWidget;

namespace tarnvik {

class CompressionDialog;
class CompositionRenderer;
class DecoderThread;
struct DecoderStop;
class CompositionScene;
class FrameLiveDVExporter;
class LayerStack;
class FrameMovieExporter;
class FrameReader;
class FrameStreamExporter;
class FrameVirtualCameraExporter;
class StreamDialog;
struct StreamSettings;
class Frame;
class RecordingSettingsDialog;
class RecordingStatus;
class SurveyRecorder;
class RenderParametersView;
class RenderView;
class UserDefaults;
struct RecordingEvent;

// Kept as "RenderSize" in the settings.
void storeRenderSize(UserDefaults& defaults, QSize size);

struct AppOptions {
    // Options of the decoder thread's "tolkar"; empty runs no decoder.
    QStringList decoderArguments{QStringLiteral("-u49000")};
    QString settingsPath;    // empty: the user's settings file
    QSize renderSize;        // invalid: the size kept in the settings, else 720×576
    int frames = 0;          // > 0: quit after that many rendered frames
    QString snapshotTo;      // with frames: write the last frame there as PNG
    QString dvOut;           // live DV goes to this file or pipe where no FireWire device takes it
    QString desktopFolder;   // empty: the user's Desktop (snapshots, the save panel's start)
    QString streamUrl;       // non-empty: the network stream starts at once, to this URL
    bool virtualCamera = false; // the virtual camera starts at once
    // Finds the loopback devices a virtual camera can write to; empty: those in /dev.
    LoopbackFinder loopbackDevices;
    // A composition's script running longer than this is stopped and its layer left out.
    std::chrono::milliseconds scriptLimit{3000};
    QString valuesTo;        // a CSV file that gets a row of what the layers were given at every info tick
    // Not empty: a survey recording into this folder starts at launch.
    QString recordFolder;
    // > 0: the survey recording's files are split after this many seconds,
    // whatever the recording settings say.
    double splitSeconds = 0;
};

class AppController : public QObject {
    Q_OBJECT
public:
    // Logs "init MyControler", starts the decoder thread and the info timer.
    explicit AppController(AppOptions options, QObject* parent = nullptr);
    ~AppController() override;

    // Window, toolbar, render context, panel, compositions, saved settings,
    // and rendering at 25 frames per second.
    void applicationDidFinishLaunching();
    // Stops rendering and saves the settings; false when they could not be written.
    bool applicationWillTerminate();

    void refreshInfo();
    void renderTick();
    void setTimerFramerate(double rate);
    // What the size fields do: a size OpenGL or the encoders cannot take is
    // refused with a notice saying why, and the fields show the render size
    // again. False then.
    bool setRenderSize(QSize size);
    QSize renderSize() const { return renderSize_; }
    // The clock of the render loop, seconds; tests give their own.
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }
    // The computer's UTC clock of the info tick (the "DateTime" layer's
    // fallback, the time of each row of values); tests give their own.
    void setUtcClock(std::function<QDateTime()> clock) { utcClock_ = std::move(clock); }
    // The movie's save panel: the chosen path, or empty when cancelled.
    void setSavePanel(std::function<QString(const QString& proposed)> panel) { savePanel_ = std::move(panel); }
    // Runs the compression dialog: 0 accepted, 1 cancelled. Empty: modal.
    void setCompressionDialogRunner(std::function<int(CompressionDialog&)> run) { runDialog_ = std::move(run); }
    // Runs on each new movie exporter before its first frame; tests give it
    // a full disk or a file that goes away.
    void setMovieSetUp(std::function<void(FrameMovieExporter&)> setUp) { movieSetUp_ = std::move(setUp); }
    // Runs the network stream's dialog: 0 accepted, 1 cancelled. Empty: modal.
    void setStreamDialogRunner(std::function<int(StreamDialog&)> run) { runStreamDialog_ = std::move(run); }

    // The export menu's action: ends any export, then starts the chosen one.
    void updateExport();
    // The snapshot command: the render view as on screen, to the Desktop.
    bool screenShoot();
    // The Record toggle (F9): starts or stops the survey recording, beside
    // any export. False when it could not start (the user is told).
    bool setRecording(bool on);
    // The recording settings dialog; true when accepted, and then kept.
    bool editRecordingSettings();
    // Runs that dialog: 0 accepted, 1 cancelled. Empty: modal.
    void setRecordingSettingsRunner(std::function<int(RecordingSettingsDialog&)> run) {
        runRecordingSettings_ = std::move(run);
    }

    QMainWindow* mainWindow() const { return mainWindow_.get(); }
    RenderView* renderView() const { return renderView_; }
    QWidget* parametersPanel() const { return parametersPanel_.get(); }
    QLineEdit* widthField() const { return widthField_; }
    QLineEdit* heightField() const { return heightField_; }
    // The typical sizes beside the fields.
    QToolButton* sizeMenu() const { return sizeMenu_; }
    QComboBox* exportMenu() const { return exportMenu_; }
    QAction* snapshotAction() const { return snapshotAction_; }
    QAction* recordAction() const { return recordAction_; }
    QAction* recordingSettingsAction() const { return recordingSettingsAction_; }
    SurveyRecorder* recorder() const { return recorder_; }
    // In the status line: the recording's state, and where a snapshot went.
    RecordingStatus* recordingStatus() const { return recordingStatus_; }
    // File ▸ Quit: quits like closing the window.
    QAction* quitAction() const { return quitAction_; }
    RenderParametersView* settingsView() const { return settingsView_; }
    CompositionScene* scene() const { return scene_.get(); }
    // The six layers and their values; the panel is a view of them.
    LayerStack* layers() const { return layers_.get(); }
    QTimer* renderTimer() const { return renderTimer_; }
    // The layers the navigation feed writes to; null while not loaded.
    CompositionRenderer* renderPosition() const;
    CompositionRenderer* renderCompass() const;
    bool isResizing() const { return resizing_; }
    int framesRendered() const { return frames_; }
    // The time the last frame was rendered at, seconds since rendering started.
    double lastRenderTime() const { return lastTime_; }
    FrameMovieExporter* movieExporter() const { return movie_.get(); }
    FrameLiveDVExporter* liveDVExporter() const { return liveDV_.get(); }
    FrameStreamExporter* streamExporter() const { return stream_.get(); }
    FrameVirtualCameraExporter* virtualCameraExporter() const { return virtualCamera_.get(); }
    // Times the system alert sounded for a failed or cancelled export.
    int alerts() const { return alerts_; }
    // What the user is told: logged, and shown in the window unless headless.
    Notices& notices() { return notices_; }

signals:
    void frameRendered();
    // What the layers were given at an info tick, as data (--values-to, the
    // CSV and subtitles of recordings, events).
    void valuesShown(const tarnvik::ShownValues& values);
    // The render size has changed; the next frame rendered has the new size.
    // Outputs that can go on at another size (a split recording) start anew here.
    void renderSizeChanged(QSize size);

private:
    void startDecoder();
    // The decoder's run ended on its own: the user is told, and the program
    // quits where the stop asks for it.
    void decoderStopped(const DecoderStop& stop);
    void buildWindow();
    void reloadRenderers();
    // The panel fits its boxes again, keeping its top edge (was: geometry before).
    void fitPanel(const QRect& was);
    void clearView();
    // The render size at start: --size, else the kept one, else 720×576.
    QSize startSize();
    // OpenGL here may not take the size the program started with.
    void checkStartSize();
    void refuseSize(QSize size, const QString& why);
    void showSizeInFields();
    // The window shows the picture pixel for pixel, or as large as the screen allows.
    void fitWindowToPicture();
    void updateResolution(QLineEdit* sender);
    void endExport();
    // The choice could not start: the alert sounds and the menu goes back
    // to "No export"; why, when given, is posted.
    void exportFailed(const QString& why);
    void startStream(const StreamSettings& settings);
    void startVirtualCamera();
    std::vector<LoopbackDevice> loopbackDevices() const;
    // The output asked for on the command line; a headless run without it quits.
    void startChosenOutputs();
    // The outputs that go on across a change of render size read frames of the new one.
    void renewReader();
    void finishMovie();
    void movieEvent(std::uint64_t serial, const RecordingEvent& event);
    void exportRenderedFrame(double time);
    // The frame rendered last, read once for the export and the survey recording.
    std::shared_ptr<Frame> readRenderedFrame();
    void recordRenderedFrame(const std::shared_ptr<Frame>& frame, double time);
    void buildRecordingControls();
    void recordingEvent(const RecordingEvent& event, const QString& path, double seconds);
    void updateRecordingStatus();
    QString desktopFolder() const;
    void finishHeadless();

    AppOptions options_;
    Notices notices_;
    std::unique_ptr<DecoderThread> decoder_;
    std::function<double()> clock_;
    std::function<QDateTime()> utcClock_;
    ValuesCsvWriter valuesCsv_;     // --values-to
    QString gridErrorTold_;         // the grid's last refusal, told once
    std::unique_ptr<UserDefaults> defaults_;
    std::unique_ptr<QMainWindow> mainWindow_;
    std::unique_ptr<QWidget> parametersPanel_;
    RenderView* renderView_ = nullptr;  // owned by the window
    QLineEdit* widthField_ = nullptr;
    QLineEdit* heightField_ = nullptr;
    QToolButton* sizeMenu_ = nullptr;
    QComboBox* exportMenu_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    RenderParametersView* settingsView_ = nullptr; // owned by the panel; a view of layers_
    std::unique_ptr<CompositionScene> scene_;
    std::unique_ptr<LayerStack> layers_; // its renderers draw into scene_
    QTimer* timer_ = nullptr;       // info timer
    QTimer* renderTimer_ = nullptr; // null while stopped
    double startTime_ = 0;
    QSize renderSize_;
    bool resizing_ = false;
    int frames_ = 0;
    double lastTime_ = 0;

    QAction* snapshotAction_ = nullptr;
    QAction* quitAction_ = nullptr;
    std::function<QString(const QString&)> savePanel_;
    std::function<int(CompressionDialog&)> runDialog_;
    // The export in progress: the reader and one of the exporters.
    std::unique_ptr<FrameReader> reader_;
    std::unique_ptr<FrameMovieExporter> movie_;
    std::unique_ptr<FrameLiveDVExporter> liveDV_;
    std::unique_ptr<FrameStreamExporter> stream_;
    std::unique_ptr<FrameVirtualCameraExporter> virtualCamera_;
    std::function<int(StreamDialog&)> runStreamDialog_;
    std::function<void(FrameMovieExporter&)> movieSetUp_;
    std::uint64_t movieSerial_ = 0; // which movie news from the encoder's thread is about
    QSize exportSize_;              // the size a movie or live DV needs its frames in; invalid for others
    int alerts_ = 0;

    SurveyRecorder* recorder_ = nullptr; // a child of this object
    QAction* recordAction_ = nullptr;
    QAction* recordingSettingsAction_ = nullptr;
    RecordingStatus* recordingStatus_ = nullptr; // owned by the status line
    std::function<int(RecordingSettingsDialog&)> runRecordingSettings_;
    RecordingData movieData_; // the navigation data of the movie export
};

} // namespace tarnvik
