#include "app/Notices.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtDebug>

namespace tarnvik {

namespace {
constexpr int kMostRows = 4; // older notices leave the bar; the log keeps them

QString background(NoticeLevel level) {
    switch (level) {
    case NoticeLevel::Info: return QStringLiteral("#dde8f5");
    case NoticeLevel::Warning: return QStringLiteral("#fbeeb8");
    case NoticeLevel::Alert: return QStringLiteral("#f6c7c3");
    }
    return {};
}
} // namespace

Notices::Notices(QObject* parent) : QObject(parent) {}

Notices::~Notices() {
    if (over_) over_->removeEventFilter(this);
    if (alert_) alert_->deleteLater();
}

void Notices::attach(QWidget* window, QWidget* over) {
    if (over_) over_->removeEventFilter(this);
    window_ = window;
    over_ = over;
    if (over_) over_->installEventFilter(this);
}

QWidget* Notices::bar() const { return bar_ && !bar_->isHidden() ? bar_ : nullptr; }

void Notices::post(const QString& text, NoticeLevel level) {
    posted_.append(text);
    if (level == NoticeLevel::Info) qInfo().noquote() << text;
    else qWarning().noquote() << text;
    emit notice(text, level);
    if (!window_ || !over_) return;

    if (!bar_) {
        // A child of the window but not of its layout: the picture keeps its size.
        bar_ = new QWidget(window_);
        bar_->setObjectName(QStringLiteral("noticeBar"));
        rows_ = new QVBoxLayout(bar_);
        rows_->setContentsMargins(0, 0, 0, 0);
        rows_->setSpacing(1);
    }
    auto* row = new QWidget(bar_);
    row->setAutoFillBackground(true);
    row->setStyleSheet(QStringLiteral("background:%1;color:black;").arg(background(level)));
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(8, 3, 4, 3);
    auto* label = new QLabel(text, row);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    h->addWidget(label, 1);
    auto* close = new QToolButton(row);
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("Dismiss"));
    h->addWidget(close);
    connect(close, &QToolButton::clicked, this, [this, row] {
        rows_->removeWidget(row);
        row->deleteLater();
        placeBar();
    });
    rows_->addWidget(row);
    while (rows_->count() > kMostRows) delete rows_->takeAt(0)->widget();
    placeBar();

    if (level == NoticeLevel::Alert) {
        if (alert_) alert_->deleteLater();
        alert_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tarnvik"), text, QMessageBox::Ok, window_);
        alert_->setAttribute(Qt::WA_DeleteOnClose);
        alert_->open(); // window-modal, the event loop and rendering go on
        QApplication::beep();
    }
}

void Notices::placeBar() {
    if (!bar_ || !over_ || !window_) return;
    if (rows_->count() == 0) {
        bar_->hide();
        return;
    }
    const QPoint topLeft = over_->mapTo(window_, QPoint(0, 0));
    bar_->setFixedWidth(over_->width());
    bar_->adjustSize();
    bar_->move(topLeft);
    bar_->show();
    bar_->raise();
}

bool Notices::eventFilter(QObject* watched, QEvent* e) {
    if (watched == over_ && (e->type() == QEvent::Resize || e->type() == QEvent::Move)) placeBar();
    return QObject::eventFilter(watched, e);
}

} // namespace tarnvik
