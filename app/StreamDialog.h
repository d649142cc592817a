// The network stream's dialog: where to send it (an SRT listener that
// viewers connect to, or a UDP receiver) and its bit rate; the last choice
// is kept in the settings ("NetworkStream") and offered again.
#pragma once

#include "export/FrameStreamExporter.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace tarnvik {

class UserDefaults;

class StreamDialog : public QDialog {
    Q_OBJECT
public:
    explicit StreamDialog(QWidget* parent = nullptr);

    void setSettings(const StreamSettings& settings);
    StreamSettings settings() const;

    // The controls, for tests that fill the dialog in as a user would.
    QLineEdit* urlField() const { return url_; }
    QSpinBox* bitRateField() const { return bitRate_; } // kbit/s
    // Says what is wrong with the address, while it is.
    QLabel* problemLabel() const { return problem_; }

    // Closes only with an address that can be used.
    void accept() override;

private:
    QLineEdit* url_;
    QSpinBox* bitRate_;
    QLabel* problem_;
};

// Runs the dialog; 0 accepted, 1 cancelled. Tests give their own.
using StreamDialogRunner = std::function<int(StreamDialog&)>;

// The kept choice; the defaults where there is none or it cannot be used.
StreamSettings storedStreamSettings(const UserDefaults& defaults);
// Offers the kept choice; the accepted one is kept. Nothing when cancelled.
std::optional<StreamSettings> userStreamSettings(UserDefaults* defaults, QWidget* parent = nullptr,
                                                 const StreamDialogRunner& run = {});

} // namespace tarnvik
