// The export and snapshot commands of the toolbar: recording a movie, live
// DV output, the network stream, the virtual camera, and saving what the
// render view shows.
#include "app/AppController.h"

#include "app/CompressionChoice.h"
#include "app/RecordingStatus.h"
#include "app/RecordingTexts.h"
#include "app/SurveyRecorder.h"
#include "render/CompositionScene.h"
#include "app/RenderView.h"
#include "app/Snapshot.h"
#include "app/StreamDialog.h"
#include "app/Toolbar.h"
#include "export/AvError.h"
#include "export/FrameLiveDVExporter.h"
#include "export/FrameMovieExporter.h"
#include "export/FrameReader.h"
#include "export/FrameStreamExporter.h"
#include "export/FrameVirtualCameraExporter.h"
#include "render/UserDefaults.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QStandardPaths>

#include <cerrno>
#include <cmath>

namespace tarnvik {

namespace {

// Sizes as unsigned pixel counts: negative ones give 0.
unsigned pixels(int n) { return n > 0 ? unsigned(n) : 0u; }

// Where the exporters read the rendered frames from.
GLFrameSource frameSource(CompositionScene* scene) {
    if (!scene) return {};
    return {[scene] { return scene->makeCurrent(); }, [scene] { return scene->framebufferId(); }};
}

QString runSavePanel(QWidget* parent, const QString& proposed) {
    QFileDialog panel(parent, QStringLiteral("Export Movie"), proposed, QStringLiteral("QuickTime movie (*.mov)"));
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setDefaultSuffix(QStringLiteral("mov"));
    panel.selectFile(proposed);
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty()) return QString();
    return panel.selectedFiles().constFirst();
}

// Keeps the warnings logged while it lives (and still logs them), so that a
// failure whose reason only the log has can be told in the window too.
class WarningsKept {
public:
    WarningsKept() { previous_ = qInstallMessageHandler(&WarningsKept::handle); current_ = this; }
    ~WarningsKept() {
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }
    WarningsKept(const WarningsKept&) = delete;
    WarningsKept& operator=(const WarningsKept&) = delete;
    // The last warning, or the fallback when there was none.
    QString last(const QString& fallback) const { return lines_.isEmpty() ? fallback : lines_.constLast(); }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (current_ && type != QtDebugMsg && type != QtInfoMsg) current_->lines_.append(text);
        if (current_ && current_->previous_) current_->previous_(type, context, text);
    }
    static inline WarningsKept* current_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    QStringList lines_;
};

} // namespace

