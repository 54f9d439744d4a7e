#include "ui/ToolPropertyPanel.h"
#include "document/ArrowLayer.h"
#include "document/CustomStampMgr.h"
#include "document/CutOutLayer.h"
#include "editor/EditorVM.h"
#include "support/Drawing.h"
#include "ui/ChoiceField.h"
#include "ui/ColorButton.h"
#include "ui/ColorField.h"
#include "ui/FontChoice.h"
#include "ui/GradientField.h"
#include "ui/SliderField.h"
#include "ui/StylePage.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

class ToolPropertyPanelTest : public ::testing::Test {
protected:
    ToolPropertyPanelTest() : stamps(stampDir.path()), vm(test::canvas(320, 240, Qt::white)), panel(stamps) {
        panel.resize(260, 900);
        panel.setEditor(&vm);
    }
    StylePage* page() const { return panel.currentPage(); }
    template <typename T> T* control(const QString& caption) const {
        T* c = page() ? page()->control<T>(caption) : nullptr;
        EXPECT_NE(c, nullptr) << caption.toStdString();
        return c;
    }
    QTemporaryDir stampDir;
    CustomStampMgr stamps;
    EditorVM vm;
    ToolPropertyPanel panel;
};

} // namespace

// No control on any page is dead: changing each one changes the tool's settings.
TEST_F(ToolPropertyPanelTest, EveryControlOfEveryPageWritesTheSettings) {
    int poked = 0;
    for (ToolKind tool : allToolKinds()) {
        vm.setCurrentTool(tool);
        ASSERT_NE(page(), nullptr);
        const auto expectChange = [&](const char* what, const std::function<void()>& poke) {
            const ToolStyles before = vm.styles();
            poke();
            EXPECT_FALSE(vm.styles() == before) << toolKindRawValue(tool).toStdString() << ": " << what;
            ++poked;
        };
        for (SliderField* f : page()->findChildren<SliderField*>()) {
            expectChange("number", [f] {
                if (f->defaultBox() && f->defaultBox()->isChecked()) {
                    f->defaultBox()->click();
                    return;
                }
                QDoubleSpinBox* box = f->spinBox();
                box->setValue(box->value() == box->maximum() ? box->minimum() : box->maximum());
            });
        }
        for (ChoiceField* f : page()->findChildren<ChoiceField*>()) {
            expectChange("choice", [f] {
                for (const ChoiceField::Item& item : f->items()) {
                    if (item.value != f->value()) {
                        f->choose(item.value);
                        return;
                    }
                }
            });
        }
        for (ColorField* f : page()->findChildren<ColorField*>()) {
            expectChange("colour", [f] {
                for (ColorButton* swatch : f->swatches()) {
                    if (std::optional<QColor>(swatch->color()) != f->value()) {
                        swatch->click();
                        return;
                    }
                }
            });
        }
        for (GradientField* f : page()->findChildren<GradientField*>()) {
            expectChange("gradient", [f] { f->enabledBox()->click(); });
        }
        for (FontChoice* f : page()->findChildren<FontChoice*>()) {
            expectChange("font", [f] { f->systemBox()->click(); });
        }
        for (QCheckBox* box : page()->findChildren<QCheckBox*>()) {
            if (!qobject_cast<SliderField*>(box->parentWidget()) &&
                !qobject_cast<GradientField*>(box->parentWidget()) &&
                !qobject_cast<FontChoice*>(box->parentWidget())) {
                expectChange("toggle", [box] { box->click(); });
            }
        }
    }
    EXPECT_GT(poked, 150);
}

