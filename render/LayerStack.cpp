#include "render/LayerStack.h"

#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/LayerValues.h"
#include "render/NavigationFeed.h"

#include <QDir>

#include <algorithm>

namespace tarnvik {

LayerStack::LayerStack(QStringList names, QString folder, QObject* parent)
    : QObject(parent), names_(std::move(names)), folder_(std::move(folder)) {}

LayerStack::~LayerStack() { unload(); }

QString LayerStack::pathOf(const QString& name) const {
    return folder_.isEmpty() ? compositionPath(name) : QDir(folder_).filePath(name + QStringLiteral(".qtz"));
}

void LayerStack::unload() {
    emit unloading();
    // Bottom first, as they were added.
    for (Layer& l : layers_) l.renderer.reset();
    layers_.clear();
}

void LayerStack::load(CompositionScene* scene) {
    // The values travel in live form: images need not pass through TIFF.
    const QVariantMap live = values(false);
    unload();
    scene_ = scene;
    build(live);
}

void LayerStack::reload(QSize size) {
    if (!scene_) return;
    const QVariantMap live = values(false);
    unload();
    // Resized without renderers: none of their scripts runs for a size that goes at once.
    if (scene_->size() != size) scene_->setSize(size);
    build(live);
}

void LayerStack::build(const QVariantMap& live) {
    kept_.clear();
    if (scene_) {
        for (const QString& name : names_) {
            if (auto r = CompositionRenderer::create(*scene_, pathOf(name))) layers_.push_back({name, std::move(r)});
        }
    }
    // The values were taken once already: what a layer refuses now is no news.
    apply(live);
    emit loaded();
}

void LayerStack::renderAtTime(double seconds) {
    for (const Layer& l : layers_) l.renderer->renderAtTime(seconds);
}

void LayerStack::showNavigation(const OverlayValues& v) {
    if (CompositionRenderer* position = renderer(QStringLiteral("Position"))) {
        position->setValue(QStringLiteral("HIDDEN_latitude"), v.latitude);
        position->setValue(QStringLiteral("HIDDEN_longitude"), v.longitude);
    }
    if (CompositionRenderer* compass = renderer(QStringLiteral("Compas")))
        compass->setValue(QStringLiteral("HIDDEN_heading"), v.heading);
}

CompositionRenderer* LayerStack::renderer(const QString& name) const {
    auto it = std::find_if(layers_.begin(), layers_.end(), [&](const Layer& l) { return l.name == name; });
    return it == layers_.end() ? nullptr : it->renderer.get();
}

QVariantMap LayerStack::values(bool storage) const {
    QVariantMap out = kept_;
    for (const Layer& l : layers_) {
        const QVariantMap v = layerValues(*l.renderer, storage, limits_);
        if (!v.isEmpty()) out.insert(l.name, v);
    }
    return out;
}

QList<ValueReset> LayerStack::apply(const QVariantMap& settings) {
    QList<ValueReset> resets;
    // In the layers' order, as the user reads them.
    for (const Layer& l : layers_) {
        auto it = settings.constFind(l.name);
        if (it == settings.constEnd()) continue;
        // Anything but a dictionary (a damaged file) leaves the defaults, and says so.
        if (it->typeId() != QMetaType::QVariantMap) {
            resets << ValueReset{l.name, {}, describeStored(*it), QStringLiteral("its defaults")};
            continue;
        }
        for (ValueReset& reset : setLayerValues(*l.renderer, it->toMap())) {
            reset.composition = l.name;
            resets << reset;
        }
    }
    // A layer gone at a reload leaves its values in live form: they are kept as the file keeps them.
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        if (renderer(it.key())) continue;
        const bool map = it->typeId() == QMetaType::QVariantMap;
        kept_.insert(it.key(), map ? QVariant(storedForm(it->toMap(), limits_)) : *it);
    }
    return resets;
}

QList<ValueReset> LayerStack::setValues(const QVariantMap& settings) {
    QList<ValueReset> resets = apply(settings);
    emit valuesChanged();
    return resets;
}

} // namespace tarnvik
