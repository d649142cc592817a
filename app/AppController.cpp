#include "app/AppController.h"

#include "app/DecoderThread.h"
#include "app/RenderView.h"
#include "app/Toolbar.h"
#include "export/FrameLiveDVExporter.h"
#include "export/FrameMovieExporter.h"
#include "export/FrameReader.h"
#include "export/FrameStreamExporter.h"
#include "export/FrameVirtualCameraExporter.h"
#include "params/RenderParametersView.h"
#include "render/CompositionScene.h"
#include "render/LayerStack.h"
#include "render/NavigationFeed.h"
#include "render/RenderSize.h"
#include "render/SettingsCheck.h"
#include "render/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QImage>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QtDebug>

#include <algorithm>
#include <cmath>

namespace tarnvik {

namespace {

// Closing the main window quits the program.
class MainWindow : public QMainWindow {
protected:
    void closeEvent(QCloseEvent* e) override {
        e->accept();
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
};

double wallSeconds() { return QDateTime::currentMSecsSinceEpoch() / 1000.0; }

} // namespace

AppController::AppController(AppOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), clock_(wallSeconds), utcClock_(QDateTime::currentDateTimeUtc),
      layers_(std::make_unique<LayerStack>()) {
    qInfo("init MyControler");
    // However the program is asked to quit, the settings are saved.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { applicationWillTerminate(); });
    startDecoder();
    timer_ = new QTimer(this);
    timer_->setInterval(300);
    connect(timer_, &QTimer::timeout, this, &AppController::refreshInfo);
    timer_->start();
}

AppController::~AppController() {
    // The decoder's news goes to this object: the run stops first.
    decoder_.reset();
    // The reader reads from the scene: the recording and the export go first.
    setRecording(false);
    endExport();
    delete renderTimer_;
    renderTimer_ = nullptr;
    // The forms point at the renderers, the renderers at the scene: panel first.
    parametersPanel_.reset();
    layers_.reset();
    mainWindow_.reset();
    scene_.reset();
}

void AppController::startDecoder() {
    if (options_.decoderArguments.isEmpty()) return;
    decoder_ = DecoderThread::start(options_.decoderArguments, this,
                                    [this](const DecoderStop& stop) { decoderStopped(stop); });
    if (!decoder_) qWarning("The decoder runs already; no second one is started");
}

void AppController::decoderStopped(const DecoderStop& stop) {
    notices_.post(stop.text(), stop.level());
    if (stop.quits(options_.frames > 0)) QCoreApplication::exit(stop.status);
}

void AppController::buildWindow() {
    mainWindow_ = std::make_unique<MainWindow>();
    mainWindow_->setWindowTitle(QStringLiteral("Tarnvik"));
    renderView_ = new RenderView;
    mainWindow_->setCentralWidget(renderView_);
    snapshotAction_ = new QAction(QStringLiteral("Save Snapshot"), mainWindow_.get());
    snapshotAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    snapshotAction_->setToolTip(QStringLiteral("Save the picture as shown to the Desktop"));
    connect(snapshotAction_, &QAction::triggered, this, [this] { screenShoot(); });
    QMenu* file = mainWindow_->menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(snapshotAction_);
    file->addSeparator();
    quitAction_ = file->addAction(QStringLiteral("Quit"));
    quitAction_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    quitAction_->setMenuRole(QAction::QuitRole);
    connect(quitAction_, &QAction::triggered, this,
            [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); });
    Toolbar bar = makeToolbar(mainWindow_.get(), snapshotAction_, !loopbackDevices().empty());
    widthField_ = bar.widthField;
    heightField_ = bar.heightField;
    sizeMenu_ = bar.sizeMenu;
    exportMenu_ = bar.exportMenu;
    buildRecordingControls();
    mainWindow_->setMinimumSize(320, 240);
    // Headless runs (--frames) only log: nobody is there to click.
    if (options_.frames == 0) notices_.attach(mainWindow_.get(), renderView_);
    connect(widthField_, &QLineEdit::editingFinished, this, [this] { updateResolution(widthField_); });
    connect(heightField_, &QLineEdit::editingFinished, this, [this] { updateResolution(heightField_); });
    connect(sizeMenu_->menu(), &QMenu::triggered, this, [this](QAction* a) { setRenderSize(a->data().toSize()); });
    connect(exportMenu_, &QComboBox::activated, this, &AppController::updateExport);

    parametersPanel_ = std::make_unique<QWidget>(nullptr, Qt::Tool);
    parametersPanel_->setWindowTitle(QStringLiteral("Parameters"));
    auto* layout = new QVBoxLayout(parametersPanel_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea;
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(scroll_);
}

void AppController::applicationDidFinishLaunching() {
    defaults_ = std::make_unique<UserDefaults>(options_.settingsPath.isEmpty() ? UserDefaults::standardPath()
                                                                               : options_.settingsPath);
    buildWindow();
    if (!options_.valuesTo.isEmpty() && !valuesCsv_.open(options_.valuesTo))
        notices_.post(QStringLiteral("Cannot write the values shown to \"%1\": %2")
                          .arg(options_.valuesTo, valuesCsv_.error()),
                      NoticeLevel::Alert);
    // Digits only; what the size may be is checked when it is given.
    for (QLineEdit* f : {widthField_, heightField_})
        f->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,5}")), f));
    renderView_->setMinimumSize(16, 16);
    renderSize_ = startSize();
    renderView_->setPictureSize(renderSize_);
    mainWindow_->resize(renderSize_.boundedTo(QSize(640, 480)));
    mainWindow_->show();
    fitWindowToPicture();
    showSizeInFields();
    mainWindow_->raise();
    mainWindow_->activateWindow();

