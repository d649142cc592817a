#include "params/RenderParametersView.h"

#include "params/CompositionParametersView.h"
#include "render/LayerStack.h"

#include <QGroupBox>
#include <QResizeEvent>

#include <algorithm>

namespace tarnvik {

namespace {

// Keeps the form filling its box, less the margins, as the box changes width.
class BoxContent : public QObject {
public:
    BoxContent(QGroupBox* box, CompositionParametersView* form) : QObject(box), form_(form) {
        box->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Resize) {
            auto* box = static_cast<QGroupBox*>(o);
            form_->resize(std::max(form_->minimumFormSize().width(), box->width() - 20), form_->height());
        }
        return false;
    }

private:
    CompositionParametersView* form_;
};

} // namespace

RenderParametersView::RenderParametersView(LayerStack& layers, QWidget* parent) : QWidget(parent), layers_(&layers) {
    // The forms point at the renderers: they go before the renderers do.
    connect(&layers, &LayerStack::unloading, this, &RenderParametersView::clear);
    connect(&layers, &LayerStack::loaded, this, &RenderParametersView::rebuild);
    connect(&layers, &LayerStack::valuesChanged, this, &RenderParametersView::showValues);
    rebuild();
}

RenderParametersView::~RenderParametersView() { clear(); }

void RenderParametersView::clear() {
    for (QGroupBox* b : boxes_) delete b;
    boxes_.clear();
    arrangeSubviews();
}

void RenderParametersView::rebuild() {
    clear();
    if (!layers_) return;
    for (size_t i = 0; i < layers_->count(); ++i) {
        auto* box = new QGroupBox(layers_->name(i), this);
        auto* form = new CompositionParametersView(layers_->renderer(i), box);
        form->setStorageLimits(layers_->storageLimits());
        const QSize min = form->minimumFormSize();
        box->setGeometry(0, 0, min.width() + 20, min.height() + 20);
        form->move(10, 10);
        new BoxContent(box, form);
        box->show();
        boxes_.push_back(box);
    }
    arrangeSubviews();
    emit rebuilt();
}

void RenderParametersView::showValues() {
    for (size_t i = 0; i < boxes_.size(); ++i) form(i)->showValues();
}

QGroupBox* RenderParametersView::box(size_t i) const { return i < boxes_.size() ? boxes_[i] : nullptr; }

CompositionParametersView* RenderParametersView::form(size_t i) const {
    QGroupBox* b = box(i);
    return b ? b->findChild<CompositionParametersView*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void RenderParametersView::arrangeSubviews() {
    int w = 0, h = 0;
    for (QGroupBox* b : boxes_) {
        w = std::max(w, b->width());
        b->move(10, 10 + h);
        h += b->height();
    }
    for (QGroupBox* b : boxes_) b->resize(w, b->height());
    if (w > 0) w += 20;
    if (h > 0) h += 20;
    bestSize_ = QSize(w, h);
    setMinimumSize(bestSize_);
    resize(bestSize_);
    updateGeometry();
}

} // namespace tarnvik
