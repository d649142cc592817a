#include "app/CompositionRenderer.h"

#include "app/CompositionScene.h"
#include "app/InputImageProvider.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <QtDebug>

#include <cmath>

namespace tarnvik {

namespace {

std::optional<double> number(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return std::nullopt;
    bool ok = false;
    double d = v.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return std::nullopt;
    return d;
}

QString errorsOf(const QQmlComponent& c) {
    QStringList out;
    for (const QQmlError& e : c.errors()) out << e.toString();
    return out.join(QStringLiteral("; "));
}

int nextSlot = 0;

// Far more than any overlay document needs; a larger file is not one.
constexpr qint64 kMostBytes = 4 << 20;

// What the file is when it is not a QML document: a folder, binary data
// (the Quartz Composer files these documents stand in for are binary
// property lists) or text without a QML object in it.
std::optional<QString> notQml(const QByteArray& data) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(data);
    if (utf8.hasError() || data.contains('\0'))
        return data.startsWith("bplist") ? QStringLiteral("it is not a QML document but a binary property list")
                                         : QStringLiteral("it is not a QML document but binary data");
    if (text.trimmed().isEmpty()) return QStringLiteral("it is empty");
    static const QRegularExpression qml(QStringLiteral("^\\s*(import|pragma)\\s|^\\s*[A-Z][\\w.]*\\s*\\{"),
                                        QRegularExpression::MultilineOption);
    if (!qml.match(text).hasMatch()) return QStringLiteral("it is not a QML document");
    return std::nullopt;
}

QString seconds(std::chrono::milliseconds ms) { return QString::number(ms.count() / 1000.0); }

} // namespace

PortType portTypeFromName(const QString& word) {
    static const QHash<QString, PortType> table = {
        {QStringLiteral("boolean"), PortType::Boolean}, {QStringLiteral("index"), PortType::Index},
        {QStringLiteral("number"), PortType::Number},   {QStringLiteral("string"), PortType::String},
        {QStringLiteral("color"), PortType::Color},     {QStringLiteral("image"), PortType::Image},
    };
    return table.value(word, PortType::Other);
}

CompositionRenderer::CompositionRenderer(CompositionScene& scene, QString path)
    : scene_(scene), path_(std::move(path)), slot_(QString::number(++nextSlot)) {}

std::unique_ptr<CompositionRenderer> CompositionRenderer::create(CompositionScene& scene,
                                                                 const QString& path) {
    std::unique_ptr<CompositionRenderer> r(new CompositionRenderer(scene, path));
    const QString hung = QStringLiteral("its script ran for more than %1 s and was stopped").arg(seconds(scene.scriptLimit()));
    QString error;
    bool loaded = false;
    if (scene.refused_.value(path, false)) {
        error = hung; // it would only hang again
    } else if (!scene.runScript([&] { loaded = r->load(error); })) {
        scene.remember(path, true);
        loaded = false;
        error = hung;
    }
    if (!loaded) {
        scene.report(QStringLiteral("Cannot load composition file \"%1\": %2").arg(path, error));
        r->tearDown();
        return nullptr;
    }
    if (!scene.runScript([&] { scene.attach(r.get()); }) || scene.refused_.contains(path)) r->refuse();
    return r;
}

CompositionRenderer::~CompositionRenderer() {
    tearDown();
    scene_.images_->forget(slot_);
}

void CompositionRenderer::tearDown() {
    // Taking the items out of the scene and destroying them may run their scripts.
    scene_.runScript([this] {
        scene_.detach(this);
        item_.reset();
        inputs_.reset();
        context_.reset();
        document_.reset();
    });
}

void CompositionRenderer::refuse() {
    if (refused_) return;
    refused_ = true;
    if (!scene_.refused_.contains(path_)) scene_.remember(path_, false);
    scene_.report(QStringLiteral("The script of composition file \"%1\" ran for more than %2 s and was stopped; "
                                 "the layer is left out until Tarnvik starts again.")
                      .arg(path_, seconds(scene_.scriptLimit())));
    // The values stay, so that the panel shows them and they are saved.
    scene_.runScript([this] {
        scene_.detach(this);
        item_.reset();
    });
}

bool CompositionRenderer::load(QString& error) {
    QFileInfo info(path_);
    if (!info.exists()) {
        error = QStringLiteral("no such file");
        return false;
    }
    if (info.isDir()) {
        error = QStringLiteral("it is a folder, not a composition file");
        return false;
    }
    if (!info.isFile()) { // a pipe or a device could block or never end
        error = QStringLiteral("it is not a regular file");
        return false;
    }
    if (info.size() > kMostBytes) {
        error = QStringLiteral("it is too large for a composition (%1 bytes)").arg(info.size());
        return false;
    }
    QQmlEngine* engine = scene_.engine();
    // The document is QML whatever its suffix.
    QQmlComponent component(engine);
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("it cannot be read: %1").arg(file.errorString());
        return false;
    }
    const QByteArray data = file.read(kMostBytes);
    if (auto why = notQml(data)) {
        error = *why;
        return false;
    }
    component.setData(data, QUrl::fromLocalFile(info.absoluteFilePath()));
    if (component.isError()) {
        error = errorsOf(component);
        return false;
    }
    document_.reset(component.create());
    if (!document_) {
        error = errorsOf(component);
        return false;
    }
    QQmlEngine::setObjectOwnership(document_.get(), QQmlEngine::CppOwnership);
    if (!declare(document_->property("publishedInputs").toList(), error)) return false;

    auto* scene = document_->property("scene").value<QQmlComponent*>();
    if (!scene) {
        error = QStringLiteral("the document has no scene component");
        return false;
    }
    inputs_ = std::make_unique<QQmlPropertyMap>();
    for (const QString& key : keys_) publish(key);
    context_ = std::make_unique<QQmlContext>(engine->rootContext());
    context_->setContextProperty(QStringLiteral("inputs"), inputs_.get());
    context_->setContextProperty(QStringLiteral("renderTime"), 0.0);
    QObject* made = scene->create(context_.get());
    auto* item = qobject_cast<QQuickItem*>(made);
    if (!item) {
        delete made;
        error = scene->isError() ? errorsOf(*scene) : QStringLiteral("the scene is not an Item");
        return false;
    }
    QQmlEngine::setObjectOwnership(item, QQmlEngine::CppOwnership);
    item_.reset(item);
    return true;
}

