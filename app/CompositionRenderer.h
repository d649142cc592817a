// One composition: a QML document (file NAME.qtz) whose published inputs are
// declared in the document, in order, and whose scene is an item of the
// shared CompositionScene.
//
// The document's root object holds
//   property var publishedInputs: [ { key, type, name, minimum, maximum, value }, ... ]
//   property Component scene: Item { ... }
// and the scene reads its inputs through the context property "inputs" (a
// QQmlPropertyMap, since keys such as "HIDDEN_latitude" cannot be QML
// property names) and the render time through "renderTime".
#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QQmlContext;
class QQmlPropertyMap;
class QQuickItem;
class QObject;

namespace tarnvik {

class CompositionScene;

enum class PortType { Boolean, Index, Number, String, Color, Image, Other };

struct InputAttributes {
    PortType type = PortType::Other;
    QString name; // display name; empty when the document gives none
    std::optional<double> minimum;
    std::optional<double> maximum;
};

// The type word of a declaration ("boolean", "index", ...).
PortType portTypeFromName(const QString& word);

class CompositionRenderer {
public:
    // Null when the file cannot be loaded; the scene's report names the file
    // and says what is wrong with it (no such file, a folder, not a QML
    // document, the QML error, a script that ran too long). The scene must
    // outlive the renderer.
    static std::unique_ptr<CompositionRenderer> create(CompositionScene& scene, const QString& path);
    ~CompositionRenderer();
    CompositionRenderer(const CompositionRenderer&) = delete;
    CompositionRenderer& operator=(const CompositionRenderer&) = delete;

    // Draws the composition in the scene's next frame, above the ones
    // rendered before it in that frame.
    void renderAtTime(double seconds);

    // Values are coerced to the input's type; an unknown key or a value that
    // cannot be converted changes nothing. A null value clears an image or a
    // string input and leaves the others as they are. A text given to an
    // image input names an image file (relative to the document's folder);
    // one that cannot be read is reported and changes nothing.
    void setValue(const QString& key, const QVariant& value);
    // A layer whose script ran too long is refused: it draws nothing for the
    // rest of the run, but keeps its values so that they are still saved.
    bool refused() const { return refused_; }
    // Numbers (double) for boolean, index and number inputs, QString, QColor,
    // QImage; a null QVariant for an unknown key or an image input without
    // an image.
    QVariant valueForInputKey(const QString& key) const;

    const QStringList& inputKeys() const { return keys_; }
    const QHash<QString, InputAttributes>& attributes() const { return attributes_; }
    const QString& path() const { return path_; }

private:
    friend class CompositionScene;
    CompositionRenderer(CompositionScene& scene, QString path);
    bool load(QString& error);
    bool declare(const QVariantList& declarations, QString& error);
    void publish(const QString& key);
    std::optional<QImage> imageFile(const QString& name);
    void refuse();
    void tearDown();
    QQuickItem* item() const { return item_.get(); }

    CompositionScene& scene_;
    QString path_;
    QString slot_;
    bool refused_ = false;
    QStringList keys_;
    QHash<QString, InputAttributes> attributes_;
    QHash<QString, QVariant> values_;
    std::unique_ptr<QObject> document_;
    std::unique_ptr<QQmlContext> context_;
    std::unique_ptr<QQmlPropertyMap> inputs_;
    std::unique_ptr<QQuickItem> item_; // goes first, before what its bindings read
};

} // namespace tarnvik
