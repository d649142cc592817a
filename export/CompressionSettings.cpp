#include "export/CompressionSettings.h"

#include <QList>

namespace tarnvik {

namespace {
constexpr const char* kMagic = "TarnvikCompressionSettings 1";
}

QByteArray CompressionSettings::serialize() const {
    QByteArray out(kMagic);
    out += "\ncodec=" + QByteArray::fromStdString(fourCCText(codec));
    out += "\nquality=" + QByteArray::number(quality);
    out += "\ndataRate=" + QByteArray::number(static_cast<qlonglong>(dataRate));
    out += "\nkeyFrameInterval=" + QByteArray::number(keyFrameInterval);
    out += "\nframeRate=" + QByteArray::number(frameRate, 'g', 17);
    out += '\n';
    return out;
}

int CompressionSettings::parse(const QByteArray& block) {
    const QList<QByteArray> lines = block.split('\n');
    if (lines.isEmpty() || lines.front() != kMagic) return -1;
    CompressionSettings s;
    int seen = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.isEmpty()) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) return -2;
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        bool ok = true;
        if (key == "codec") {
            if (value.size() != 4) return -2;
            s.codec = std::uint32_t(std::uint8_t(value[0])) << 24 | std::uint32_t(std::uint8_t(value[1])) << 16 |
                      std::uint32_t(std::uint8_t(value[2])) << 8 | std::uint32_t(std::uint8_t(value[3]));
        } else if (key == "quality") {
            s.quality = value.toInt(&ok);
        } else if (key == "dataRate") {
            s.dataRate = value.toLongLong(&ok);
        } else if (key == "keyFrameInterval") {
            s.keyFrameInterval = value.toInt(&ok);
        } else if (key == "frameRate") {
            s.frameRate = value.toDouble(&ok);
        } else {
            continue; // a later version's field
        }
        if (!ok) return -2;
        ++seen;
    }
    bool movieCodec = false;
    for (const CodecInfo& c : movieCodecs()) movieCodec |= c.type == s.codec;
    if (seen < 5 || !movieCodec || s.quality < kQualityMin || s.quality > kQualityLossless || s.dataRate < 0 ||
        s.keyFrameInterval < 0 || s.keyFrameInterval > 100000 || !(s.frameRate >= 1 && s.frameRate <= 240))
        return -3;
    *this = s;
    return 0;
}

CompressionOptions CompressionSettings::options() const {
    CompressionOptions o;
    o.quality = quality;
    o.dataRate = dataRate;
    o.keyFrameInterval = keyFrameInterval;
    o.frameRate = frameRate;
    return o;
}

} // namespace tarnvik
