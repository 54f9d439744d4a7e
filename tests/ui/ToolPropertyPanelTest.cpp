#include "ui/ToolPropertyPanel.h"
#include "document/ArrowLayer.h"
#include "document/CustomStampMgr.h"
#include "document/CutOutLayer.h"
#include "document/StampPalette.h"
#include "editor/EditorVM.h"
#include "editor/ToolController.h"
#include "editor/ToolLayerFactory.h"
#include "support/TestUtil.h"
#include "ui/AppPalette.h"
#include "ui/ArrangementButtons.h"
#include "ui/ChoiceField.h"
#include "ui/ColorButton.h"
#include "ui/ColorField.h"
#include "ui/FontChoice.h"
#include "ui/GradientField.h"
#include "ui/RecentStylesRow.h"
#include "ui/SliderField.h"
#include "ui/StampPicker.h"
#include "ui/StylePage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

class ToolPropertyPanelTest : public ::testing::Test {
protected:
    ToolPropertyPanelTest() : stamps(stampDir.path()), vm(whiteImage()), panel(stamps) {
        panel.resize(260, 900);
        panel.setEditor(&vm);
    }
    static QImage whiteImage() {
        QImage image(320, 240, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        return image;
    }
    StylePage* page() const { return panel.currentPage(); }
    template <typename T> T* control(const QString& caption) const {
        T* c = page() ? page()->control<T>(caption) : nullptr;
        EXPECT_NE(c, nullptr) << caption.toStdString();
        return c;
    }
    std::shared_ptr<ArrowLayer> drawArrow(const QPointF& from, const QPointF& to) {
        vm.setCurrentTool(ToolKind::arrow);
        ToolController tools(vm);
        tools.pointerDown(from, Qt::NoModifier);
        tools.pointerMove((from + to) / 2, Qt::NoModifier);
        tools.pointerUp(to, Qt::NoModifier);
        return std::dynamic_pointer_cast<ArrowLayer>(vm.layers().last());
    }

    QTemporaryDir stampDir;
    CustomStampMgr stamps;
    EditorVM vm;
    ToolPropertyPanel panel;
};

} // namespace

