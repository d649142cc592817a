// Our compression dialog: codec, quality, data rate, key-frame interval and
// frame rate for a movie recording.
#pragma once

#include "export/CompressionSettings.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSlider;
class QSpinBox;

namespace tarnvik {

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
