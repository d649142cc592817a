// The render size: what the size fields and their menu of typical sizes
// set, the window around the picture, and the size kept between runs.
#include "app/AppController.h"

#include "app/RenderView.h"
#include "app/Toolbar.h"
#include "render/CompositionScene.h"
#include "render/RenderSize.h"
#include "render/SettingsCheck.h"
#include "render/UserDefaults.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>

#include <cmath>

namespace tarnvik {

namespace {

const QString kRenderSizeKey = QStringLiteral("RenderSize");

// A whole number of pixels, or -1.
int pixels(const QVariant& v) {
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && d == std::floor(d) && std::abs(d) < 1e6 ? int(d) : -1;
}

} // namespace

void storeRenderSize(UserDefaults& defaults, QSize size) {
    defaults.setValue(kRenderSizeKey,
                      QVariantMap{{QStringLiteral("Width"), size.width()}, {QStringLiteral("Height"), size.height()}});
}

QSize AppController::startSize() {
    if (options_.renderSize.isValid()) return options_.renderSize; // --size, checked as it was read
    const QVariant stored = defaults_->value(kRenderSizeKey);
    if (!stored.isValid()) return kDefaultRenderSize;
    const QVariantMap m = stored.toMap();
    const QSize size(pixels(m.value(QStringLiteral("Width"))), pixels(m.value(QStringLiteral("Height"))));
    const bool sized = stored.typeId() == QMetaType::QVariantMap && size.width() >= 0 && size.height() >= 0;
    const QString problem = sized ? renderSizeProblem(size) : QStringLiteral("it is not a width and height");
    if (problem.isEmpty()) return size;
    notices_.post(QStringLiteral("The saved render size %1 cannot be used: %2. Using %3.")
                      .arg(sized ? sizeText(size) : describeStored(stored), problem, sizeText(kDefaultRenderSize)),
                  NoticeLevel::Warning);
    return kDefaultRenderSize;
}

void AppController::checkStartSize() {
    const QString problem = renderSizeProblem(renderSize_, scene_->largestSide());
    if (problem.isEmpty() && scene_->size() == renderSize_) return;
    refuseSize(renderSize_, problem.isEmpty() ? QStringLiteral("the picture could not be made at that size") : problem);
    renderSize_ = kDefaultRenderSize;
    scene_->setSize(renderSize_);
    renderView_->setPictureSize(renderSize_);
    showSizeInFields();
    fitWindowToPicture();
}

bool AppController::setRenderSize(QSize size) {
    if (!mainWindow_) return false;
    const QString problem = renderSizeProblem(size, scene_ ? scene_->largestSide() : 0);
    if (!problem.isEmpty()) {
        refuseSize(size, problem);
        return false;
    }
    if (size == renderSize_) {
        // Typed again after a drag: pixel for pixel again.
        showSizeInFields();
        fitWindowToPicture();
        return true;
    }
    // The old framebuffer stays where a new one cannot be made.
    if (scene_ && !scene_->setSize(size)) {
        refuseSize(size, QStringLiteral("the picture could not be made at that size"));
        return false;
    }
    resizing_ = true;
    // A movie or live DV has the size of its frames: another size ends it.
    if (exportSize_.isValid() && size != exportSize_) {
        endExport();
        exportMenu_->setCurrentIndex(exportMenu_->findData(kNoExport));
    }
    renderSize_ = size;
    renderView_->setPictureSize(size);
    clearView();
    showSizeInFields();
    fitWindowToPicture();
    reloadRenderers();
    renewReader();
    resizing_ = false;
    emit renderSizeChanged(size);
    return true;
}

void AppController::refuseSize(QSize size, const QString& why) {
    notices_.post(QStringLiteral("The render size cannot be %1: %2.").arg(sizeText(size), why), NoticeLevel::Warning);
    showSizeInFields();
}

void AppController::showSizeInFields() {
    widthField_->setText(QString::number(renderSize_.width()));
    heightField_->setText(QString::number(renderSize_.height()));
}

void AppController::updateResolution(QLineEdit* sender) {
    bool ok = false;
    const int value = sender->text().toInt(&ok);
    if (!ok) {
        showSizeInFields();
        return;
    }
    QSize size = renderSize_;
    if (sender == widthField_) size.setWidth(value);
    else size.setHeight(value);
    setRenderSize(size);
}

void AppController::fitWindowToPicture() {
    QMainWindow* w = mainWindow_.get();
    w->layout()->activate();
    const QSize chrome = w->size() - renderView_->size();
    QSize view = renderSize_;
    QRect screen;
    if (QScreen* s = w->screen()) {
        screen = s->availableGeometry();
        const QSize frame = w->frameGeometry().size() - w->geometry().size();
        const QSize room = (screen.size() - frame - chrome).expandedTo(QSize(1, 1));
        // Too large for the screen: as large as fits, the aspect kept.
        if (view.width() > room.width() || view.height() > room.height())
            view = renderSize_.scaled(room, Qt::KeepAspectRatio);
    }
    w->resize(chrome + view);
    w->layout()->activate();
    // Wholly on the screen, if it was placed where the new size runs off it.
    const QRect outer = w->frameGeometry();
    if (screen.isValid() && !screen.contains(outer)) {
        const int x = std::max(screen.left(), std::min(outer.left(), screen.right() + 1 - outer.width()));
        const int y = std::max(screen.top(), std::min(outer.top(), screen.bottom() + 1 - outer.height()));
        w->move(x, y);
    }
}

} // namespace tarnvik
