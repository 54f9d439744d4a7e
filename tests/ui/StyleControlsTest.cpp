#include "document/CustomStampMgr.h"
#include "editor/EditorVM.h"
#include "support/TestUtil.h"
#include "ui/ChoiceField.h"
#include "ui/ColorButton.h"
#include "ui/ColorField.h"
#include "ui/FontChoice.h"
#include "ui/GradientField.h"
#include "ui/RecentStylesRow.h"
#include "ui/SliderField.h"
#include "ui/StylePage.h"
#include "ui/ToolPropertyPanel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>

using namespace mebo;

TEST(StyleControlsTest, SliderFieldKeepsSliderAndBoxInStepAndMarksTheEndOfADrag) {
    // Opacity-like: stored 0..1, shown 5..100 %.
    SliderField field({5, 100, 1, 0, QStringLiteral(" %"), 100});
    QSignalSpy edits(&field, &SliderField::edited);
    field.setValue(0.4);
    EXPECT_EQ(field.spinBox()->value(), 40);
    EXPECT_EQ(field.slider()->value(), 35); // 40 is the 36th step from 5
    EXPECT_EQ(edits.count(), 0);            // setting is silent

    field.slider()->setSliderDown(true);
    field.slider()->setValue(55);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_DOUBLE_EQ(edits.last().at(0).value<std::optional<double>>().value(), 0.6);
    EXPECT_FALSE(edits.last().at(1).toBool());
    field.setValue(0.1); // a refresh during the drag leaves the slider alone
    EXPECT_EQ(field.slider()->value(), 55);
    field.slider()->setSliderDown(false);
    EXPECT_TRUE(edits.last().at(1).toBool());

    field.spinBox()->setValue(200); // clamped to the range
    EXPECT_DOUBLE_EQ(field.value().value(), 1.0);
    EXPECT_EQ(field.slider()->value(), field.slider()->maximum());
}

TEST(StyleControlsTest, OptionalFieldsRememberTheirNumberAndColourAcrossDefault) {
    SliderField number({0, 50, 1, 0, {}, 1, 6}, QStringLiteral("Default"));
    EXPECT_EQ(number.spinBox()->value(), 6); // the placeholder before any value
    number.setValue(std::nullopt);
    EXPECT_FALSE(number.value().has_value());
    EXPECT_FALSE(number.slider()->isEnabled());
    QSignalSpy numberEdits(&number, &SliderField::edited);
    number.defaultBox()->click();
    ASSERT_EQ(numberEdits.count(), 1);
    EXPECT_EQ(numberEdits.last().at(0).value<std::optional<double>>(), std::optional<double>(6));

    ColorField color(QStringLiteral("None"));
    color.setValue(QColor(1, 2, 3, 128));
    QSignalSpy colorEdits(&color, &ColorField::edited);
    color.defaultToggle()->click();
    EXPECT_EQ(colorEdits.last().at(0).value<std::optional<QColor>>(), std::nullopt);
    EXPECT_TRUE(color.picker()->isUnset());
    color.defaultToggle()->click(); // back to the colour it had, alpha included
    EXPECT_EQ(colorEdits.last().at(0).value<std::optional<QColor>>(),
              std::optional<QColor>(QColor(1, 2, 3, 128)));
}

TEST(StyleControlsTest, ChoiceFieldsMapValuesIncludingTheDefaultItem) {
    const QList<ChoiceField::Item> items{{QStringLiteral("Default"), StylePage::kDefaultChoice, {}},
                                         {QStringLiteral("Two"), 2, {}},
                                         {QStringLiteral("Five"), 5, {}}};
    for (ChoiceField::Look look : {ChoiceField::Look::menu, ChoiceField::Look::segmented}) {
        ChoiceField field(look, items);
        QSignalSpy chosen(&field, &ChoiceField::chosen);
        field.setValue(5);
        EXPECT_EQ(field.value(), 5);
        field.setValue(StylePage::kDefaultChoice);
        EXPECT_EQ(field.value(), StylePage::kDefaultChoice);
        EXPECT_EQ(chosen.count(), 0);
        if (look == ChoiceField::Look::segmented) {
            field.button(2)->click();
        } else {
            field.comboBox()->setCurrentIndex(1);
            Q_EMIT field.comboBox()->activated(1);
        }
        ASSERT_EQ(chosen.count(), 1);
        EXPECT_EQ(chosen.last().at(0).toInt(), 2);
        EXPECT_EQ(field.value(), 2);
    }
}