QString AppController::desktopFolder() const {
    if (!options_.desktopFolder.isEmpty()) return options_.desktopFolder;
    // The user's own Desktop where the desktop names another (XDG user dirs).
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

void AppController::endExport() {
    finishMovie();
    liveDV_.reset();
    stream_.reset();
    virtualCamera_.reset();
    // The survey recording reads the frames too.
    if (!recorder_ || !recorder_->recording()) reader_.reset();
    exportSize_ = QSize();
}

void AppController::exportFailed(const QString& why) {
    exportMenu_->setCurrentIndex(exportMenu_->findData(kNoExport));
    ++alerts_;
    QApplication::beep();
    if (!why.isEmpty()) notices_.post(why, NoticeLevel::Alert);
}

void AppController::renewReader() {
    if (!reader_) return;
    reader_ =
        FrameReader::create(frameSource(scene_.get()), pixels(renderSize_.width()), pixels(renderSize_.height()), true);
    if (!reader_) qWarning("The outputs get no frames: the rendered frames cannot be read at the new size");
}

void AppController::startStream(const StreamSettings& settings) {
    std::string why;
    stream_ = FrameStreamExporter::create(settings, &why);
    if (stream_) {
        reader_ = FrameReader::create(frameSource(scene_.get()), pixels(renderSize_.width()),
                                      pixels(renderSize_.height()), true);
        if (!reader_) why = "the rendered frames cannot be read";
    }
    if (stream_ && reader_) {
        qInfo("Network stream to %s started", settings.url.c_str());
        return;
    }
    stream_.reset();
    reader_.reset();
    exportFailed(QStringLiteral("The network stream to \"%1\" could not start: %2.")
                     .arg(QString::fromStdString(settings.url), QString::fromStdString(why)));
}

std::vector<LoopbackDevice> AppController::loopbackDevices() const {
    return options_.loopbackDevices ? options_.loopbackDevices() : findLoopbackDevices();
}

void AppController::startVirtualCamera() {
    const std::vector<LoopbackDevice> devices = loopbackDevices();
    if (devices.empty()) {
        exportFailed(QStringLiteral("There is no virtual camera device. Load the v4l2loopback module (sudo modprobe "
                                    "v4l2loopback exclusive_caps=1) and start Tarnvik again."));
        return;
    }
    std::string why;
    virtualCamera_ = FrameVirtualCameraExporter::create(devices.front().path, pixels(renderSize_.width()),
                                                        pixels(renderSize_.height()), &why);
    if (virtualCamera_) {
        reader_ = FrameReader::create(frameSource(scene_.get()), pixels(renderSize_.width()),
                                      pixels(renderSize_.height()), true);
        if (!reader_) why = "the rendered frames cannot be read";
    }
    if (virtualCamera_ && reader_) return;
    virtualCamera_.reset();
    reader_.reset();
    exportFailed(QStringLiteral("The virtual camera could not start: %1.").arg(QString::fromStdString(why)));
}

void AppController::startChosenOutputs() {
    bool started = true;
    if (!options_.streamUrl.isEmpty()) {
        exportMenu_->setCurrentIndex(exportMenu_->findData(kStreamExport));
        StreamSettings s = storedStreamSettings(*defaults_);
        s.url = options_.streamUrl.toStdString();
        startStream(s);
        started = stream_ != nullptr;
    } else if (options_.virtualCamera) {
        exportMenu_->setCurrentIndex(exportMenu_->findData(kVirtualCameraExport));
        startVirtualCamera();
        started = virtualCamera_ != nullptr;
    }
    // Asked for on the command line and not running: a headless run has nothing to do.
    if (!started && options_.frames > 0)
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
}

void AppController::finishMovie() {
    if (!movie_) return;
    // News still on its way is about a movie that ends here.
    ++movieSerial_;
    // Its last frames are encoded and written, unless it stopped on its own.
    const double seconds = movie_->finish();
    const std::optional<RecordingEvent> stopped = movie_->stopEvent();
    const QString path = movie_->path();
    movie_.reset();
    movieData_.closeCsv();
    if (stopped) notices_.post(stopText(*stopped, path, seconds), NoticeLevel::Alert);
}

void AppController::movieEvent(std::uint64_t serial, const RecordingEvent& event) {
    if (serial != movieSerial_ || !movie_) return;
    if (event.kind == RecordingEvent::Kind::LowSpace) {
        notices_.post(lowSpaceText(event), NoticeLevel::Warning);
        return;
    }
    endExport();
    exportMenu_->setCurrentIndex(kNoExport);
}

void AppController::updateExport() {
    QSize size = renderSize_;
    double frameRate = 25.0;
    endExport();
    QString why; // empty when the choice was cancelled
    const int choice = exportMenu_->currentData().toInt();
    if (choice == kMovieExport) {
        const QString proposed = desktopFolder() + QStringLiteral("/Export Movie.mov");
        const QString path = savePanel_ ? savePanel_(proposed) : runSavePanel(mainWindow_.get(), proposed);
        std::uint32_t codec = 0;
        CompressionOptionsPtr options;
        if (!path.isEmpty())
            options = userCompressionOptions(&codec, &frameRate, QStringLiteral("CompressionDialogSettings"),
                                             defaults_.get(), mainWindow_.get(), runDialog_);
        if (options)
            reader_ = FrameReader::create(frameSource(scene_.get()), pixels(size.width()), pixels(size.height()), true);
        if (reader_) {
            WarningsKept log;
            movie_ = FrameMovieExporter::create(path, codec, pixels(size.width()), pixels(size.height()), options);
            if (!movie_) {
                reader_.reset();
                why = QStringLiteral("The movie \"%1\" could not be recorded: %2")
                          .arg(QDir::toNativeSeparators(path), log.last(QStringLiteral("see the log")));
            }
        } else if (options) {
            why = QStringLiteral("The movie could not be recorded: the rendered frames cannot be read.");
        }
        if (movie_) {
            // Often on the encoder's thread: the news goes through the event loop.
            movie_->setEventHandler([this, serial = ++movieSerial_](const RecordingEvent& e) {
                QMetaObject::invokeMethod(this, [this, serial, e] { movieEvent(serial, e); }, Qt::QueuedConnection);
            });
            // The navigation data inside the movie and beside it.
            movie_->setCueText([this](const QDateTime& utc) { return movieData_.cueText(utc); });
            if (!movieData_.openCsv(path))
                qWarning("Cannot write \"%s\": %s", qUtf8Printable(csvPathFor(path)),
                         qUtf8Printable(movieData_.csvError()));
            if (movieSetUp_) movieSetUp_(*movie_);
        }
    } else if (choice == kLiveDVExport) {
        // The view takes the format's size before anything reads it.
        size = FrameLiveDVExporter::sizeForFormat(1).toSize();
        if (setRenderSize(size))
            reader_ = FrameReader::create(frameSource(scene_.get()), pixels(size.width()), pixels(size.height()), true);
        if (reader_) {
            WarningsKept log;
            liveDV_ = FrameLiveDVExporter::create(1, false, false, videoOutputCandidates(options_.dvOut.toStdString()));
            if (liveDV_) frameRate = FrameLiveDVExporter::framerateForFormat(1);
            else reader_.reset();
            if (!liveDV_)
                why = QStringLiteral("Live DV could not start: %1")
                          .arg(log.last(QStringLiteral("no FireWire DV device or DV stream takes it")));
        } else {
            why = QStringLiteral("Live DV could not start: the rendered frames cannot be read at 720×576.");
        }
    }
    if (choice == kMovieExport || choice == kLiveDVExport) {
        // An empty why: the choice was cancelled.
        if (movie_ || liveDV_) exportSize_ = size;
        else exportFailed(why);
    } else if (choice == kStreamExport) {
        if (const auto settings = userStreamSettings(defaults_.get(), mainWindow_.get(), runStreamDialog_))
            startStream(*settings);
        else exportFailed({}); // cancelled
    } else if (choice == kVirtualCameraExport) {
        startVirtualCamera();
    }
    // Restarts the time base: a recording starts at 0.
    setTimerFramerate(frameRate);
}

void AppController::exportRenderedFrame(double time) {
    // The reader answers one tick late; its first answer is empty.
    FramePtr frame = readRenderedFrame();
    if (!frame) return;
    recordRenderedFrame(frame, time);
    if (movie_) movie_->exportFrame(std::move(frame), time);
    else if (liveDV_) liveDV_->exportFrame(std::move(frame));
    else if (stream_) stream_->exportFrame(std::move(frame), time);
    else if (virtualCamera_) virtualCamera_->exportFrame(std::move(frame));
}

bool AppController::screenShoot() {
    const QDateTime now = QDateTime::currentDateTime();
    auto rendered = [this] { return scene_ ? scene_->image() : QImage(); };
    // The screen holds the picture at the render size only where it is shown pixel for pixel.
    const QRect shown = renderView_->pictureRect();
    const bool saved = shown.size() == renderSize_ ? saveSnapshot(renderView_, shown, rendered, now, desktopFolder())
                                                   : saveFrameSnapshot(rendered(), now, desktopFolder());
    // Said where the recording's state is shown, so the user finds the file.
    const QString file = QDir::toNativeSeparators(QDir(desktopFolder()).filePath(snapshotFileName(now) + ".png"));
    if (recordingStatus_)
        recordingStatus_->showMessage(saved ? QStringLiteral("Snapshot saved to \"%1\"").arg(file)
                                            : QStringLiteral("The snapshot could not be saved"));
    return saved;
}

} // namespace tarnvik