TEST_F(ToolPropertyPanelTest, FieldsMapTheirValuesBothWays) {
    // Opacity-like: stored 0..1, shown 5..100 %; setting is silent, a drag ends with `finished`.
    SliderField field({5, 100, 1, 0, QStringLiteral(" %"), 100});
    QSignalSpy edits(&field, &SliderField::edited);
    field.setValue(0.4);
    EXPECT_EQ(field.spinBox()->value(), 40);
    EXPECT_EQ(edits.count(), 0);
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
    // An optional colour remembers its value, alpha included, across Default.
    ColorField color(QStringLiteral("None"));
    color.setValue(QColor(1, 2, 3, 128));
    QSignalSpy colorEdits(&color, &ColorField::edited);
    color.defaultToggle()->click();
    EXPECT_EQ(colorEdits.last().at(0).value<std::optional<QColor>>(), std::nullopt);
    color.defaultToggle()->click();
    EXPECT_EQ(colorEdits.last().at(0).value<std::optional<QColor>>(),
              std::optional<QColor>(QColor(1, 2, 3, 128)));
    GradientField gradient;
    gradient.setValue(GradientFill{QColor(10, 20, 30), QColor(200, 100, 0, 90), -M_PI / 2});
    EXPECT_EQ(gradient.angleBox()->value(), 270); // negative angles wrap
}

TEST_F(ToolPropertyPanelTest, EditingTheSelectionIsOneUndoStepPerEdit) {
    auto arrow = std::make_shared<ArrowLayer>();
    arrow->end = {150, 100};
    arrow->color = Qt::red;
    vm.addLayer(arrow);
    ToolStyles other = vm.styles(); // the arrow keeps its own colour; a width edit must not repaint it
    other.strokeColor = QColor(0, 0, 0);
    other.strokeWidth = 2;
    vm.setStyles(other);
    vm.setCurrentTool(ToolKind::selection);
    vm.selectLayer(arrow);
    SliderField* width = control<SliderField>(QStringLiteral("Width"));
    EXPECT_EQ(width->spinBox()->value(), arrow->strokeWidth); // the arrow's value, not the tool's
    const qsizetype undoBefore = vm.undoStack().size();
    width->slider()->setSliderDown(true); // several live updates, one step when released
    for (int v : {5, 8, 11, 14}) {
        width->slider()->setValue(v);
    }
    width->slider()->setSliderDown(false);
    auto edited = std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer());
    EXPECT_EQ(edited->strokeWidth, 15); // slider position 14 of 1..50
    EXPECT_EQ(edited->color, arrow->color);
    EXPECT_EQ(vm.styles().strokeWidth, 15); // the tool's setting follows the edit
    EXPECT_EQ(vm.undoStack().size(), undoBefore + 1);
    control<ChoiceField>(QStringLiteral("Line style"))->choose(int(ArrowLineStyle::dashed));
    EXPECT_EQ(std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer())->lineStyle, ArrowLineStyle::dashed);
    EXPECT_EQ(vm.undoStack().size(), undoBefore + 2);
    vm.undo();
    vm.undo();
    EXPECT_EQ(std::dynamic_pointer_cast<ArrowLayer>(vm.layers().last())->strokeWidth, arrow->strokeWidth);

    // A cut-out is replaced by one with the new edge; a preset tile is one step for three settings.
    auto cut = std::make_shared<CutOutLayer>(QRectF(0, 100, 320, 30), CutOutOrientation::horizontal,
                                             CutOutEdgeStyle::torn, 1, 1);
    vm.addLayer(cut, true);
    vm.selectLayer(cut);
    const qsizetype cutBefore = vm.undoStack().size();
    control<ChoiceField>(QStringLiteral("Edge"))->choose(int(CutOutEdgeStyle::zigzag));
    auto replaced = std::dynamic_pointer_cast<CutOutLayer>(vm.selectedLayer());
    EXPECT_EQ(replaced->edgeStyle(), CutOutEdgeStyle::zigzag);
    EXPECT_EQ(replaced->rect(), cut->rect());
    for (QPushButton* tile : page()->control(QStringLiteral("Presets"))->findChildren<QPushButton*>()) {
        if (tile->text() == QStringLiteral("Wave")) {
            tile->click();
        }
    }
    replaced = std::dynamic_pointer_cast<CutOutLayer>(vm.selectedLayer());
    EXPECT_EQ(replaced->edgeStyle(), CutOutEdgeStyle::wave);
    EXPECT_DOUBLE_EQ(replaced->density(), 0.8);
    EXPECT_EQ(vm.undoStack().size(), cutBefore + 2);
}