TEST(StyleControlsTest, GradientAndFontFieldsRoundTrip) {
    GradientField gradient;
    const GradientFill fill{QColor(10, 20, 30), QColor(200, 100, 0, 90), -M_PI / 2};
    gradient.setValue(fill);
    EXPECT_EQ(gradient.angleBox()->value(), 270); // negative angles wrap
    const std::optional<GradientFill> back = gradient.value();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->startColor, fill.startColor);
    EXPECT_EQ(back->endColor, fill.endColor);
    EXPECT_NEAR(std::remainder(back->angle - fill.angle, 2 * M_PI), 0, 1e-9);
    gradient.setValue(std::nullopt);
    EXPECT_FALSE(gradient.value().has_value());
    EXPECT_FALSE(gradient.startButton()->isEnabled());

    FontChoice font;
    QSignalSpy chosen(&font, &FontChoice::chosen);
    font.setValue({});
    EXPECT_TRUE(font.value().isEmpty());
    font.systemBox()->click();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_FALSE(chosen.last().at(0).toString().isEmpty()); // an installed family
    font.systemBox()->click();
    EXPECT_TRUE(chosen.last().at(0).toString().isEmpty());
}

// No control on any page is dead: changing each one changes the tool's settings.
TEST(StyleControlsTest, EveryControlOfEveryPageWritesTheSettings) {
    QTemporaryDir dir;
    CustomStampMgr stamps(dir.path());
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    EditorVM vm(image);
    ToolPropertyPanel panel(stamps);
    panel.setEditor(&vm);
    int poked = 0;
    for (ToolKind tool : allToolKinds()) {
        vm.setCurrentTool(tool);
        StylePage* page = panel.currentPage();
        ASSERT_NE(page, nullptr);
        auto expectChange = [&](const char* what, const std::function<void()>& poke) {
            const ToolStyles before = vm.styles();
            poke();
            EXPECT_FALSE(vm.styles() == before) << toolKindRawValue(tool).toStdString() << ": " << what;
            ++poked;
        };
        for (SliderField* f : page->findChildren<SliderField*>()) {
            expectChange("number", [f] {
                if (f->defaultBox() && f->defaultBox()->isChecked()) {
                    f->defaultBox()->click();
                    return;
                }
                QDoubleSpinBox* box = f->spinBox();
                box->setValue(box->value() == box->maximum() ? box->minimum() : box->maximum());
            });
        }
        for (ChoiceField* f : page->findChildren<ChoiceField*>()) {
            expectChange("choice", [f] {
                for (const ChoiceField::Item& item : f->items()) {
                    if (item.value != f->value()) {
                        f->choose(item.value);
                        return;
                    }
                }
            });
        }
        for (ColorField* f : page->findChildren<ColorField*>()) {
            expectChange("colour", [f] {
                for (ColorButton* swatch : f->swatches()) {
                    if (std::optional<QColor>(swatch->color()) != f->value()) {
                        swatch->click();
                        return;
                    }
                }
            });
        }
        for (GradientField* f : page->findChildren<GradientField*>()) {
            expectChange("gradient", [f] { f->enabledBox()->click(); });
        }
        for (FontChoice* f : page->findChildren<FontChoice*>()) {
            expectChange("font", [f] { f->systemBox()->click(); });
        }
        for (QCheckBox* box : page->findChildren<QCheckBox*>()) {
            // Check boxes inside the composite fields were poked above.
            if (qobject_cast<SliderField*>(box->parentWidget()) ||
                qobject_cast<GradientField*>(box->parentWidget()) ||
                qobject_cast<FontChoice*>(box->parentWidget())) {
                continue;
            }
            expectChange("toggle", [box] { box->click(); });
        }
    }
    EXPECT_GT(poked, 150);
}

TEST(StyleControlsTest, RecentPreviewsShowTheStyleColour) {
    ToolStyleSnapshot style;
    style.color = QColor(0, 200, 0);
    style.strokeWidth = 6;
    const QPixmap pixmap = RecentStylesRow::preview(ToolKind::pen, style, QSize(24, 18), QPalette(), 1);
    const QImage picture = pixmap.toImage();
    // The stroke runs corner to corner through the middle.
    EXPECT_EQ(picture.pixelColor(12, 9).rgb(), QColor(0, 200, 0).rgb());

    RecentStylesRow row;
    QSignalSpy applied(&row, &RecentStylesRow::applyRequested);
    ToolStyleSnapshot second = style;
    second.strokeWidth = 2;
    row.setStyles(ToolKind::pen, {style, second});
    ASSERT_EQ(row.buttons().size(), 2);
    row.buttons().at(1)->click();
    ASSERT_EQ(applied.count(), 1);
    EXPECT_EQ(applied.last().at(0).value<ToolStyleSnapshot>().strokeWidth, 2);
    row.setStyles(ToolKind::pen, {});
    EXPECT_TRUE(row.buttons().isEmpty());
}
