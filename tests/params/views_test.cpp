#include "render/CompositionRenderer.h"
#include "render/CompositionScene.h"
#include "params/CompositionParametersView.h"
#include "params/Controls.h"
#include "render/StorageForms.h"
#include "params/RenderParametersView.h"
#include "render/UserDefaults.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
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

    // Values set through the dictionary are clamped by the renderer and shown so.
    v.setParameters({{"Step", 9.0}, {"Size", 1.0}, {"Unknown", 3.0}});
    EXPECT_EQ(qobject_cast<QLineEdit*>(v.controls()[3])->text(), "5");
    EXPECT_EQ(size->text(), "4");
}

TEST_F(ViewsTest, StorageFormRoundTripsThroughTheSettingsFile) {
    QTemporaryDir dir;
    QVariantMap stored;
    QImage logo(6, 4, QImage::Format_ARGB32);
    logo.fill(Qt::blue);
    {
        auto r = load("verdier.qtz");
        r->setValue("Tint", QColor::fromRgbF(1, 0.5, 0, 1));
        r->setValue("Speed", 2.5);
        r->setValue("Text", QString("Fartøy"));
        r->setValue("Logo", logo);
        CompositionParametersView v(r.get());
        stored = v.parameters(true);
        EXPECT_EQ(stored.value("Tint"), QVariant(QString("R=1 G=0.5 B=0 A=1")));
        EXPECT_EQ(stored.value("Logo").typeId(), QMetaType::QByteArray);
        EXPECT_FALSE(stored.contains("HIDDEN_first"));
        EXPECT_FALSE(stored.contains("Curve"));
        UserDefaults d(dir.filePath("Tarnvik.plist"));
        d.setValue("settings", QVariantMap{{"Video", stored}});
        ASSERT_TRUE(d.synchronize());
    }
    auto r = load("verdier.qtz");
    CompositionParametersView v(r.get());
    v.setParameters(UserDefaults(dir.filePath("Tarnvik.plist")).value("settings").toMap().value("Video").toMap());
    const QVariantMap again = v.parameters(true);
    for (const QString& k : stored.keys()) {
        if (k == "Logo") continue; // the same picture, not always the same bytes
        EXPECT_EQ(again.value(k), stored.value(k)) << k.toStdString();
    }
    EXPECT_EQ(imageFromStorage(again.value("Logo").toByteArray()).convertToFormat(QImage::Format_ARGB32), logo);
    EXPECT_EQ(again.keys(), stored.keys());
    EXPECT_EQ(r->valueForInputKey("Tint").value<QColor>(), QColor::fromRgbF(1, 0.5, 0, 1));
    EXPECT_EQ(r->valueForInputKey("Logo").value<QImage>().pixelColor(1, 1), QColor(Qt::blue));

    // Image data that is no image clears the image.
    v.setParameters({{"Logo", QByteArray("not an image")}});
    EXPECT_FALSE(r->valueForInputKey("Logo").isValid());
    EXPECT_FALSE(v.parameters(true).contains("Logo"));
}

TEST_F(ViewsTest, FormWithoutShownInputsIsEmpty) {
    auto r = load("bare_skjult.qtz");
    CompositionParametersView v(r.get());
    EXPECT_EQ(v.minimumFormSize(), QSize(0, 0));
    EXPECT_TRUE(v.parameters(true).isEmpty());
    CompositionParametersView none(nullptr);
    EXPECT_EQ(none.minimumFormSize(), QSize(0, 0));
}

TEST_F(ViewsTest, PanelStacksBoxesAndGathersSettings) {
    RenderParametersView panel;
    EXPECT_EQ(panel.bestSize(), QSize(0, 0));
    panel.addRenderer(load("verdier.qtz"), "Video");
    panel.addRenderer(load("verdier.qtz"), QString()); // no title: no box
    panel.addRenderer(load("bare_skjult.qtz"), "Compas");
    panel.addRenderer(load("alle_typer.qtz"), "InfoBox");
    ASSERT_EQ(panel.renderers().size(), 3u);

    const QSize a = panel.form(0)->minimumFormSize() + QSize(20, 20);
    const QSize c = panel.form(2)->minimumFormSize() + QSize(20, 20);
    EXPECT_EQ(panel.box(0)->pos(), QPoint(10, 10));
    EXPECT_EQ(panel.box(1)->pos(), QPoint(10, 10 + a.height()));
    EXPECT_EQ(panel.box(1)->height(), 20);
    EXPECT_EQ(panel.box(2)->pos(), QPoint(10, 10 + a.height() + 20));
    const int wide = std::max(a.width(), c.width());
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(panel.box(i)->width(), wide);
    EXPECT_EQ(panel.bestSize(), QSize(wide + 20, a.height() + 20 + c.height() + 20));

    QVariantMap settings = panel.parameters(true);
    EXPECT_EQ(settings.keys(), (QStringList{"InfoBox", "Video"})); // Compas has nothing to keep

    // Settings of other compositions, or damaged entries, change nothing.
    panel.setParameters({{"Other", QVariantMap{{"Speed", 1.0}}}, {"Video", QString("damaged")}});
    EXPECT_EQ(panel.parameters(true), settings);

    panel.removeRenderer(panel.renderers()[1].get());
    EXPECT_EQ(panel.renderers().size(), 2u);
    EXPECT_EQ(panel.box(1)->title(), "InfoBox");
    EXPECT_EQ(panel.box(1)->pos(), QPoint(10, 10 + a.height()));
    panel.removeAllRenderers();
    EXPECT_EQ(panel.bestSize(), QSize(0, 0));
}

} // namespace
