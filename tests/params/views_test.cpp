// The parameter panel: rows by input type, edits that reach the layer and
// show what it took, and the panel as a view of the layer stack.
#include "params/CompositionParametersView.h"
#include "params/Controls.h"
#include "params/RenderParametersView.h"
#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "render/LayerStack.h"
#include "render/LayerValues.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

QString data(const char* name) { return QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(name); }

class ViewsTest : public testing::Test {
protected:
    void SetUp() override {
        scene = CompositionScene::create(QSize(32, 32));
        ASSERT_TRUE(scene) << "no OpenGL: run under xvfb-run";
    }
    std::unique_ptr<CompositionRenderer> load(const char* name) {
        auto r = CompositionRenderer::create(*scene, data(name));
        EXPECT_TRUE(r) << name;
        return r;
    }
    std::unique_ptr<CompositionScene> scene;
};

TEST_F(ViewsTest, RowsFollowTheInputTypes) {
    auto r = load("verdier.qtz");
    CompositionParametersView v(r.get());
    // Hidden and unsupported inputs get no row; tags count them all the same.
    ASSERT_EQ(v.controls().size(), 7);
    struct Row {
        const char* kind;
        int tag, yFromLabel, height;
    } rows[] = {
        {"QCheckBox", 1, -2, -1}, {"tarnvik::DoubleSlider", 2, 0, 15}, {"QLineEdit", 3, -3, 19},
        {"QLineEdit", 4, -3, 19}, {"tarnvik::WrappingTextField", 5, -3, 33}, {"tarnvik::ColorWell", 6, -3, 20},
        {"tarnvik::ImageWell", 8, -2, 70},
    };
    int labelTop = 18;
    const int advance[] = {25, 25, 25, 25, 40, 25, 76};
    for (int i = 0; i < 7; ++i) {
        QWidget* c = v.controls()[i];
        EXPECT_STREQ(c->metaObject()->className(), rows[i].kind) << i;
        EXPECT_EQ(c->property("inputIndex").toInt(), rows[i].tag) << i;
        EXPECT_EQ(v.labels()[i]->y(), labelTop) << i;
        EXPECT_EQ(c->y(), labelTop + rows[i].yFromLabel) << i;
        if (rows[i].height > 0) {
            EXPECT_EQ(c->height(), rows[i].height) << i;
        }
        EXPECT_EQ(v.labels()[i]->x(), 10);
        labelTop += advance[i];
    }
    EXPECT_EQ(v.labels()[4]->text(), "Text"); // no display name: the key
    const int labelWidth = v.labels()[0]->width();
    EXPECT_EQ(v.controls()[1]->x(), labelWidth + 20);
    EXPECT_EQ(v.minimumFormSize(), QSize(labelWidth + 150 + 30, 241 + 20));
}

TEST_F(ViewsTest, NumberFieldsKeepToTheirLimits) {
    auto r = load("verdier.qtz");
    CompositionParametersView v(r.get());
    auto* size = qobject_cast<QLineEdit*>(v.controls()[2]);
    auto* step = qobject_cast<QLineEdit*>(v.controls()[3]);
    ASSERT_TRUE(size && step);
    struct Case {
        QLineEdit* field;
        QString text;
        bool acceptable;
    } cases[] = {
        {size, "3", false}, {size, "4", true}, {size, "1000.5", true}, {size, "abc", false},
        {step, "0", false}, {step, "3", true}, {step, "6", false}, {step, "2.5", false},
    };
    for (Case& c : cases) {
        int pos = 0;
        QString t = c.text;
        EXPECT_EQ(c.field->validator()->validate(t, pos) == QValidator::Acceptable, c.acceptable)
            << c.text.toStdString();
    }
}