TEST_F(ToolPropertyPanelTest, ShowsThePageOfTheCurrentToolOrSelectionAndRowsFollowTheirSwitch) {
    for (ToolKind tool : allToolKinds()) {
        if (tool == ToolKind::selection) {
            continue;
        }
        vm.setCurrentTool(tool);
        EXPECT_EQ(panel.shownTool(), tool);
        ASSERT_NE(page(), nullptr);
        EXPECT_EQ(page()->tool(), tool);
        EXPECT_FALSE(panel.arrangement()->isVisibleTo(&panel)) << toolKindRawValue(tool).toStdString();
    }
    // The selection tool shows the arrangement; with an arrow selected, the arrow's page as well.
    vm.setCurrentTool(ToolKind::selection);
    EXPECT_EQ(panel.shownTool(), ToolKind::selection);
    EXPECT_TRUE(panel.arrangement()->isVisibleTo(&panel));
    auto arrow = drawArrow({10, 10}, {120, 90});
    vm.setCurrentTool(ToolKind::selection);
    vm.selectLayer(arrow);
    EXPECT_EQ(panel.shownTool(), ToolKind::arrow);
    EXPECT_TRUE(panel.arrangement()->isVisibleTo(&panel));
    vm.deselectAll();
    EXPECT_EQ(panel.shownTool(), ToolKind::selection);

    vm.setCurrentTool(ToolKind::arrow);
    EXPECT_FALSE(page()->isRowShown(QStringLiteral("Outline width")));
    control<QCheckBox>(QStringLiteral("Outline the heads"))->click();
    EXPECT_TRUE(page()->isRowShown(QStringLiteral("Outline width")));
    vm.setCurrentTool(ToolKind::mosaic); // the cover style decides which settings are offered
    control<ChoiceField>(QStringLiteral("Style"))->choose(int(MosaicStyle::solid));
    EXPECT_TRUE(page()->isRowShown(QStringLiteral("Colour")));
    EXPECT_FALSE(page()->isRowShown(QStringLiteral("Block size")));
    vm.setCurrentTool(ToolKind::fill);
    control<ChoiceField>(QStringLiteral("Mode"))->choose(int(FillMode::fullImage));
    EXPECT_TRUE(page()->isRowShown(QStringLiteral("Gradient")));
    EXPECT_FALSE(page()->isRowShown(QStringLiteral("Tolerance")));

    // The bound editor going away leaves no page and nothing connected.
    {
        EditorVM shortLived(whiteImage());
        panel.setEditor(&shortLived);
        shortLived.setCurrentTool(ToolKind::pen);
        EXPECT_EQ(panel.shownTool(), ToolKind::pen);
    }
    EXPECT_EQ(panel.editor(), nullptr);
    EXPECT_EQ(panel.currentPage(), nullptr);
}

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
    EXPECT_EQ(field.slider()->value(), 35); // 40 is the 36th step from 5
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
    EXPECT_EQ(field.slider()->value(), field.slider()->maximum());

    // Optional fields remember their number and colour across Default.
    SliderField number({0, 50, 1, 0, {}, 1, 6}, QStringLiteral("Default"));
    EXPECT_EQ(number.spinBox()->value(), 6); // the placeholder before any value
    number.setValue(std::nullopt);
    EXPECT_FALSE(number.slider()->isEnabled());
    QSignalSpy numberEdits(&number, &SliderField::edited);
    number.defaultBox()->click();
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

    const QList<ChoiceField::Item> items{{QStringLiteral("Default"), StylePage::kDefaultChoice, {}},
                                         {QStringLiteral("Two"), 2, {}},
                                         {QStringLiteral("Five"), 5, {}}};
    for (ChoiceField::Look look : {ChoiceField::Look::menu, ChoiceField::Look::segmented}) {
        ChoiceField choice(look, items);
        QSignalSpy chosen(&choice, &ChoiceField::chosen);
        choice.setValue(5);
        EXPECT_EQ(choice.value(), 5);
        choice.setValue(StylePage::kDefaultChoice);
        EXPECT_EQ(choice.value(), StylePage::kDefaultChoice);
        if (look == ChoiceField::Look::segmented) {
            choice.button(2)->click();
        } else {
            choice.comboBox()->setCurrentIndex(1);
            Q_EMIT choice.comboBox()->activated(1);
        }
        ASSERT_EQ(chosen.count(), 1);
        EXPECT_EQ(chosen.last().at(0).toInt(), 2);
    }

    GradientField gradient;
    gradient.setValue(GradientFill{QColor(10, 20, 30), QColor(200, 100, 0, 90), -M_PI / 2});
    EXPECT_EQ(gradient.angleBox()->value(), 270); // negative angles wrap
    EXPECT_NEAR(std::remainder(gradient.value()->angle + M_PI / 2, 2 * M_PI), 0, 1e-9);
    gradient.setValue(std::nullopt);
    EXPECT_FALSE(gradient.value().has_value());
    EXPECT_FALSE(gradient.startButton()->isEnabled());
}

