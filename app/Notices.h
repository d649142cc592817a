// What the user must see: a failure, a value that was reset, a recording
// that stopped. Every notice is logged; with a window it also shows in a bar
// over the top of the picture (which never changes the render size), and an
// alert opens a dialog that does not stop rendering. Headless runs only log,
// so they never wait for a click.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace tarnvik {

enum class NoticeLevel { Info, Warning, Alert };

class Notices : public QObject {
    Q_OBJECT
public:
    explicit Notices(QObject* parent = nullptr);
    ~Notices() override;

    // The window the bar and dialogs belong to; null: log only.
    void attach(QWidget* window, QWidget* over);
    // Logs the text and, with a window, shows it.
    void post(const QString& text, NoticeLevel level = NoticeLevel::Warning);

    // Every text posted so far, in order (tests, the status command).
    const QStringList& posted() const { return posted_; }
    // The dialog of the newest alert while it is open.
    QMessageBox* openAlert() const { return alert_; }
    // The bar's widget while it shows at least one notice.
    QWidget* bar() const;

signals:
    void notice(const QString& text, tarnvik::NoticeLevel level);

private:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void placeBar();

    QPointer<QWidget> window_;
    QPointer<QWidget> over_;
    QWidget* bar_ = nullptr;  // child of the window, outside its layout
    QVBoxLayout* rows_ = nullptr;
    QPointer<QMessageBox> alert_;
    QStringList posted_;
};

} // namespace tarnvik
