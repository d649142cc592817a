#include "render/Plist.h"

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

// Reads one value at a time, within the limits; the first thing that is
// wrong ends the read with its reason.
class Reader {
public:
    Reader(QXmlStreamReader& r, const Limits& limits) : r_(r), limits_(limits) {}

    // The value whose start element the reader is on.
    std::optional<QVariant> value(int depth) {
        if (++count_ > limits_.values) return fail(QStringLiteral("more than %1 values").arg(limits_.values));
        const QStringView name = r_.name();
        if (name == u"dict" || name == u"array") {
            // Depth is checked before going down: deep nesting must not use up the stack.
            if (depth >= limits_.depth) return fail(QStringLiteral("nested deeper than %1 levels").arg(limits_.depth));
            return name == u"dict" ? dict(depth) : array(depth);
        }
        if (name == u"true" || name == u"false") {
            bool b = name == u"true";
            r_.skipCurrentElement();
            return QVariant(b);
        }
        const QString text = r_.readElementText();
        if (r_.hasError()) return std::nullopt;
        if (name == u"string") return string(text);
        if (name == u"data") return data(text);
        if (name == u"integer") {
            bool ok = false;
            qlonglong n = text.trimmed().toLongLong(&ok);
            return ok ? std::optional<QVariant>(n) : damaged();
        }
        if (name == u"real") {
            QString t = text.trimmed().toLower();
            if (t == u"nan") return QVariant(std::nan(""));
            if (t == u"+infinity" || t == u"infinity" || t == u"inf") return QVariant(HUGE_VAL);
            if (t == u"-infinity" || t == u"-inf") return QVariant(-HUGE_VAL);
            bool ok = false;
            double d = t.toDouble(&ok);
            return ok ? std::optional<QVariant>(d) : damaged();
        }
        return damaged(); // a date or an unknown element
    }

    const QString& error() const { return error_; }

private:
    std::optional<QVariant> dict(int depth) {
        QVariantMap m;
        while (r_.readNextStartElement()) {
            if (r_.name() != u"key") return damaged();
            auto key = string(r_.readElementText());
            if (!key || r_.hasError() || !r_.readNextStartElement()) return damaged();
            auto v = value(depth + 1);
            if (!v) return v;
            m.insert(key->toString(), *v);
        }
        return r_.hasError() ? std::nullopt : std::optional<QVariant>(m);
    }

    std::optional<QVariant> array(int depth) {
        QVariantList l;
        while (r_.readNextStartElement()) {
            auto v = value(depth + 1);
            if (!v) return v;
            l << *v;
        }
        return r_.hasError() ? std::nullopt : std::optional<QVariant>(l);
    }

    std::optional<QVariant> string(const QString& text) {
        if (text.size() > limits_.stringChars)
            return fail(QStringLiteral("a string longer than %1 characters near line %2")
                            .arg(limits_.stringChars)
                            .arg(r_.lineNumber()));
        return QVariant(text);
    }

    std::optional<QVariant> data(const QString& text) {
        // Line breaks and blanks are allowed inside the data; what is left
        // may not encode more than the limit.
        const qsizetype most = (limits_.dataBytes + 2) / 3 * 4;
        QByteArray base64;
        for (QChar c : text) {
            if (c.isSpace()) continue;
            if (base64.size() >= most)
                return fail(QStringLiteral("a data block larger than %1 bytes near line %2")
                                .arg(limits_.dataBytes)
                                .arg(r_.lineNumber()));
            base64.append(c.unicode() < 128 ? char(c.unicode()) : '?');
        }
        auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || (*decoded).size() > limits_.dataBytes) return damaged();
        return QVariant(*decoded);
    }

    std::optional<QVariant> damaged() {
        return fail(QStringLiteral("a damaged value near line %1").arg(r_.lineNumber()));
    }

    std::optional<QVariant> fail(const QString& why) {
        if (error_.isEmpty()) error_ = why;
        return std::nullopt;
    }

    QXmlStreamReader& r_;
    const Limits& limits_;
    qsizetype count_ = 0;
    QString error_;
};

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

std::optional<QVariant> read(const QByteArray& bytes, QString* error, const Limits& limits) {
    QXmlStreamReader r(bytes);
    auto fail = [&](const QString& why) -> std::optional<QVariant> {
        if (error) *error = r.hasError() ? r.errorString() : why;
        return std::nullopt;
    };
    if (bytes.size() > limits.fileBytes)
        return fail(QStringLiteral("larger than %1 bytes").arg(limits.fileBytes));
    if (!r.readNextStartElement() || r.name() != u"plist") return fail(QStringLiteral("not a property list"));
    if (!r.readNextStartElement()) return fail(QStringLiteral("an empty property list"));
    Reader reader(r, limits);
    auto v = reader.value(0);
    if (!v) return fail(reader.error().isEmpty() ? QStringLiteral("a damaged value near line %1").arg(r.lineNumber())
                                                 : reader.error());
    r.skipCurrentElement(); // the rest of <plist>
    while (!r.atEnd()) r.readNext();
    if (r.hasError()) return fail({});
    return v;
}

} // namespace tarnvik::plist
