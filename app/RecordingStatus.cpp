#include "app/RecordingStatus.h"

#include "app/RecordingTexts.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>

#include <cmath>

namespace tarnvik {

namespace {
constexpr int kWidth = 360;
}

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
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);
    QFont small = second_->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    second_->setFont(small);
    grid->addWidget(mark_, 0, 0, 2, 1, Qt::AlignVCenter);
    grid->addWidget(first_, 0, 1);
    grid->addWidget(second_, 1, 1);
    grid->setColumnStretch(1, 1);
    setFixedSize(kWidth, QFontMetrics(first_->font()).height() + QFontMetrics(small).height() + 8);
    messageTimer_.setSingleShot(true);
    connect(&messageTimer_, &QTimer::timeout, this, [this] {
        message_.clear();
        setLines(firstText_, secondText_);
    });
    showIdle();
}

void RecordingStatus::showRecording(double seconds, const QString& fileName, std::uint64_t bytes,
                                    std::optional<std::uint64_t> freeBytes) {
    setMark(true);
    QString second = bytesText(bytes);
    if (freeBytes) second += QStringLiteral(", %1 free").arg(bytesText(*freeBytes));
    setLines(QStringLiteral("REC %1  %2").arg(elapsedText(seconds), fileName), second);
}

void RecordingStatus::showIdle() {
    setMark(false);
    setLines(QStringLiteral("Not recording"), QString());
}

void RecordingStatus::showMessage(const QString& text, std::chrono::milliseconds shownFor) {
    message_ = text;
    messageTimer_.start(shownFor);
    setLines(firstText_, secondText_);
}

void RecordingStatus::setMark(bool shown) {
    // Coloured in or not, it keeps its room, so the text does not move.
    marked_ = shown;
    mark_->setStyleSheet(shown ? QStringLiteral("color:#d01010;") : QStringLiteral("color:transparent;"));
}

QString RecordingStatus::text() const {
    return firstText_ + QLatin1Char('\n') + (message_.isEmpty() ? secondText_ : message_);
}

void RecordingStatus::setLines(const QString& first, const QString& second) {
    firstText_ = first;
    secondText_ = second;
    // Long names are shortened in the middle; the tooltip has them whole.
    const int room = kWidth - mark_->sizeHint().width() - 16;
    const QString shown = message_.isEmpty() ? second : message_;
    first_->setText(QFontMetrics(first_->font()).elidedText(first, Qt::ElideMiddle, room));
    second_->setText(QFontMetrics(second_->font()).elidedText(shown, Qt::ElideMiddle, room));
    setToolTip(first + QLatin1Char('\n') + shown);
}

} // namespace tarnvik
