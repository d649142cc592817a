#include "app/CompressionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace tarnvik {

namespace {

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
