// Our compression dialog: codec, quality, data rate, key-frame interval and
// frame rate for a movie recording. Its settings travel as one byte block,
// so that the choice can be kept in the user defaults between runs.
#pragma once

#include "export/CompressionOptions.h"

#include <QByteArray>
#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSlider;
class QSpinBox;

namespace tarnvik {

struct CompressionSettings {
    std::uint32_t codec = kCodecH264;
    int quality = kQualityHigh;
    std::int64_t dataRate = 0;  // bytes per second; 0: no limit
    int keyFrameInterval = 25;  // 0: the codec's choice
    double frameRate = 25;

    QByteArray serialize() const;
    // 0, or a negative code for a block that is not ours or out of range;
    // *this is left as it was then.
    int parse(const QByteArray& block);
    CompressionOptions options() const;

    friend bool operator==(const CompressionSettings&, const CompressionSettings&) = default;
};

class CompressionDialog : public QDialog {
    Q_OBJECT
public:
    explicit CompressionDialog(QWidget* parent = nullptr);

    void setSettings(const CompressionSettings& settings);
    CompressionSettings settings() const;

    // The controls, for tests that fill the dialog in as a user would.
    QComboBox* codecMenu() const { return codec_; }
    QSlider* qualitySlider() const { return quality_; }
    QSpinBox* dataRateField() const { return dataRate_; }
    QCheckBox* keyFrameBox() const { return keyFrames_; }
    QSpinBox* keyFrameField() const { return keyFrameInterval_; }
    QDoubleSpinBox* frameRateField() const { return frameRate_; }

private:
    void updateControls();

    QComboBox* codec_;
    QSlider* quality_;
    QLabel* qualityName_;
    QSpinBox* dataRate_;
    QCheckBox* keyFrames_;
    QSpinBox* keyFrameInterval_;
    QDoubleSpinBox* frameRate_;
};

} // namespace tarnvik