    scene_ = CompositionScene::create(renderSize_);
    if (!scene_) qWarning("No OpenGL rendering: the view stays empty");
    if (scene_) {
        scene_->setScriptLimit(options_.scriptLimit);
        scene_->setReporter([this](const QString& text) { notices_.post(text, NoticeLevel::Warning); });
        checkStartSize();
    }
    clearView();

    settingsView_ = new RenderParametersView(*layers_);
    scroll_->setWidget(settingsView_);
    scroll_->setWidgetResizable(false);
    // Beside the window, on the screen even where the window takes its width.
    int panelX = mainWindow_->frameGeometry().right() + 12;
    if (QScreen* s = mainWindow_->screen()) panelX = std::min(panelX, s->availableGeometry().right() + 1 - 360);
    parametersPanel_->setGeometry(panelX, mainWindow_->geometry().top(), 360, 720);
    reloadRenderers();
    // A file set aside or values reset: the user is told, never only the log.
    for (const SettingsNotice& n : restoreSettings(*layers_, *defaults_))
        notices_.post(n.text, n.alert ? NoticeLevel::Alert : NoticeLevel::Warning);
    parametersPanel_->show();
    setTimerFramerate(25.0);
    startChosenOutputs();
    if (!options_.recordFolder.isEmpty()) setRecording(true);
}

bool AppController::applicationWillTerminate() {
    setTimerFramerate(0);
    setRecording(false); // every file finished
    endExport();         // a movie being recorded is finished
    if (!defaults_ || !settingsView_) return true;
    // A composition that could not be loaded this time keeps what was stored for it: the stack holds it.
    defaults_->setValue(QStringLiteral("settings"), layers_->values(true));
    storeRenderSize(*defaults_, renderSize_);
    return defaults_->synchronize();
}

void AppController::reloadRenderers() {
    const QRect panel = parametersPanel_->geometry();
    // The panel rebuilds itself as the stack loads.
    if (layers_->scene()) layers_->reload(renderSize_);
    else layers_->load(scene_.get());
    fitPanel(panel);
}

void AppController::fitPanel(const QRect& was) {
    const QSize best = settingsView_->bestSize();
    // The panel keeps its top edge and never grows taller than it was.
    const int height = std::min(was.height(), best.height() + 20);
    const int y = was.y() + was.height() - height;
    const int width = best.width() + 10 + scroll_->verticalScrollBar()->sizeHint().width();
    parametersPanel_->setMinimumSize(width, 0);
    parametersPanel_->setMaximumSize(width, best.height() + 20);
    parametersPanel_->setGeometry(was.x(), y, width, height);
}

CompositionRenderer* AppController::renderPosition() const { return layers_->renderer(QStringLiteral("Position")); }

CompositionRenderer* AppController::renderCompass() const { return layers_->renderer(QStringLiteral("Compas")); }

void AppController::refreshInfo() {
    FeedClock now;
    now.decoder = navigationClock();
    now.computerUtc = utcClock_();
    const OverlayValues shown = overlayValues(readNavigation(), now, layers_->feedSettings());
    layers_->showNavigation(shown);
    // A grid the user chose that cannot be used: said once, until it changes.
    if (shown.gridError != gridErrorTold_) {
        gridErrorTold_ = shown.gridError;
        if (!shown.gridError.isEmpty())
            notices_.post(shown.gridError + QStringLiteral("; the position is shown in degrees and minutes"),
                          NoticeLevel::Warning);
    }
    const ShownValues v = shownValues(shown, now.computerUtc);
    if (valuesCsv_.isOpen() && !valuesCsv_.write(v))
        notices_.post(QStringLiteral("Cannot write the values shown to \"%1\": %2; no more rows go there")
                          .arg(valuesCsv_.path(), valuesCsv_.error()),
                      NoticeLevel::Alert);
    emit valuesShown(v);
}

void AppController::setTimerFramerate(double rate) {
    delete renderTimer_;
    renderTimer_ = nullptr;
    if (!(rate > 0)) return; // also NaN
    renderTimer_ = new QTimer(this);
    renderTimer_->setTimerType(Qt::PreciseTimer);
    renderTimer_->setInterval(std::max(1, static_cast<int>(std::lround(1000.0 / rate))));
    connect(renderTimer_, &QTimer::timeout, this, &AppController::renderTick);
    renderTimer_->start();
    startTime_ = 0.0;
}

void AppController::renderTick() {
    const double now = clock_();
    if (resizing_ || !scene_) return;
    if (startTime_ == 0.0) startTime_ = now;
    const double t = now - startTime_;
    lastTime_ = t;
    layers_->renderAtTime(t);
    if (!scene_->finishFrame()) return;
    exportRenderedFrame(t);
    renderView_->showFrame(scene_->texture());
    ++frames_;
    emit frameRendered();
    if (options_.frames > 0 && frames_ >= options_.frames) finishHeadless();
}

void AppController::finishHeadless() {
    setTimerFramerate(0);
    int status = 0;
    if (!options_.snapshotTo.isEmpty()) {
        const QImage image = scene_->image();
        if (image.isNull() || !image.save(options_.snapshotTo, "PNG")) {
            qWarning().noquote() << QStringLiteral("Cannot write the frame to \"%1\"").arg(options_.snapshotTo);
            status = 1;
        }
    }
    QMetaObject::invokeMethod(qApp, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
}

void AppController::clearView() { renderView_->showFrame(0); }

} // namespace tarnvik
