#include "params/RenderParametersView.h"

#include "render/CompositionRenderer.h"
#include "params/CompositionParametersView.h"

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

RenderParametersView::RenderParametersView(QWidget* parent) : QWidget(parent) {}

// Boxes hold forms that point at renderers: they go first.
RenderParametersView::~RenderParametersView() {
    for (QGroupBox* b : boxes_) delete b;
    boxes_.clear();
}

void RenderParametersView::addRenderer(std::unique_ptr<CompositionRenderer> renderer, const QString& title) {
    if (!renderer || title.isEmpty()) return;
    if (std::any_of(renderers_.begin(), renderers_.end(), [&](const auto& r) { return r == renderer; })) {
        (void)renderer.release(); // already owned by the list
        return;
    }
    auto* box = new QGroupBox(title, this);
    auto* form = new CompositionParametersView(renderer.get(), box);
    const QSize min = form->minimumFormSize();
    box->setGeometry(0, 0, min.width() + 20, min.height() + 20);
    form->move(10, 10);
    new BoxContent(box, form);
    box->show();
    boxes_.push_back(box);
    renderers_.push_back(std::move(renderer));
    arrangeSubviews();
}

void RenderParametersView::removeAt(size_t i) {
    delete boxes_[i];
    boxes_.erase(boxes_.begin() + static_cast<std::ptrdiff_t>(i));
    renderers_.erase(renderers_.begin() + static_cast<std::ptrdiff_t>(i));
}

void RenderParametersView::removeRenderer(CompositionRenderer* renderer) {
    auto it = std::find_if(renderers_.begin(), renderers_.end(), [&](const auto& r) { return r.get() == renderer; });
    if (it == renderers_.end()) return;
    removeAt(static_cast<size_t>(it - renderers_.begin()));
    arrangeSubviews();
}

void RenderParametersView::removeAllRenderers() {
    while (!renderers_.empty()) removeAt(0);
    arrangeSubviews();
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

QVariantMap RenderParametersView::parameters(bool storage) const {
    QVariantMap out;
    for (size_t i = 0; i < boxes_.size(); ++i) {
        QVariantMap p = form(i)->parameters(storage);
        if (!p.isEmpty()) out.insert(boxes_[i]->title(), p);
    }
    return out;
}

QList<ValueReset> RenderParametersView::setParameters(const QVariantMap& settings) {
    QList<ValueReset> resets;
    for (size_t i = 0; i < boxes_.size(); ++i) {
        const QString title = boxes_[i]->title();
        const QVariant entry = settings.value(title);
        // Anything but a dictionary under a title (a damaged store) leaves the defaults, and says so.
        if (entry.isValid() && entry.typeId() != QMetaType::QVariantMap) {
            resets << ValueReset{title, {}, describeStored(entry), QStringLiteral("its defaults")};
            continue;
        }
        const QVariantMap p = entry.toMap();
        if (p.isEmpty()) continue;
        for (ValueReset& r : form(i)->setParameters(p)) {
            r.composition = title;
            resets << r;
        }
    }
    return resets;
}

} // namespace tarnvik
