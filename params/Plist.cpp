#include "params/Plist.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>

namespace tarnvik::plist {

namespace {

bool writable(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantList:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

void writeValue(QXmlStreamWriter& w, const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QVariantMap: {
        w.writeStartElement(QStringLiteral("dict"));
        const QVariantMap m = v.toMap();
        for (auto it = m.begin(); it != m.end(); ++it) {
            if (!writable(*it)) continue;
            w.writeTextElement(QStringLiteral("key"), it.key());
            writeValue(w, *it);
        }
        w.writeEndElement();
        break;
    }
    case QMetaType::QVariantList:
        w.writeStartElement(QStringLiteral("array"));
        for (const QVariant& e : v.toList())
            if (writable(e)) writeValue(w, e);
        w.writeEndElement();
        break;
    case QMetaType::QString:
        w.writeTextElement(QStringLiteral("string"), v.toString());
        break;
    case QMetaType::QByteArray:
        w.writeTextElement(QStringLiteral("data"), QString::fromLatin1(v.toByteArray().toBase64()));
        break;
    case QMetaType::Bool:
        w.writeEmptyElement(v.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QMetaType::Double:
    case QMetaType::Float: {
        double d = v.toDouble();
        // 17 digits bring the same double back.
        QString text = std::isnan(d)   ? QStringLiteral("nan")
                       : std::isinf(d) ? (d > 0 ? QStringLiteral("+infinity") : QStringLiteral("-infinity"))
                                       : QString::number(d, 'g', 17);
        w.writeTextElement(QStringLiteral("real"), text);
        break;
    }
    default:
        w.writeTextElement(QStringLiteral("integer"), v.toString());
        break;
    }
}

// Reads the value whose start element the reader is on.
std::optional<QVariant> readValue(QXmlStreamReader& r) {
    const QStringView name = r.name();
    if (name == u"dict") {
        QVariantMap m;
        while (r.readNextStartElement()) {
            if (r.name() != u"key") return std::nullopt;
            QString key = r.readElementText();
            if (!r.readNextStartElement()) return std::nullopt;
            auto v = readValue(r);
            if (!v) return std::nullopt;
            m.insert(key, *v);
        }
        return r.hasError() ? std::nullopt : std::optional<QVariant>(m);
    }
    if (name == u"array") {
        QVariantList l;
        while (r.readNextStartElement()) {
            auto v = readValue(r);
            if (!v) return std::nullopt;
            l << *v;
        }
        return r.hasError() ? std::nullopt : std::optional<QVariant>(l);
    }
    if (name == u"true" || name == u"false") {
        bool b = name == u"true";
        r.skipCurrentElement();
        return QVariant(b);
    }
    const QString text = r.readElementText();
    if (r.hasError()) return std::nullopt;
    if (name == u"string") return QVariant(text);
    if (name == u"data") {
        auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        // Line breaks and blanks are allowed inside the data.
        if (!decoded) decoded = QByteArray::fromBase64Encoding(text.simplified().remove(u' ').toLatin1(),
                                                               QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return std::nullopt;
        return QVariant(*decoded);
    }
    if (name == u"integer") {
        bool ok = false;
        qlonglong n = text.trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(n) : std::nullopt;
    }
    if (name == u"real") {
        QString t = text.trimmed().toLower();
        if (t == u"nan") return QVariant(std::nan(""));
        if (t == u"+infinity" || t == u"infinity" || t == u"inf") return QVariant(HUGE_VAL);
        if (t == u"-infinity" || t == u"-inf") return QVariant(-HUGE_VAL);
        bool ok = false;
        double d = t.toDouble(&ok);
        return ok ? std::optional<QVariant>(d) : std::nullopt;
    }
    return std::nullopt; // a date or an unknown element
}

} // namespace

QByteArray write(const QVariant& root) {
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(-1);
    w.writeStartDocument();
    w.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                              "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    w.writeStartElement(QStringLiteral("plist"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    if (writable(root)) writeValue(w, root);
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

std::optional<QVariant> read(const QByteArray& bytes, QString* error) {
    QXmlStreamReader r(bytes);
    auto fail = [&](const QString& why) -> std::optional<QVariant> {
        if (error) *error = r.hasError() ? r.errorString() : why;
        return std::nullopt;
    };
    if (!r.readNextStartElement() || r.name() != u"plist") return fail(QStringLiteral("not a property list"));
    if (!r.readNextStartElement()) return fail(QStringLiteral("an empty property list"));
    auto v = readValue(r);
    if (!v) return fail(QStringLiteral("a damaged value near line %1").arg(r.lineNumber()));
    r.skipCurrentElement(); // the rest of <plist>
    while (!r.atEnd()) r.readNext();
    if (r.hasError()) return fail({});
    return v;
}

} // namespace tarnvik::plist
