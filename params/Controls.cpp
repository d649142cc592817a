#include "params/Controls.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace tarnvik {

DoubleSlider::DoubleSlider(double minimum, double maximum, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), minimum_(minimum), maximum_(maximum) {
    setRange(0, kSteps);
    connect(this, &QSlider::sliderMoved, this, [this] { emit edited(); });
    connect(this, &QSlider::actionTriggered, this, [this](int action) {
        // Clicks on the groove and keys move the slider without sliderMoved.
        if (action != SliderMove) QMetaObject::invokeMethod(this, &DoubleSlider::edited, Qt::QueuedConnection);
    });
}

double DoubleSlider::value() const {
    if (maximum_ <= minimum_) return minimum_;
    return minimum_ + (maximum_ - minimum_) * QSlider::value() / kSteps;
}

void DoubleSlider::setValue(double v) {
    double span = maximum_ - minimum_;
    double f = span > 0 && std::isfinite(v) ? (v - minimum_) / span : 0;
    QSignalBlocker block(this);
    QSlider::setValue(static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * kSteps)));
}

ColorWell::ColorWell(QWidget* parent) : QPushButton(parent) {
    connect(this, &QPushButton::clicked, this, &ColorWell::choose);
}

void ColorWell::setColor(const QColor& c) {
    color_ = c;
    update();
}

void ColorWell::choose() {
    QColor c = QColorDialog::getColor(color_, this, QString(), QColorDialog::ShowAlphaChannel);
    if (!c.isValid()) return;
    color_ = c;
    update();
    emit edited();
}

void ColorWell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect().adjusted(1, 1, -2, -2);
    // A checkerboard under the swatch shows its transparency.
    p.fillRect(r, QBrush(Qt::lightGray, Qt::Dense4Pattern));
    p.fillRect(r, color_);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(r);
}

ImageWell::ImageWell(QWidget* parent) : QLabel(parent) {
    setAcceptDrops(true);
    setFrameStyle(QFrame::Box | QFrame::Sunken); // a groove
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::ClickFocus);
}

void ImageWell::setImage(const QImage& image) {
    image_ = image;
    if (image.isNull()) setPixmap({});
    else
        setPixmap(QPixmap::fromImage(
            image.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void ImageWell::take(const QImage& image) {
    setImage(image);
    emit edited();
}

namespace {
QImage imageOf(const QMimeData* m) {
    if (!m) return {};
    if (m->hasImage()) return qvariant_cast<QImage>(m->imageData());
    for (const QUrl& u : m->urls())
        if (u.isLocalFile()) {
            QImage img(u.toLocalFile());
            if (!img.isNull()) return img;
        }
    return {};
}
} // namespace

void ImageWell::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasImage() || e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void ImageWell::dropEvent(QDropEvent* e) {
    QImage img = imageOf(e->mimeData());
    if (img.isNull()) return;
    e->acceptProposedAction();
    take(img);
}

void ImageWell::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Paste)) {
        QImage img = imageOf(QApplication::clipboard()->mimeData());
        if (!img.isNull()) take(img);
    } else if (e->key() == Qt::Key_Delete || e->key() == Qt::Key_Backspace) {
        take({});
    } else {
        QLabel::keyPressEvent(e);
    }
}

void ImageWell::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    QLabel::mousePressEvent(e);
}

WrappingTextField::WrappingTextField(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
}

void WrappingTextField::setText(const QString& t) {
    if (t != toPlainText()) setPlainText(t);
}

void WrappingTextField::focusOutEvent(QFocusEvent* e) {
    QPlainTextEdit::focusOutEvent(e);
    emit editingFinished();
}

void WrappingTextField::keyPressEvent(QKeyEvent* e) {
    // Enter ends the edit; Shift+Enter starts a new line.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !(e->modifiers() & Qt::ShiftModifier)) {
        emit editingFinished();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

} // namespace tarnvik