TEST_F(ViewsTest, EditsReachTheRendererAndShowWhatItAccepted) {
    auto r = load("verdier.qtz");
    CompositionParametersView v(r.get());
    v.setStorageLimits({.stringChars = 5, .dataBytes = 64});
    auto* size = qobject_cast<QLineEdit*>(v.controls()[2]);
    EXPECT_EQ(size->text(), "12");
    size->setText("25.5");
    emit size->editingFinished();
    EXPECT_EQ(r->valueForInputKey("Size"), QVariant(25.5));

    auto* slider = qobject_cast<DoubleSlider*>(v.controls()[1]);
    slider->QSlider::setValue(10000);
    emit slider->edited();
    EXPECT_EQ(r->valueForInputKey("Speed"), QVariant(10.0));

    auto* box = qobject_cast<QCheckBox*>(v.controls()[0]);
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_EQ(r->valueForInputKey("Show"), QVariant(0.0));

    // Past what the settings file keeps, text is cut and an image refused.
    auto* text = v.findChild<WrappingTextField*>();
    text->setText("abcdefgh");
    emit text->editingFinished();
    EXPECT_EQ(r->valueForInputKey("Text"), QVariant(QString("abcde")));
    EXPECT_EQ(text->text(), "abcde");
    QImage big(64, 64, QImage::Format_ARGB32);
    big.fill(Qt::green);
    v.findChild<ImageWell*>()->take(big);
    EXPECT_TRUE(r->valueForInputKey("Logo").isNull());

    // Values set around the form are clamped by the renderer and shown so.
    setLayerValues(*r, {{"Step", 9.0}, {"Size", 1.0}, {"Unknown", 3.0}});
    v.showValues();
    EXPECT_EQ(qobject_cast<QLineEdit*>(v.controls()[3])->text(), "5");
    EXPECT_EQ(size->text(), "4");
    // A value set around the form past the file's bounds is not kept.
    r->setValue("Text", QString("far too long"));
    EXPECT_FALSE(layerValues(*r, true, {.stringChars = 5}).contains("Text"));
}

TEST_F(ViewsTest, ThePanelIsAViewOfTheLayerStack) {
    LayerStack stack({"verdier", "mangler", "bare_skjult", "alle_typer"}, TEST_DATA_DIR);
    RenderParametersView panel(stack);
    EXPECT_EQ(panel.bestSize(), QSize(0, 0));
    stack.load(scene.get());
    ASSERT_EQ(panel.count(), 3u); // one box per loaded layer, titled by its name
    EXPECT_EQ(panel.box(0)->title(), "verdier");
    EXPECT_EQ(panel.box(2)->title(), "alle_typer");

    const QSize a = panel.form(0)->minimumFormSize() + QSize(20, 20);
    const QSize c = panel.form(2)->minimumFormSize() + QSize(20, 20);
    EXPECT_EQ(panel.box(0)->pos(), QPoint(10, 10));
    EXPECT_EQ(panel.box(1)->pos(), QPoint(10, 10 + a.height()));
    EXPECT_EQ(panel.box(1)->height(), 20); // only hidden inputs: an empty form
    EXPECT_EQ(panel.box(2)->pos(), QPoint(10, 10 + a.height() + 20));
    const int wide = std::max(a.width(), c.width());
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(panel.box(i)->width(), wide);
    EXPECT_EQ(panel.bestSize(), QSize(wide + 20, a.height() + 20 + c.height() + 20));

    // Values set on the stack show at once; the forms follow a reload.
    stack.setValues({{"verdier", QVariantMap{{"Size", 30.0}}}});
    EXPECT_EQ(qobject_cast<QLineEdit*>(panel.form(0)->controls()[2])->text(), "30");
    stack.reload(QSize(40, 40));
    ASSERT_EQ(panel.count(), 3u);
    EXPECT_EQ(panel.form(0)->renderer(), stack.renderer(size_t{0}));
    auto* size = qobject_cast<QLineEdit*>(panel.form(0)->controls()[2]);
    EXPECT_EQ(size->text(), "30");
    size->setText("31");
    emit size->editingFinished();
    EXPECT_EQ(stack.renderer("verdier")->valueForInputKey("Size"), QVariant(31.0));
    EXPECT_EQ(panel.bestSize(), QSize(wide + 20, a.height() + 20 + c.height() + 20));
}

} // namespace
