// The hub of the application: the main window with its render view and
// toolbar, the parameter panel, the composition stack, the two timers and the
// decoder thread; start-up, the render loop, view sizing and shut-down.
#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QMainWindow;
class QScrollArea;
class QTimer;
class QWidget;

namespace tarnvik {

class CompositionRenderer;
class CompositionScene;
class RenderParametersView;
class RenderView;
class UserDefaults;

struct AppOptions {
    // Options of the decoder thread's "tolkar"; empty runs no decoder.
    QStringList decoderArguments{QStringLiteral("-u49000")};
    QString settingsPath;    // empty: the user's settings file
    QSize renderSize{720, 576};
    int frames = 0;          // > 0: quit after that many rendered frames
    QString snapshotTo;      // with frames: write the last frame there as PNG
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
    void setRenderSize(QSize size);
    // The clock of the render loop, seconds; tests give their own.
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }

    QMainWindow* mainWindow() const { return mainWindow_.get(); }
    RenderView* renderView() const { return renderView_; }
    QWidget* parametersPanel() const { return parametersPanel_.get(); }
    QLineEdit* widthField() const { return widthField_; }
    QLineEdit* heightField() const { return heightField_; }
    QComboBox* exportMenu() const { return exportMenu_; }
    RenderParametersView* settingsView() const { return settingsView_; }
    CompositionScene* scene() const { return scene_.get(); }
    QTimer* renderTimer() const { return renderTimer_; }
    CompositionRenderer* renderPosition() const { return renderPosition_; }
    CompositionRenderer* renderCompass() const { return renderCompass_; }
    bool isResizing() const { return resizing_; }
    int framesRendered() const { return frames_; }
    // The time the last frame was rendered at, seconds since rendering started.
    double lastRenderTime() const { return lastTime_; }

signals:
    void frameRendered();

private:
    void startDecoder();
    void buildWindow();
    void reloadRenderers();
    void updateRenderView();
    void doneResizing();
    void clearGLContext();
    void updateResolution(QLineEdit* sender);
    void updateExport();
    void finishHeadless();

    AppOptions options_;
    std::function<double()> clock_;
    std::unique_ptr<UserDefaults> defaults_;
    std::unique_ptr<QMainWindow> mainWindow_;
    std::unique_ptr<QWidget> parametersPanel_;
    RenderView* renderView_ = nullptr;  // owned by the window
    QLineEdit* widthField_ = nullptr;
    QLineEdit* heightField_ = nullptr;
    QComboBox* exportMenu_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    RenderParametersView* settingsView_ = nullptr; // owned by the panel; owns the renderers
    std::unique_ptr<CompositionScene> scene_;
    QTimer* timer_ = nullptr;       // info timer
    QTimer* renderTimer_ = nullptr; // null while stopped
    double startTime_ = 0;
    bool resizing_ = false;
    bool observing_ = false;
    CompositionRenderer* renderPosition_ = nullptr; // not owned
    CompositionRenderer* renderCompass_ = nullptr;  // not owned
    int frames_ = 0;
    double lastTime_ = 0;
};

} // namespace tarnvik
