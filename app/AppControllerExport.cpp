// The export and snapshot commands of the toolbar: recording a movie, live
// DV output, and saving what the render view shows.
#include "app/AppController.h"

#include "app/CompressionChoice.h"
#include "app/RecordingStatus.h"
#include "app/RecordingTexts.h"
#include "app/SurveyRecorder.h"
#include "render/CompositionScene.h"
#include "app/RenderView.h"
#include "app/Snapshot.h"
#include "export/AvError.h"
#include "export/FrameLiveDVExporter.h"
#include "export/FrameMovieExporter.h"
#include "export/FrameReader.h"

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

enum ExportChoice { kNoExport = 0, kMovieExport = 1, kLiveDVExport = 2 };

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

} // namespace

QString AppController::desktopFolder() const {
    if (!options_.desktopFolder.isEmpty()) return options_.desktopFolder;
    // The user's own Desktop where the desktop names another (XDG user dirs).
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

void AppController::endExport() {
    finishMovie();
    liveDV_.reset();
    // The survey recording reads the frames too.
    if (!recorder_ || !recorder_->recording()) reader_.reset();
    exportSize_ = QSize();
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
    QSize size = renderView_->size();
    double frameRate = 25.0;
    endExport();
    const int choice = exportMenu_->currentIndex();
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
            movie_ = FrameMovieExporter::create(path, codec, pixels(size.width()), pixels(size.height()), options);
            if (!movie_) reader_.reset();
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
        setRenderSize(size);
        reader_ = FrameReader::create(frameSource(scene_.get()), pixels(size.width()), pixels(size.height()), true);
        if (reader_) {
            liveDV_ = FrameLiveDVExporter::create(1, false, false, videoOutputCandidates(options_.dvOut.toStdString()));
            if (liveDV_) frameRate = FrameLiveDVExporter::framerateForFormat(1);
            else reader_.reset();
        }
    }
    if (choice == kMovieExport || choice == kLiveDVExport) {
        if (movie_ || liveDV_) {
            exportSize_ = size;
        } else {
            exportMenu_->setCurrentIndex(kNoExport);
            ++alerts_;
            QApplication::beep();
        }
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
}

bool AppController::screenShoot() {
    const QDateTime now = QDateTime::currentDateTime();
    const bool saved = saveSnapshot(
        renderView_, [this] { return scene_ ? scene_->image() : QImage(); }, now, desktopFolder());
    // Said where the recording's state is shown, so the user finds the file.
    const QString file = QDir::toNativeSeparators(QDir(desktopFolder()).filePath(snapshotFileName(now) + ".png"));
    if (recordingStatus_)
        recordingStatus_->showMessage(saved ? QStringLiteral("Snapshot saved to \"%1\"").arg(file)
                                            : QStringLiteral("The snapshot could not be saved"));
    return saved;
}

} // namespace tarnvik
