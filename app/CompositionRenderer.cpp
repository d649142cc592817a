#include "app/CompositionRenderer.h"

#include "app/CompositionScene.h"
#include "app/InputImageProvider.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlPropertyMap>
#include <QQuickItem>
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
    QString error;
    if (!r->load(error)) {
        qWarning().noquote() << QStringLiteral("Cannot load composition file \"%1\": %2").arg(path, error);
        return nullptr;
    }
    scene.attach(r.get());
    return r;
}

CompositionRenderer::~CompositionRenderer() {
    scene_.detach(this);
    scene_.images_->forget(slot_);
}

bool CompositionRenderer::load(QString& error) {
    QFileInfo info(path_);
    if (!info.isFile()) {
        error = QStringLiteral("no such file");
        return false;
    }
    QQmlEngine* engine = scene_.engine();
    // The document is QML whatever its suffix.
    QQmlComponent component(engine);
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    component.setData(file.readAll(), QUrl::fromLocalFile(info.absoluteFilePath()));
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
    const QDir dir = QFileInfo(path_).absoluteDir();
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
        // An image default names a file beside the document.
        if (a.type == PortType::Image && initial.typeId() == QMetaType::QString)
            initial = QImage(dir.filePath(initial.toString()));
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
        QImage img = value.value<QImage>();
        if (!img.isNull()) accepted = img;
        break;
    }
    case PortType::Other:
        accepted = value;
        break;
    }
    values_.insert(key, accepted);
    if (inputs_) publish(key);
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
    context_->setContextProperty(QStringLiteral("renderTime"), seconds);
    scene_.drawn(this);
}

} // namespace tarnvik
