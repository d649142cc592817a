// What the parameter panel scrolls: a view of the layer stack, one titled
// box per loaded layer with its form, stacked from the top. It is rebuilt
// whenever the stack loads its layers anew, and owns no renderer.
#pragma once

#include <QPointer>
#include <QSize>
#include <QWidget>

#include <vector>

class QGroupBox;

namespace tarnvik {

class CompositionParametersView;
class LayerStack;

class RenderParametersView : public QWidget {
    Q_OBJECT
public:
    explicit RenderParametersView(LayerStack& layers, QWidget* parent = nullptr);
    ~RenderParametersView() override;

    size_t count() const { return boxes_.size(); }
    QSize bestSize() const { return bestSize_; }
    QGroupBox* box(size_t i) const;
    CompositionParametersView* form(size_t i) const;

    QSize sizeHint() const override { return bestSize_; }

signals:
    // The boxes were made anew for the stack's layers.
    void rebuilt();

private:
    void rebuild();
    void clear();
    void showValues();
    void arrangeSubviews();

    QPointer<LayerStack> layers_;
    std::vector<QGroupBox*> boxes_;
    QSize bestSize_{0, 0};
};

} // namespace tarnvik
