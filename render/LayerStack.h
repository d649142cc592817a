// The overlay's layers, bottom to top: one composition renderer each, and
// their values. It loads the layers into a scene (anew at another size,
// keeping the values), renders a frame, gives and takes the values by
// composition name, and hands the navigation feed's values to the layers
// and their choices to the feed. It needs no window: whatever draws the
// overlay, with a window or without, draws through one.
#pragma once

#include "render/Compositions.h"
#include "render/Plist.h"
#include "render/SettingsCheck.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace tarnvik {

class CompositionRenderer;
class CompositionScene;
struct FeedSettings;
struct OverlayValues;

class LayerStack : public QObject {
    Q_OBJECT
public:
    // Layers named bottom to top, each the file NAME.qtz in folder; an empty
    // folder is compositionsFolder() at each load.
    explicit LayerStack(QStringList names = compositionNames(), QString folder = {}, QObject* parent = nullptr);
    ~LayerStack() override;
    LayerStack(const LayerStack&) = delete;
    LayerStack& operator=(const LayerStack&) = delete;

    // Loads every layer into the scene, which must outlive the renderers
    // (until the next load or the stack's end); layers loaded before are
    // loaded anew and keep their values. A layer whose file cannot be loaded
    // is left out; the scene reports why. A null scene loads none.
    void load(CompositionScene* scene);
    // The scene at the new size, and every layer loaded anew for it.
    void reload(QSize size);
    CompositionScene* scene() const { return scene_; }

    // Draws every loaded layer in the scene's next frame, in order.
    void renderAtTime(double seconds);
    // The feed's values into the hidden inputs: the position, its age and
    // depth to "Position", the heading and its age to "Compas", the time to
    // "DateTime", the ROV's own line to every layer that takes it. Looked up
    // each time, so a reload leaves nothing stale; a value that has not
    // changed is not set again.
    void showNavigation(const OverlayValues& values);
    // What the layers' inputs choose for the feed: the position's format,
    // grid and axes, the depth shown, the timeouts and the clock. A layer
    // that is not loaded leaves the defaults.
    FeedSettings feedSettings() const;

    // Every layer's name, loaded or not.
    const QStringList& names() const { return names_; }
    // The loaded layers, in order.
    size_t count() const { return layers_.size(); }
    const QString& name(size_t i) const { return layers_.at(i).name; }
    CompositionRenderer* renderer(size_t i) const { return layers_.at(i).renderer.get(); }
    // Null when that layer is not loaded.
    CompositionRenderer* renderer(const QString& name) const;

    // Composition name to its settings (key to value), in storage or live
    // form; a layer without values has no entry. The entries given for
    // layers that are not loaded are kept as they were given, so that
    // saving does not lose them.
    QVariantMap values(bool storage) const;
    // Takes settings by composition name, in either form; the values that
    // could not be used as they were, by composition.
    QList<ValueReset> setValues(const QVariantMap& settings);
    // What a kept value may be at most (the settings file's bounds).
    void setStorageLimits(const plist::Limits& limits) { limits_ = limits; }
    const plist::Limits& storageLimits() const { return limits_; }

signals:
    // The renderers are about to go (a reload, the stack's end): drop every
    // pointer to them.
    void unloading();
    // The layers were loaded, anew or for the first time.
    void loaded();
    // Values were set from outside the renderers' own views.
    void valuesChanged();

private:
    struct Layer {
        QString name;
        std::unique_ptr<CompositionRenderer> renderer;
    };
    QString pathOf(const QString& name) const;
    void unload();
    void build(const QVariantMap& live);
    QList<ValueReset> apply(const QVariantMap& settings);

    QStringList names_;
    QString folder_;
    CompositionScene* scene_ = nullptr;
    std::vector<Layer> layers_;
    QVariantMap kept_; // entries for layers not loaded
    plist::Limits limits_;
};

} // namespace tarnvik
