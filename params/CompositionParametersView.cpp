#include "params/CompositionParametersView.h"

#include "params/Controls.h"
#include "render/CompositionRenderer.h"
#include "render/LayerValues.h"
#include "render/StorageForms.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleValidator>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QtDebug>

#include <algorithm>
#include <climits>
#include <cmath>

namespace tarnvik {

namespace {

const char* const kTag = "inputIndex";
const char* const kWidens = "widens";

QFont smallFont() {
    QFont f = QApplication::font();
    f.setPointSizeF(std::max(6.0, f.pointSizeF() - 2));
    return f;
}

QString numberText(double v) { return QLocale::c().toString(v, 'g', 12); }

} // namespace

CompositionParametersView::CompositionParametersView(CompositionRenderer* renderer, QWidget* parent)
    : QWidget(parent), renderer_(renderer) {
    if (renderer_) {
        int y = 0, widestLabel = 0, widestControl = 0;
        const QStringList& keys = renderer_->inputKeys();
        for (int i = 0; i < keys.size(); ++i) {
            const QString& key = keys[i];
            if (!isSetting(*renderer_, key)) continue;
            const InputAttributes a = renderer_->attributes().value(key);
            auto* label = new QLabel(a.name.isEmpty() ? key : a.name, this);
            label->setFont(smallFont());
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            label->setGeometry(0, y + 8, 150, 14);
            label->resize(label->sizeHint().width(), 14);
            int rowHeight = 0;
            QWidget* control = makeControl(i, y + 8, rowHeight);
            if (!control) {
                delete label;
                continue;
            }
            y += rowHeight;
            widestLabel = std::max(widestLabel, label->width());
            widestControl = std::max(widestControl, control->width());
            labels_ << label;
            controls_ << control;
            show(control);
        }
        if (y > 0) minSize_ = QSize(widestLabel + widestControl + 30, y + 20);
        controlX_ = widestLabel + 20;
        // Labels share the width of the widest, right-aligned against the controls.
        for (QLabel* l : labels_) l->setGeometry(10, l->y() + 10, widestLabel, l->height());
        for (QWidget* c : controls_) c->move(controlX_, c->y() + 10);
    }
    setMinimumSize(minSize_);
    resize(minSize_);
}

QWidget* CompositionParametersView::makeControl(int index, int top, int& rowHeight) {
    const InputAttributes a = renderer_->attributes().value(renderer_->inputKeys()[index]);
    QWidget* c = nullptr;
    bool widens = true;
    rowHeight = 25;
    switch (a.type) {
    case PortType::Boolean: {
        auto* box = new QCheckBox(this);
        box->setGeometry(-2, top - 2, 20, 16);
        box->resize(box->sizeHint());
        connect(box, &QCheckBox::clicked, this, [this, box] { controlAction(box); });
        c = box;
        widens = false;
        break;
    }
    case PortType::Index: {
        auto* field = new QLineEdit(this);
        field->setGeometry(0, top - 3, 150, 19);
        field->setFont(smallFont());
        int lo = a.minimum ? static_cast<int>(std::clamp(std::ceil(*a.minimum), double(INT_MIN), double(INT_MAX))) : INT_MIN;
        int hi = a.maximum ? static_cast<int>(std::clamp(std::floor(*a.maximum), double(INT_MIN), double(INT_MAX))) : INT_MAX;
        field->setValidator(new QIntValidator(lo, hi, field));
        connect(field, &QLineEdit::editingFinished, this, [this, field] { controlAction(field); });
        c = field;
        break;
    }
    case PortType::Number:
        if (a.minimum && a.maximum) {
            auto* slider = new DoubleSlider(*a.minimum, *a.maximum, this);
            slider->setGeometry(0, top, 150, 15);
            connect(slider, &DoubleSlider::edited, this, [this, slider] { controlAction(slider); });
            c = slider;
        } else {
            auto* field = new QLineEdit(this);
            field->setGeometry(0, top - 3, 150, 19);
            field->setFont(smallFont());
            auto* v = new QDoubleValidator(a.minimum.value_or(-HUGE_VAL), a.maximum.value_or(HUGE_VAL), 1000, field);
            v->setLocale(QLocale::c());
            v->setNotation(QDoubleValidator::StandardNotation);
            field->setValidator(v);
            connect(field, &QLineEdit::editingFinished, this, [this, field] { controlAction(field); });
            c = field;
        }
        break;
    case PortType::String: {
        auto* field = new WrappingTextField(this);
        field->setGeometry(0, top - 3, 150, 33);
        field->setFont(smallFont());
        connect(field, &WrappingTextField::editingFinished, this, [this, field] { controlAction(field); });
        c = field;
        rowHeight = 40;
        break;
    }
    case PortType::Color: {
        auto* well = new ColorWell(this);
        well->setGeometry(0, top - 3, 50, 20);
        connect(well, &ColorWell::edited, this, [this, well] { controlAction(well); });
        c = well;
        widens = false;
        break;
    }
    case PortType::Image: {
        auto* well = new ImageWell(this);
        well->setGeometry(0, top - 2, 70, 70);
        connect(well, &ImageWell::edited, this, [this, well] { controlAction(well); });
        c = well;
        widens = false;
        rowHeight = 76;
        break;
    }
    case PortType::Other:
        return nullptr;
    }
    c->setProperty(kTag, index);
    c->setProperty(kWidens, widens);
    return c;
}

QString CompositionParametersView::keyOf(const QWidget* control) const {
    return renderer_->inputKeys().value(control->property(kTag).toInt());
}

void CompositionParametersView::controlAction(QWidget* control) {
    QVariant value;
    if (auto* box = qobject_cast<QCheckBox*>(control)) value = box->isChecked() ? 1.0 : 0.0;
    else if (auto* slider = qobject_cast<DoubleSlider*>(control)) value = slider->value();
    else if (auto* field = qobject_cast<QLineEdit*>(control)) {
        bool ok = false;
        double d = QLocale::c().toDouble(field->text().trimmed(), &ok);
        if (!ok) d = QLocale().toDouble(field->text().trimmed(), &ok);
        // Text the formatter cannot read changes nothing: the field goes back.
        if (ok) value = d;
    } else if (auto* text = qobject_cast<WrappingTextField*>(control)) {
        // Cut to what the settings file keeps; the field then shows the cut text.
        value = text->text().left(limits_.stringChars);
    } else if (auto* well = qobject_cast<ColorWell*>(control)) value = well->color();
    else if (auto* image = qobject_cast<ImageWell*>(control)) {
        QImage img = image->image();
        if (!img.isNull() && !fitsStorage(imageToStorage(img), limits_)) {
            // Kept, it would make the whole settings file unreadable: the well goes back.
            qWarning().noquote() << QStringLiteral("Image of %1 by %2 refused: too large to keep in the settings")
                                        .arg(img.width())
                                        .arg(img.height());
            QApplication::beep();
            show(control);
            return;
        }
        if (!img.isNull()) value = img;
    }
    if (value.isValid() || qobject_cast<ImageWell*>(control)) apply(control, value);
    else show(control);
}

void CompositionParametersView::apply(QWidget* control, const QVariant& value) {
    renderer_->setValue(keyOf(control), value);
    show(control);
}

void CompositionParametersView::show(QWidget* control) {
    const QVariant v = renderer_->valueForInputKey(keyOf(control));
    if (auto* box = qobject_cast<QCheckBox*>(control)) box->setChecked(v.toDouble() != 0);
    else if (auto* slider = qobject_cast<DoubleSlider*>(control)) slider->setValue(v.toDouble());
    else if (auto* field = qobject_cast<QLineEdit*>(control)) field->setText(v.isValid() ? numberText(v.toDouble()) : QString());
    else if (auto* text = qobject_cast<WrappingTextField*>(control)) text->setText(v.toString());
    else if (auto* well = qobject_cast<ColorWell*>(control)) well->setColor(v.value<QColor>());
    else if (auto* image = qobject_cast<ImageWell*>(control)) image->setImage(v.value<QImage>());
}

void CompositionParametersView::showValues() {
    for (QWidget* c : controls_) show(c);
}

void CompositionParametersView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // Controls that widen keep the right margin as the view grows.
    const int w = std::max(0, width() - controlX_ - 10);
    for (QWidget* c : controls_)
        if (c->property(kWidens).toBool() && minSize_.width() > 0)
            c->resize(std::max(w, 150), c->height());
}

} // namespace tarnvik