TEST_F(ToolPropertyPanelTest, EditingTheSelectionIsOneUndoStepPerEdit) {
    auto arrow = drawArrow({10, 10}, {150, 100});
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

TEST_F(ToolPropertyPanelTest, ArrangementButtonsFollowTheSelection) {
    auto bottom = drawArrow({10, 10}, {100, 10});
    auto top = drawArrow({10, 50}, {100, 50});
    vm.setCurrentTool(ToolKind::selection);
    vm.selectLayer(bottom);
    ArrangementButtons* arrange = panel.arrangement();
    EXPECT_FALSE(arrange->sendToBackButton()->isEnabled());
    arrange->bringForwardButton()->click();
    EXPECT_EQ(vm.layers().last(), bottom);
    EXPECT_FALSE(arrange->bringToFrontButton()->isEnabled()); // now on top
    EXPECT_TRUE(arrange->sendToBackButton()->isEnabled());
    EXPECT_FALSE(arrange->unlockAllButton()->isEnabled());
    arrange->lockButton()->click();
    EXPECT_TRUE(bottom->isLocked);
    EXPECT_FALSE(arrange->lockButton()->isEnabled());
    arrange->unlockAllButton()->click();
    EXPECT_FALSE(bottom->isLocked);
    EXPECT_FALSE(top->isLocked);
}

TEST_F(ToolPropertyPanelTest, StampsImportedOrPickedAndRecentPresets) {
    vm.setCurrentTool(ToolKind::stamp);
    StampPicker* picker = panel.stampPicker();
    EXPECT_TRUE(picker->symbolButton(vm.styles().stamp.symbol)->isChecked());
    QTemporaryDir files;
    QFile bogus(files.filePath(QStringLiteral("notes.png")));
    ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
    bogus.write("not an image");
    bogus.close();
    QString error;
    EXPECT_FALSE(picker->importFile(bogus.fileName(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(stamps.stamps().isEmpty());
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30));
    ASSERT_TRUE(image.save(files.filePath(QStringLiteral("badge.png"))));
    ASSERT_TRUE(picker->importFile(files.filePath(QStringLiteral("badge.png")), &error))
        << error.toStdString();
    ASSERT_EQ(stamps.stamps().size(), 1);
    const QString stored = stamps.imagePath(stamps.stamps().first());
    EXPECT_EQ(vm.styles().stamp.customImagePath, std::optional<QString>(stored));
    EXPECT_TRUE(picker->customButton(stored)->isChecked());
    const QString other = StampPalette::categories().last().items.first().symbol;
    picker->symbolButton(other)->click(); // a palette symbol leaves the custom image
    EXPECT_EQ(vm.styles().stamp.symbol, other);
    EXPECT_EQ(vm.styles().stamp.customImagePath, std::nullopt);
    EXPECT_FALSE(picker->customButton(stored)->isChecked());

    vm.setCurrentTool(ToolKind::pen);
    EXPECT_FALSE(panel.recentRow()->isVisibleTo(&panel));
    for (int width : {12, 2}) {
        ToolStyles s = vm.styles();
        s.strokeWidth = width;
        vm.setStyles(s);
        vm.recordRecentStyle(ToolKind::pen);
    }
    ASSERT_EQ(panel.recentRow()->buttons().size(), 2);
    panel.recentRow()->buttons().at(1)->click(); // most recent first
    EXPECT_EQ(vm.styles().strokeWidth, 12);
    EXPECT_EQ(control<SliderField>(QStringLiteral("Width"))->spinBox()->value(), 12);
    const QImage preview = RecentStylesRow::preview(ToolKind::pen, vm.recentStyles(ToolKind::pen).last(),
                                                    QSize(24, 18), QPalette(), 1)
                               .toImage();
    EXPECT_EQ(preview.pixelColor(12, 9).rgb(), vm.styles().strokeColor.rgb()); // corner to corner
}

// Every page fits the panel's width in both appearances; MEBO_PANEL_SHOTS=DIR saves them.
TEST_F(ToolPropertyPanelTest, EveryPageFitsThePanelWidthInBothPalettes) {
    const QString shots = qEnvironmentVariable("MEBO_PANEL_SHOTS");
    const QPalette original = QApplication::palette();
    for (bool dark : {false, true}) {
        QApplication::setPalette(dark ? AppPalette::dark() : AppPalette::light());
        for (ToolKind tool : allToolKinds()) {
            vm.setCurrentTool(tool);
            panel.show();
            test::drainEvents();
            QScrollArea* scroll = panel.findChild<QScrollArea*>();
            EXPECT_LE(scroll->widget()->minimumSizeHint().width(), scroll->viewport()->width())
                << toolKindRawValue(tool).toStdString() << (dark ? " dark" : " light");
            if (!shots.isEmpty()) {
                panel.grab().save(
                    shots +
                    QStringLiteral("/%1-%2.png").arg(toolKindRawValue(tool), dark ? "dark" : "light"));
            }
        }
    }
    panel.hide();
    QApplication::setPalette(original);
}
