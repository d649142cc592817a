#include "render/LayerStack.h"

#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/LayerValues.h"
#include "render/NavigationFeed.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

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

namespace {

using Inputs = std::initializer_list<std::pair<const char*, QVariant>>;

void setChanged(CompositionRenderer& r, const Inputs& inputs) {
    for (const auto& [key, value] : inputs) {
        const QString k = QString::fromLatin1(key);
        if (r.valueForInputKey(k) != value) r.setValue(k, value);
    }
}

QVariant flag(bool b) { return b ? 1.0 : 0.0; }

double valueOf(const CompositionRenderer* r, const char* key, double fallback) {
    const QVariant v = r ? r->valueForInputKey(QString::fromLatin1(key)) : QVariant();
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? d : fallback;
}

} // namespace

void LayerStack::showNavigation(const OverlayValues& v) {
    if (CompositionRenderer* position = renderer(QStringLiteral("Position"))) {
        setChanged(*position, {{"HIDDEN_latitude", v.latitude},
                               {"HIDDEN_longitude", v.longitude},
                               {"HIDDEN_positionStale", flag(v.positionStale)},
                               {"HIDDEN_positionAge", v.positionAgeText},
                               {"HIDDEN_crs", v.crsName},
                               {"HIDDEN_depth", v.depthText},
                               {"HIDDEN_depthStale", flag(v.depthStale)},
                               {"HIDDEN_depthAge", v.depthAgeText}});
    }
    if (CompositionRenderer* compass = renderer(QStringLiteral("Compas"))) {
        setChanged(*compass, {{"HIDDEN_heading", v.heading},
                              {"HIDDEN_headingKnown", flag(v.headingKnown)},
                              {"HIDDEN_headingStale", flag(v.headingStale)},
                              {"HIDDEN_headingAge", v.headingAgeText}});
    }
    if (CompositionRenderer* clock = renderer(QStringLiteral("DateTime"))) {
        setChanged(*clock, {{"HIDDEN_clockOffset", static_cast<double>(v.clockOffsetMs)},
                            {"HIDDEN_clockSource", v.clockFromStream ? QStringLiteral("NAV") : QStringLiteral("PC")}});
    }
    for (const Layer& l : layers_) {
        setChanged(*l.renderer, {{"HIDDEN_telemetryKnown", flag(v.rovDepth.has_value())},
                                 {"HIDDEN_rovDepth", v.rovDepth.value_or(0)},
                                 {"HIDDEN_rovAltitude", v.rovAltitude.value_or(0)},
                                 {"HIDDEN_rovHeading", v.rovHeading.value_or(0)},
                                 {"HIDDEN_telemetryStale", flag(v.telemetryStale)},
                                 {"HIDDEN_telemetryAge", v.telemetryAgeText}});
    }
}

FeedSettings LayerStack::feedSettings() const {
    FeedSettings f;
    if (const CompositionRenderer* p = renderer(QStringLiteral("Position"))) {
        const int format = static_cast<int>(valueOf(p, "Format", 0));
        f.format = format >= 0 && format <= static_cast<int>(PositionFormat::Epsg) ? PositionFormat(format)
                                                                                   : PositionFormat::DegreesMinutes;
        f.epsg = p->valueForInputKey(QStringLiteral("EPSG")).toString();
        f.swapXY = valueOf(p, "SwapXY", 0) != 0;
        const int depth = static_cast<int>(valueOf(p, "Depth", 0));
        f.depth = depth == 1 ? DepthShown::Transponder : depth == 2 ? DepthShown::RovSensor : DepthShown::None;
        f.positionTimeout = valueOf(p, "StaleAfter", f.positionTimeout);
    }
    f.headingTimeout = valueOf(renderer(QStringLiteral("Compas")), "StaleAfter", f.headingTimeout);
    if (const CompositionRenderer* clock = renderer(QStringLiteral("DateTime"))) {
        f.streamClock = valueOf(clock, "Clock", 0) == 0;
        f.clockTimeout = valueOf(clock, "StaleAfter", f.clockTimeout);
    }
    return f;
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
