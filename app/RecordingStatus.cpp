#include "app/RecordingStatus.h"

#include "app/RecordingTexts.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>

#include <cmath>

namespace tarnvik {

QString elapsedText(double seconds) {
    const long long s = seconds > 0 ? static_cast<long long>(std::floor(seconds)) : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

RecordingStatus::RecordingStatus(QWidget* parent)
    : QWidget(parent), mark_(new QLabel(QStringLiteral("●"))), first_(new QLabel), second_(new QLabel) {
    setObjectName(QStringLiteral("recordingStatus"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(8);
    row->addWidget(mark_);
    // The file's name gets the most room.
    row->addWidget(first_, 3);
    row->addWidget(second_, 2);
    second_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Shortened to fit rather than widening the window.
    for (QLabel* l : {first_, second_}) l->setMinimumWidth(0);
    first_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    second_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(QFontMetrics(font()).height() + 4);
    messageTimer_.setSingleShot(true);
    connect(&messageTimer_, &QTimer::timeout, this, [this] {
        message_.clear();
        showParts();
    });
    showIdle();
}

void RecordingStatus::showRecording(double seconds, const QString& fileName, std::uint64_t bytes,
                                    std::optional<std::uint64_t> freeBytes) {
    setMark(true);
    QString second = bytesText(bytes);
    if (freeBytes) second += QStringLiteral(", %1 free").arg(bytesText(*freeBytes));
    setParts(QStringLiteral("REC %1  %2").arg(elapsedText(seconds), fileName), second);
}

void RecordingStatus::showIdle() {
    setMark(false);
    setParts(QStringLiteral("Not recording"), QString());
}

void RecordingStatus::showMessage(const QString& text, std::chrono::milliseconds shownFor) {
    message_ = text;
    messageTimer_.start(shownFor);
    showParts();
}

QString RecordingStatus::text() const {
    return firstText_ + QLatin1Char('\n') + (message_.isEmpty() ? secondText_ : message_);
}

void RecordingStatus::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    showParts();
}

void RecordingStatus::setMark(bool shown) {
    // Coloured in or not, it keeps its room, so the text does not move.
    marked_ = shown;
    mark_->setStyleSheet(shown ? QStringLiteral("color:#d01010;") : QStringLiteral("color:transparent;"));
}

void RecordingStatus::setParts(const QString& first, const QString& second) {
    firstText_ = first;
    secondText_ = second;
    showParts();
}

void RecordingStatus::showParts() {
    const QString second = message_.isEmpty() ? secondText_ : message_;
    // Long names are shortened in the middle; the tooltip has them whole.
    first_->setText(first_->fontMetrics().elidedText(firstText_, Qt::ElideMiddle, first_->width()));
    second_->setText(second_->fontMetrics().elidedText(second, Qt::ElideMiddle, second_->width()));
    setToolTip(firstText_ + QLatin1Char('\n') + second);
}

} // namespace tarnvik
