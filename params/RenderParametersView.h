// The parameter panel's document view: the list of composition renderers,
// which is also the render list, and one titled box per renderer with its
// form, stacked from the top.
#pragma once

#include "params/SettingsCheck.h"

#include <QSize>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <memory>
#include <vector>

class QGroupBox;

namespace tarnvik {

class CompositionParametersView;
class CompositionRenderer;

class RenderParametersView : public QWidget {
    Q_OBJECT
public:
    explicit RenderParametersView(QWidget* parent = nullptr);
    ~RenderParametersView() override;

    // Takes the renderer; a null renderer, an empty title or a renderer
    // already in the list adds nothing.
    void addRenderer(std::unique_ptr<CompositionRenderer> renderer, const QString& title);
    void addRenderer(CompositionRenderer* renderer, const QString& title) = delete;
    // Destroys the renderer with its box; one not in the list is left alone.
    void removeRenderer(CompositionRenderer* renderer);
    void removeAllRenderers();

    const std::vector<std::unique_ptr<CompositionRenderer>>& renderers() const { return renderers_; }
    QSize bestSize() const { return bestSize_; }
    QGroupBox* box(size_t i) const;
    CompositionParametersView* form(size_t i) const;

    // Composition name to its parameter dictionary, storage or live form;
    // compositions without values have no entry.
    QVariantMap parameters(bool storage) const;
    // The values that could not be taken as they were, by composition.
    QList<ValueReset> setParameters(const QVariantMap& settings);

    QSize sizeHint() const override { return bestSize_; }

private:
    void arrangeSubviews();
    void removeAt(size_t i);

    std::vector<std::unique_ptr<CompositionRenderer>> renderers_;
    std::vector<QGroupBox*> boxes_;
    QSize bestSize_{0, 0};
};

} // namespace tarnvik
