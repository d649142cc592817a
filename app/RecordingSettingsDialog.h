// The recording settings dialog: folder, file-name pattern (with the name
// it gives now), camera, split interval, and the codec through the
// compression dialog.
#pragma once

#include "app/RecordingSettings.h"

#include <QDialog>

#include <functional>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnvik {

class CompressionDialog;

class RecordingSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecordingSettingsDialog(QWidget* parent = nullptr);

    void setSettings(const RecordingSettings& settings);
    RecordingSettings settings() const;
    // What {vessel} and {job} stand for in the example name.
    void setNameFields(const QString& vessel, const QString& job);
    // Runs the compression dialog: 0 accepted, anything else not. Empty: modal.
    void setCompressionRunner(std::function<int(CompressionDialog&)> run) { runCompression_ = std::move(run); }

    // The controls, for tests that fill the dialog in as a user would.
    QLineEdit* folderField() const { return folder_; }
    QLineEdit* patternField() const { return pattern_; }
    QLineEdit* cameraField() const { return camera_; }
    QDoubleSpinBox* splitField() const { return split_; }
    QPushButton* compressionButton() const { return compressionButton_; }
    QLabel* example() const { return example_; }

private:
    void chooseFolder();
    void chooseCompression();
    void updateExample();

    QLineEdit* folder_;
    QLineEdit* pattern_;
    QLineEdit* camera_;
    QDoubleSpinBox* split_;
    QPushButton* compressionButton_;
    QLabel* compressionName_;
    QLabel* example_;
    CompressionSettings compression_;
    QString vessel_, job_;
    std::function<int(CompressionDialog&)> runCompression_;
};

} // namespace tarnvik
