// The survey recording's state in the window's status line: a red mark,
// the time recorded, the file being written, its size and the space left
// on its disk; for a while in place of the last two, a message (a disk
// warning, where a snapshot went). Its height is fixed and it is there from
// the start, so nothing it says changes the render view's size.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <optional>

class QLabel;

namespace tarnvik {

class RecordingStatus : public QWidget {
    Q_OBJECT
public:
    explicit RecordingStatus(QWidget* parent = nullptr);

    void showRecording(double seconds, const QString& fileName, std::uint64_t bytes,
                       std::optional<std::uint64_t> freeBytes);
    void showIdle();
    // In place of the size and free space, for the time given.
    void showMessage(const QString& text, std::chrono::milliseconds shownFor = std::chrono::seconds(10));

    bool markShown() const { return marked_; }
    // What it says, both parts on a line each, unshortened (tests).
    QString text() const;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void setParts(const QString& first, const QString& second);
    void setMark(bool shown);
    void showParts();

    QLabel* mark_;
    QLabel* first_;
    QLabel* second_;
    QString firstText_, secondText_, message_;
    QTimer messageTimer_;
    bool marked_ = false;
};

// "00:12:34".
QString elapsedText(double seconds);

} // namespace tarnvik
