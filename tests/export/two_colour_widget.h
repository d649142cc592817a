// A window whose top half is one colour and bottom half another, for tests
// that read it back from the screen and must tell up from down.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QWidget>
#include <QWindow>

namespace tarnvik::test {

class TwoColourWidget : public QWidget {
public:
    TwoColourWidget(QColor top, QColor bottom, QWidget* parent = nullptr)
        : QWidget(parent), top_(top), bottom_(bottom) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(0, 0, width(), height() / 2, top_);
        p.fillRect(0, height() / 2, width(), height() - height() / 2, bottom_);
    }

private:
    QColor top_, bottom_;
};

// Shows the window at a place on the screen and returns once it is painted
// there (false if it is not exposed in time): the event loop runs meanwhile.
inline bool showOnScreen(QWidget& window, const QRect& geometry) {
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setGeometry(geometry);
    window.show();
    QElapsedTimer t;
    t.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        if (t.elapsed() > 5000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    window.repaint(); // painted and flushed to the window before returning
    QCoreApplication::processEvents();
    return true;
}

} // namespace tarnvik::test
