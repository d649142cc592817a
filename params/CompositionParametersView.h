// A two-column form of one layer's settings: a label on the left, an editing
// control on the right. Every edit goes to the layer's renderer at once and
// the control then shows what the renderer accepted.
#pragma once

#include "render/Plist.h"

#include <QList>
#include <QSize>
#include <QWidget>

class QLabel;

namespace tarnvik {

class CompositionRenderer;

class CompositionParametersView : public QWidget {
    Q_OBJECT
public:
    // The renderer (may be null: no rows, size zero) must outlive the view.
    explicit CompositionParametersView(CompositionRenderer* renderer, QWidget* parent = nullptr);

    // Smallest size that shows every row; also the widget's minimumSize().
    QSize minimumFormSize() const { return minSize_; }
    CompositionRenderer* renderer() const { return renderer_; }
    const QList<QWidget*>& controls() const { return controls_; }
    const QList<QLabel*>& labels() const { return labels_; }

    // Every control shows the renderer's value again, after values were set
    // around the form.
    void showValues();
    // What a kept value may be at most; edits past it are cut or refused.
    void setStorageLimits(const plist::Limits& limits) { limits_ = limits; }

    QSize sizeHint() const override { return minSize_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QWidget* makeControl(int index, int labelTop, int& rowHeight);
    void controlAction(QWidget* control);
    void apply(QWidget* control, const QVariant& value);
    void show(QWidget* control);
    QString keyOf(const QWidget* control) const;

    CompositionRenderer* renderer_;
    QList<QLabel*> labels_;
    QList<QWidget*> controls_;
    QSize minSize_{0, 0};
    int controlX_ = 0;
    plist::Limits limits_;
};

} // namespace tarnvik