bool CompositionRenderer::declare(const QVariantList& declarations, QString& error) {
    for (const QVariant& d : declarations) {
        const QVariantMap m = d.toMap();
        const QString key = m.value(QStringLiteral("key")).toString();
        if (key.isEmpty() || attributes_.contains(key)) {
            error = QStringLiteral("input without a key, or declared twice: \"%1\"").arg(key);
            return false;
        }
        InputAttributes a;
        a.type = portTypeFromName(m.value(QStringLiteral("type")).toString());
        a.name = m.value(QStringLiteral("name")).toString();
        a.minimum = number(m.value(QStringLiteral("minimum")));
        a.maximum = number(m.value(QStringLiteral("maximum")));
        keys_ << key;
        attributes_.insert(key, a);
        QVariant initial = m.value(QStringLiteral("value"));
        if (a.type == PortType::String || a.type == PortType::Image) values_.insert(key, QVariant());
        else if (a.type != PortType::Other) values_.insert(key, a.type == PortType::Color
                                                                     ? QVariant(QColor(Qt::white))
                                                                     : QVariant(0.0));
        setValue(key, initial);
    }
    return true;
}

void CompositionRenderer::setValue(const QString& key, const QVariant& value) {
    auto it = attributes_.constFind(key);
    if (it == attributes_.constEnd()) return;
    const InputAttributes& a = *it;
    QVariant accepted;
    switch (a.type) {
    case PortType::Boolean: {
        auto n = value.typeId() == QMetaType::Bool ? std::optional<double>(value.toBool()) : number(value);
        if (!n) return;
        accepted = *n != 0 ? 1.0 : 0.0;
        break;
    }
    case PortType::Index:
    case PortType::Number: {
        auto n = number(value);
        if (!n) return;
        double v = *n;
        if (a.type == PortType::Index) v = std::max(0.0, std::round(v));
        if (a.minimum && v < *a.minimum) v = *a.minimum;
        if (a.maximum && v > *a.maximum) v = *a.maximum;
        accepted = v;
        break;
    }
    case PortType::String:
        accepted = value.isNull() ? QString() : value.toString();
        break;
    case PortType::Color: {
        QColor c = value.typeId() == QMetaType::QColor ? value.value<QColor>()
                                                       : QColor::fromString(value.toString());
        if (!c.isValid()) return;
        accepted = c;
        break;
    }
    case PortType::Image: {
        if (value.typeId() == QMetaType::QString && !value.toString().isEmpty()) {
            auto img = imageFile(value.toString());
            if (!img) return;
            accepted = *img;
            break;
        }
        QImage img = value.value<QImage>();
        if (!img.isNull()) accepted = img;
        break;
    }
    case PortType::Other:
        accepted = value;
        break;
    }
    values_.insert(key, accepted);
    if (inputs_ && !refused_ && !scene_.runScript([&] { publish(key); })) refuse();
}

std::optional<QImage> CompositionRenderer::imageFile(const QString& name) {
    QString file = name.startsWith(QLatin1String("file:")) ? QUrl(name).toLocalFile() : name;
    // A relative name is beside the document, as the documents' own defaults are.
    if (QFileInfo(file).isRelative()) file = QFileInfo(path_).absoluteDir().filePath(file);
    QImageReader reader(file);
    QImage image = reader.read();
    if (image.isNull()) {
        scene_.report(QStringLiteral("Cannot read the image \"%1\" of composition file \"%2\": %3")
                          .arg(file, path_, reader.errorString()));
        return std::nullopt;
    }
    return image;
}

void CompositionRenderer::publish(const QString& key) {
    const QVariant v = values_.value(key);
    QVariant shown;
    switch (attributes_.value(key).type) {
    case PortType::Boolean: shown = v.toDouble() != 0; break;
    case PortType::Index: shown = static_cast<int>(v.toDouble()); break;
    case PortType::Number: shown = v.toDouble(); break;
    case PortType::String: shown = v.toString(); break;
    case PortType::Color: shown = v; break;
    case PortType::Image:
        shown = scene_.images_->publish(slot_ + QLatin1Char('/') + key, v.value<QImage>());
        break;
    case PortType::Other: shown = v; break;
    }
    inputs_->insert(key, shown);
}

QVariant CompositionRenderer::valueForInputKey(const QString& key) const { return values_.value(key); }

void CompositionRenderer::renderAtTime(double seconds) {
    if (refused_) return;
    if (!scene_.runScript([&] { context_->setContextProperty(QStringLiteral("renderTime"), seconds); })) {
        refuse();
        return;
    }
    scene_.drawn(this);
}

} // namespace tarnvik
