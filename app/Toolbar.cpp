#include "app/Toolbar.h"

#include "render/RenderSize.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace tarnvik {

namespace {

QWidget* flexibleSpace() {
    auto* w = new QWidget;
    w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return w;
}

// A toolbar item: its view with a label under it, which may shrink by 50
// pixels in width and no more.
QWidget* item(QWidget* view, const QString& label) {
    auto* box = new QWidget;
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(4, 2, 4, 2);
    v->setSpacing(1);
    v->addWidget(view, 0, Qt::AlignHCenter);
    auto* l = new QLabel(label);
    l->setAlignment(Qt::AlignHCenter);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    l->setFont(f);
    v->addWidget(l);
    const QSize most = box->sizeHint();
    box->setMaximumSize(most);
    box->setMinimumSize(std::max(0, most.width() - 50), most.height());
    return box;
}

} // namespace

Toolbar makeToolbar(QMainWindow* window, QAction* snapshot, bool virtualCamera) {
    Toolbar t{};
    auto* bar = new QToolBar(QStringLiteral("mainToolbar"), window);
    bar->setObjectName(QStringLiteral("mainToolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->toggleViewAction()->setEnabled(false);

    auto* resolution = new QWidget;
    auto* h = new QHBoxLayout(resolution);
    h->setContentsMargins(0, 0, 0, 0);
    t.widthField = new QLineEdit;
    t.heightField = new QLineEdit;
    for (QLineEdit* f : {t.widthField, t.heightField}) {
        f->setFixedWidth(60);
        f->setAlignment(Qt::AlignRight);
    }
    t.widthField->setObjectName(QStringLiteral("widthField"));
    t.heightField->setObjectName(QStringLiteral("heightField"));
    h->addWidget(t.widthField);
    h->addWidget(new QLabel(QStringLiteral("×")));
    h->addWidget(t.heightField);
    t.sizeMenu = new QToolButton;
    t.sizeMenu->setObjectName(QStringLiteral("sizeMenu"));
    t.sizeMenu->setToolTip(QStringLiteral("Typical render sizes"));
    t.sizeMenu->setPopupMode(QToolButton::InstantPopup);
    t.sizeMenu->setArrowType(Qt::DownArrow);
    auto* sizes = new QMenu(t.sizeMenu);
    for (QSize size : typicalRenderSizes()) sizes->addAction(sizeText(size))->setData(size);
    t.sizeMenu->setMenu(sizes);
    h->addWidget(t.sizeMenu);

    t.exportMenu = new QComboBox;
    t.exportMenu->setObjectName(QStringLiteral("exportMenu"));
    t.exportMenu->addItem(QStringLiteral("No export"), kNoExport);
    t.exportMenu->addItem(QStringLiteral("Record movie…"), kMovieExport);
    t.exportMenu->addItem(QStringLiteral("Live DV"), kLiveDVExport);
    t.exportMenu->addItem(QStringLiteral("Network stream…"), kStreamExport);
    // Offered only where there is a device to write to.
    if (virtualCamera) t.exportMenu->addItem(QStringLiteral("Virtual camera"), kVirtualCameraExport);

    bar->addWidget(flexibleSpace());
    bar->addWidget(item(resolution, QStringLiteral("Resolution")));
    bar->addWidget(flexibleSpace());
    bar->addWidget(item(t.exportMenu, QStringLiteral("Live Export")));
    bar->addWidget(flexibleSpace());
    if (snapshot) {
        bar->addAction(snapshot);
        bar->addWidget(flexibleSpace());
    }
    window->addToolBar(Qt::TopToolBarArea, bar);
    return t;
}

} // namespace tarnvik
