#include "app/StreamDialog.h"

#include "render/UserDefaults.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QVariantMap>

#include <algorithm>

namespace tarnvik {

namespace {

const QString kKey = QStringLiteral("NetworkStream");
const QString kUrl = QStringLiteral("URL");
const QString kBitRate = QStringLiteral("BitRate"); // bits per second
constexpr int kLeastKbits = 100;
constexpr int kMostKbits = 100000;

} // namespace

StreamDialog::StreamDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Network Stream"));
    auto* form = new QFormLayout;
    url_ = new QLineEdit(this);
    url_->setMinimumWidth(url_->fontMetrics().horizontalAdvance(QStringLiteral("srt://0.0.0.0:9000?mode=listener")) +
                          40);
    url_->setToolTip(tr("srt://0.0.0.0:PORT?mode=listener waits for viewers (ffplay srt://THIS-COMPUTER:PORT); "
                        "udp://HOST:PORT sends to one receiver"));
    form->addRow(tr("Address:"), url_);
    bitRate_ = new QSpinBox(this);
    bitRate_->setRange(kLeastKbits, kMostKbits);
    bitRate_->setSingleStep(500);
    bitRate_->setSuffix(tr(" kbit/s"));
    form->addRow(tr("Bit rate at most:"), bitRate_);
    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    problem_->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &StreamDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(problem_);
    v->addWidget(buttons);
    setSettings({});
}

void StreamDialog::setSettings(const StreamSettings& s) {
    url_->setText(QString::fromStdString(s.url));
    bitRate_->setValue(int(std::clamp<std::int64_t>(s.bitRate / 1000, kLeastKbits, kMostKbits)));
}

StreamSettings StreamDialog::settings() const {
    StreamSettings s;
    s.url = url_->text().trimmed().toStdString();
    s.bitRate = std::int64_t(bitRate_->value()) * 1000;
    return s;
}

void StreamDialog::accept() {
    const std::string problem = StreamOutput::urlProblem(settings().url);
    if (problem.empty()) {
        QDialog::accept();
        return;
    }
    problem_->setText(tr("This address cannot be used: %1.").arg(QString::fromStdString(problem)));
    problem_->show();
}

StreamSettings storedStreamSettings(const UserDefaults& defaults) {
    StreamSettings s;
    const QVariantMap kept = defaults.value(kKey).toMap();
    const QString url = kept.value(kUrl).toString();
    if (!url.isEmpty() && StreamOutput::urlProblem(url.toStdString()).empty()) s.url = url.toStdString();
    bool ok = false;
    const double rate = kept.value(kBitRate).toDouble(&ok);
    if (ok && rate >= kLeastKbits * 1000.0 && rate <= kMostKbits * 1000.0) s.bitRate = std::int64_t(rate);
    return s;
}

std::optional<StreamSettings> userStreamSettings(UserDefaults* defaults, QWidget* parent,
                                                 const StreamDialogRunner& run) {
    StreamDialog dialog(parent);
    if (defaults) dialog.setSettings(storedStreamSettings(*defaults));
    const int result = run ? run(dialog) : (dialog.exec() == QDialog::Accepted ? 0 : 1);
    if (result != 0) return std::nullopt;
    const StreamSettings chosen = dialog.settings();
    if (defaults) {
        defaults->setValue(
            kKey, QVariantMap{{kUrl, QString::fromStdString(chosen.url)}, {kBitRate, qlonglong(chosen.bitRate)}});
        defaults->synchronize(); // kept even if the program does not end cleanly
    }
    return chosen;
}

} // namespace tarnvik
