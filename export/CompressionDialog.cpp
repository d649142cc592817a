#include "export/CompressionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QList>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace tarnvik {

namespace {

constexpr const char* kMagic = "TarnvikCompressionSettings 1";

bool lossless(std::uint32_t codec) { return codec == kCodecPNG || codec == kCodecAnimation; }

const char* qualityName(int q) {
    if (q >= kQualityLossless) return "Lossless";
    if (q >= kQualityMax) return "Best";
    if (q >= kQualityHigh) return "High";
    if (q >= kQualityNormal) return "Medium";
    if (q >= kQualityLow) return "Low";
    return "Least";
}

} // namespace

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

CompressionDialog::CompressionDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Compression Settings"));
    auto* form = new QFormLayout;

    codec_ = new QComboBox(this);
    for (const CodecInfo& c : movieCodecs())
        if (codecAvailable(c.type)) codec_->addItem(QString::fromUtf8(c.title), c.type);
    form->addRow(tr("Compression type:"), codec_);

    quality_ = new QSlider(Qt::Horizontal, this);
    quality_->setRange(kQualityMin, kQualityLossless);
    quality_->setPageStep(kQualityLow);
    quality_->setTickInterval(kQualityLow);
    quality_->setTickPosition(QSlider::TicksBelow);
    qualityName_ = new QLabel(this);
    qualityName_->setMinimumWidth(qualityName_->fontMetrics().horizontalAdvance(QStringLiteral("Lossless")));
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(quality_, 1);
    qualityRow->addWidget(qualityName_);
    form->addRow(tr("Quality:"), qualityRow);

    dataRate_ = new QSpinBox(this);
    dataRate_->setRange(0, 1000000);
    dataRate_->setSuffix(tr(" KB/s"));
    dataRate_->setSpecialValueText(tr("Automatic"));
    form->addRow(tr("Limit data rate to:"), dataRate_);

    keyFrames_ = new QCheckBox(tr("Key frame every"), this);
    keyFrameInterval_ = new QSpinBox(this);
    keyFrameInterval_->setRange(1, 100000);
    keyFrameInterval_->setSuffix(tr(" frames"));
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(keyFrames_);
    keyRow->addWidget(keyFrameInterval_, 1);
    form->addRow(tr("Key frames:"), keyRow);

    frameRate_ = new QDoubleSpinBox(this);
    frameRate_->setRange(1, 240);
    frameRate_->setDecimals(2);
    frameRate_->setSuffix(tr(" fps"));
    form->addRow(tr("Frame rate:"), frameRate_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(codec_, &QComboBox::currentIndexChanged, this, &CompressionDialog::updateControls);
    connect(quality_, &QSlider::valueChanged, this, &CompressionDialog::updateControls);
    connect(keyFrames_, &QCheckBox::toggled, this, &CompressionDialog::updateControls);
    setSettings(CompressionSettings{});
}

void CompressionDialog::setSettings(const CompressionSettings& s) {
    const int index = codec_->findData(s.codec);
    codec_->setCurrentIndex(index >= 0 ? index : 0);
    quality_->setValue(s.quality);
    dataRate_->setValue(int(std::min<std::int64_t>(s.dataRate / 1000, dataRate_->maximum())));
    keyFrames_->setChecked(s.keyFrameInterval > 0);
    keyFrameInterval_->setValue(s.keyFrameInterval > 0 ? s.keyFrameInterval : 25);
    frameRate_->setValue(s.frameRate);
    updateControls();
}

CompressionSettings CompressionDialog::settings() const {
    CompressionSettings s;
    s.codec = codec_->currentIndex() >= 0 ? codec_->currentData().toUInt() : kCodecH264;
    s.quality = quality_->value();
    s.dataRate = std::int64_t(dataRate_->value()) * 1000;
    s.keyFrameInterval = keyFrames_->isChecked() ? keyFrameInterval_->value() : 0;
    s.frameRate = frameRate_->value();
    return s;
}

void CompressionDialog::updateControls() {
    const std::uint32_t codec = codec_->currentData().toUInt();
    quality_->setEnabled(!lossless(codec));
    qualityName_->setText(lossless(codec) ? tr("Lossless") : tr(qualityName(quality_->value())));
    keyFrameInterval_->setEnabled(keyFrames_->isChecked());
}

} // namespace tarnvik
