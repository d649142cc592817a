// The editing controls of the parameter form that Qt has no ready widget for.
#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

namespace tarnvik {

// A slider over a range of doubles; edited() on every move by the user.
class DoubleSlider : public QSlider {
    Q_OBJECT
public:
    DoubleSlider(double minimum, double maximum, QWidget* parent = nullptr);
    double value() const;
    void setValue(double v);
signals:
    void edited();

private:
    static constexpr int kSteps = 10000;
    double minimum_, maximum_;
};

// A colour swatch; a click opens the colour chooser (alpha included).
class ColorWell : public QPushButton {
    Q_OBJECT
public:
    explicit ColorWell(QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& c);
signals:
    void edited();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void choose();
    QColor color_ = Qt::white;
};

// A framed image that takes a dropped or pasted image; Delete clears it.
class ImageWell : public QLabel {
    Q_OBJECT
public:
    explicit ImageWell(QWidget* parent = nullptr);
    QImage image() const { return image_; }
    void setImage(const QImage& image);
    // As a drop or a paste would: shows the image and reports the edit.
    void take(const QImage& image);
signals:
    void edited();

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QImage image_;
};

// A text field that wraps; editingFinished() when it loses focus or on Enter.
class WrappingTextField : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit WrappingTextField(QWidget* parent = nullptr);
    QString text() const { return toPlainText(); }
    void setText(const QString& t);
signals:
    void editingFinished();

protected:
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

} // namespace tarnvik
