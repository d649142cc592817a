#include "app/RecordingSettingsDialog.h"

#include "app/CompressionDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnvik {

namespace {

QString codecTitle(std::uint32_t codec) {
    const CodecInfo* info = codecInfo(codec);
    return info ? QString::fromUtf8(info->title) : QString::fromStdString(fourCCText(codec));
}

} // namespace

RecordingSettingsDialog::RecordingSettingsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Recording Settings"));
    auto* form = new QFormLayout;

    folder_ = new QLineEdit(this);
    auto* choose = new QPushButton(tr("Choose…"), this);
    connect(choose, &QPushButton::clicked, this, &RecordingSettingsDialog::chooseFolder);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(choose);
    form->addRow(tr("Folder:"), folderRow);

    pattern_ = new QLineEdit(this);
    pattern_->setToolTip(tr("{date} and {time} of the start (UTC), {vessel}, {job} and {camera}"));
    form->addRow(tr("File name:"), pattern_);
    example_ = new QLabel(this);
    example_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString(), example_);

    camera_ = new QLineEdit(this);
    form->addRow(tr("Camera:"), camera_);

    split_ = new QDoubleSpinBox(this);
    split_->setRange(1.0 / 60, 24 * 60);
    split_->setDecimals(2);
    split_->setSuffix(tr(" minutes"));
    form->addRow(tr("New file every:"), split_);

    compressionName_ = new QLabel(this);
    compressionButton_ = new QPushButton(tr("Compression…"), this);
    connect(compressionButton_, &QPushButton::clicked, this, &RecordingSettingsDialog::chooseCompression);
    auto* compressionRow = new QHBoxLayout;
    compressionRow->addWidget(compressionName_, 1);
    compressionRow->addWidget(compressionButton_);
    form->addRow(tr("Compression:"), compressionRow);

    for (QLineEdit* f : {pattern_, camera_}) connect(f, &QLineEdit::textChanged, this, [this] { updateExample(); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setSettings(RecordingSettings());
}

void RecordingSettingsDialog::setSettings(const RecordingSettings& s) {
    folder_->setText(s.folder);
    pattern_->setText(s.pattern);
    camera_->setText(s.camera);
    split_->setValue(s.splitSeconds / 60);
    compression_ = s.compression;
    compressionName_->setText(codecTitle(compression_.codec));
    updateExample();
}

RecordingSettings RecordingSettingsDialog::settings() const {
    RecordingSettings s;
    if (!folder_->text().trimmed().isEmpty()) s.folder = folder_->text().trimmed();
    if (!pattern_->text().trimmed().isEmpty()) s.pattern = pattern_->text().trimmed();
    s.camera = camera_->text().trimmed();
    s.splitSeconds = std::max(1.0, split_->value() * 60);
    s.compression = compression_;
    return s;
}

void RecordingSettingsDialog::setNameFields(const QString& vessel, const QString& job) {
    vessel_ = vessel;
    job_ = job;
    updateExample();
}

void RecordingSettingsDialog::chooseFolder() {
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Recording Folder"), folder_->text());
    if (!chosen.isEmpty()) folder_->setText(chosen);
}

void RecordingSettingsDialog::chooseCompression() {
    CompressionDialog dialog(this);
    dialog.setSettings(compression_);
    const int result = runCompression_ ? runCompression_(dialog) : (dialog.exec() == QDialog::Accepted ? 0 : 1);
    if (result != 0) return;
    compression_ = dialog.settings();
    compressionName_->setText(codecTitle(compression_.codec));
}

void RecordingSettingsDialog::updateExample() {
    const QString pattern = pattern_->text().trimmed().isEmpty() ? RecordingSettings().pattern : pattern_->text();
    example_->setText(recordingBaseName(pattern, QDateTime::currentDateTimeUtc(), vessel_, job_, camera_->text()) +
                      QStringLiteral(".mov"));
}

} // namespace tarnvik
