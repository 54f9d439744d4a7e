#include "ui/ToolPropertyPanel.h"
#include "document/ArrowLayer.h"
#include "document/CustomStampMgr.h"
#include "document/CutOutLayer.h"
#include "document/LineLayer.h"
#include "document/RectLayer.h"
#include "document/StampLayer.h"
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
#include "ui/GradientField.h"
#include "ui/RecentStylesRow.h"
#include "ui/SliderField.h"
#include "ui/StampPicker.h"
#include "ui/StylePage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

class ToolPropertyPanelTest : public ::testing::Test {
protected:
    ToolPropertyPanelTest() : stamps(stampDir.path()), vm(blankImage(320, 240)), panel(stamps) {
        panel.resize(260, 900);
        panel.setEditor(&vm);
    }

    static QImage blankImage(int w, int h) {
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        return image;
    }

    StylePage* page() const { return panel.currentPage(); }

    template <typename T> T* control(const QString& caption) const {
        T* c = page() ? page()->control<T>(caption) : nullptr;
        EXPECT_NE(c, nullptr) << caption.toStdString();
        return c;
    }

    void click(ChoiceField* field, int value) {
        ASSERT_NE(field, nullptr);
        if (field->buttons()) {
            ASSERT_NE(field->button(value), nullptr);
            field->button(value)->click();
        } else {
            QComboBox* combo = field->comboBox();
            const int index = combo->findData(value);
            combo->setCurrentIndex(index);
            Q_EMIT combo->activated(index);
        }
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

TEST_F(ToolPropertyPanelTest, ShowsThePageOfTheCurrentToolAndFollowsSelectionAndEditor) {
    const QList<ToolKind> layerTools = {
        ToolKind::arrow,    ToolKind::line,        ToolKind::rect,   ToolKind::ellipse,   ToolKind::polygon,
        ToolKind::pen,      ToolKind::highlighter, ToolKind::text,   ToolKind::callout,   ToolKind::step,
        ToolKind::stamp,    ToolKind::mosaic,      ToolKind::blur,   ToolKind::spotlight, ToolKind::magnify,
        ToolKind::simplify, ToolKind::eraser,      ToolKind::cutout, ToolKind::fill,      ToolKind::crop};
    for (ToolKind tool : layerTools) {
        vm.setCurrentTool(tool);
        EXPECT_EQ(panel.shownTool(), tool);
        ASSERT_NE(page(), nullptr);
        EXPECT_EQ(page()->tool(), tool);
        EXPECT_TRUE(page()->isVisibleTo(&panel)) << toolKindRawValue(tool).toStdString();
        EXPECT_FALSE(panel.arrangement()->isVisibleTo(&panel));
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
    EXPECT_TRUE(panel.arrangement()->lockButton()->isEnabled());
    EXPECT_FALSE(panel.arrangement()->bringForwardButton()->isEnabled()); // the only layer
    vm.deselectAll();
    EXPECT_EQ(panel.shownTool(), ToolKind::selection);

    // Nothing open, then the bound editor going away: no page, nothing left connected.
    panel.setEditor(nullptr);
    EXPECT_EQ(panel.currentPage(), nullptr);
    {
        EditorVM shortLived(blankImage(50, 50));
        panel.setEditor(&shortLived);
        shortLived.setCurrentTool(ToolKind::pen);
        EXPECT_EQ(panel.shownTool(), ToolKind::pen);
    }
    EXPECT_EQ(panel.editor(), nullptr);
    EXPECT_EQ(panel.currentPage(), nullptr);
}

TEST_F(ToolPropertyPanelTest, ControlsWriteOneFieldAndTheNextLayerTakesIt) {
    vm.setCurrentTool(ToolKind::arrow);
    ToolStyles expected = vm.styles();

    control<SliderField>(QStringLiteral("Width"))->spinBox()->setValue(9);
    click(control<ChoiceField>(QStringLiteral("Head style")), int(ArrowHeadStyle::both));
    control<ColorField>(QStringLiteral("Colour"))->swatches().at(4)->click(); // blue
    expected.strokeWidth = 9;
    expected.arrow.headStyle = ArrowHeadStyle::both;
    expected.strokeColor = ColorField::quickColors().at(4);
    EXPECT_TRUE(vm.styles() == expected); // nothing else moved

    auto arrow = drawArrow({20, 20}, {200, 120});
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->strokeWidth, 9);
    EXPECT_EQ(arrow->headStyle, ArrowHeadStyle::both);
    EXPECT_EQ(arrow->color, ColorField::quickColors().at(4));

    // Settings changed elsewhere show up without being written back.
    vm.deselectAll();
    QSignalSpy changes(&vm, &EditorVM::styleChanged);
    ToolStyles next = vm.styles();
    next.strokeWidth = 3;
    next.arrow.headStyle = ArrowHeadStyle::start;
    vm.setStyles(next);
    EXPECT_EQ(changes.count(), 2); // stroke and arrow groups, once each
    EXPECT_EQ(control<SliderField>(QStringLiteral("Width"))->spinBox()->value(), 3);
    EXPECT_EQ(control<SliderField>(QStringLiteral("Width"))->slider()->value(), 2); // 1..50 by 1
    EXPECT_EQ(control<ChoiceField>(QStringLiteral("Head style"))->value(), int(ArrowHeadStyle::start));

    // A group-specific row follows its switch: the head outline rows appear with the outline.
    EXPECT_FALSE(page()->isRowShown(QStringLiteral("Outline width")));
    control<QCheckBox>(QStringLiteral("Outline the heads"))->click();
    EXPECT_TRUE(vm.styles().arrow.headOutline);
    EXPECT_TRUE(page()->isRowShown(QStringLiteral("Outline width")));

    // The rectangle's own group: corner radius and the shared shape opacity (shown in percent).
    vm.setCurrentTool(ToolKind::rect);
    control<SliderField>(QStringLiteral("Corner radius"))->spinBox()->setValue(12);
    control<SliderField>(QStringLiteral("Opacity"))->spinBox()->setValue(40);
    EXPECT_EQ(vm.styles().shape.rectCornerRadius, 12);
    EXPECT_DOUBLE_EQ(vm.styles().shape.opacity, 0.4);
    auto rect = std::dynamic_pointer_cast<RectLayer>(
        ToolLayerFactory::boxLayer(ToolKind::rect, vm.styles(), QRectF(10, 10, 50, 40)));
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->cornerRadius, 12);
    EXPECT_DOUBLE_EQ(rect->opacity, 0.4);
}

TEST_F(ToolPropertyPanelTest, DefaultChoicesStoreNoValue) {
    // Optional number: the Default box clears it; unticking brings the number back.
    vm.setCurrentTool(ToolKind::text);
    SliderField* tracking = control<SliderField>(QStringLiteral("Letter spacing"));
    ASSERT_NE(tracking, nullptr);
    EXPECT_TRUE(tracking->defaultBox()->isChecked());
    tracking->defaultBox()->click();
    tracking->spinBox()->setValue(2.5);
    EXPECT_EQ(vm.styles().text.tracking, std::optional<double>(2.5));
    tracking->defaultBox()->click();
    EXPECT_EQ(vm.styles().text.tracking, std::nullopt);
    EXPECT_FALSE(tracking->spinBox()->isEnabled());

    // Optional choice.
    vm.setCurrentTool(ToolKind::line);
    ChoiceField* cap = control<ChoiceField>(QStringLiteral("Line cap"));
    click(cap, int(LineCap::square));
    EXPECT_EQ(vm.styles().line.lineCap, std::optional<LineCap>(LineCap::square));
    click(cap, StylePage::kDefaultChoice);
    EXPECT_EQ(vm.styles().line.lineCap, std::nullopt);
    EXPECT_EQ(ToolLayerFactory::line(vm.styles(), {0, 0}, {10, 10})->lineCap, std::nullopt);

    // Optional colour: a swatch sets it, the toggle clears it, and the next rectangle is unfilled.
    vm.setCurrentTool(ToolKind::rect);
    ColorField* fillColor = control<ColorField>(QStringLiteral("Fill colour"));
    fillColor->swatches().at(2)->click();
    EXPECT_EQ(vm.styles().shape.fillColor, std::optional<QColor>(ColorField::quickColors().at(2)));
    fillColor->defaultToggle()->click();
    EXPECT_EQ(vm.styles().shape.fillColor, std::nullopt);
    EXPECT_TRUE(fillColor->picker()->isUnset());
    auto rect = std::dynamic_pointer_cast<RectLayer>(
        ToolLayerFactory::boxLayer(ToolKind::rect, vm.styles(), QRectF(0, 0, 20, 20)));
    EXPECT_EQ(rect->fillColor, std::nullopt);

    // Gradient: none until switched on, then two colours and a direction in radians.
    GradientField* gradient = control<GradientField>(QStringLiteral("Gradient"));
    ASSERT_NE(gradient, nullptr);
    EXPECT_FALSE(gradient->angleBox()->isEnabled());
    gradient->enabledBox()->click();
    gradient->angleBox()->setValue(90);
    ASSERT_TRUE(vm.styles().shape.gradient.has_value());
    EXPECT_NEAR(vm.styles().shape.gradient->angle, M_PI / 2, 1e-9);
    EXPECT_EQ(vm.styles().shape.gradient->startColor, gradient->startButton()->color());
    gradient->enabledBox()->click();
    EXPECT_EQ(vm.styles().shape.gradient, std::nullopt);
}

TEST_F(ToolPropertyPanelTest, RecentPresetsAreShownAndApplied) {
    vm.setCurrentTool(ToolKind::pen);
    EXPECT_FALSE(panel.recentRow()->isVisibleTo(&panel));
    ToolStyles blueWide = vm.styles();
    blueWide.strokeColor = QColor(0, 122, 255);
    blueWide.strokeWidth = 12;
    blueWide.pen.opacity = 0.5;
    vm.setStyles(blueWide);
    vm.recordRecentStyle(ToolKind::pen);

    ToolStyles redThin = vm.styles();
    redThin.strokeColor = QColor(255, 0, 0);
    redThin.strokeWidth = 2;
    redThin.pen.opacity = 1;
    vm.setStyles(redThin);
    vm.recordRecentStyle(ToolKind::pen);

    ASSERT_TRUE(panel.recentRow()->isVisibleTo(&panel));
    ASSERT_EQ(panel.recentRow()->buttons().size(), 2);
    // Most recent first: the second button is the blue one.
    panel.recentRow()->buttons().at(1)->click();
    EXPECT_EQ(vm.styles().strokeColor, QColor(0, 122, 255));
    EXPECT_EQ(vm.styles().strokeWidth, 12);
    EXPECT_DOUBLE_EQ(vm.styles().pen.opacity, 0.5);
    EXPECT_EQ(control<SliderField>(QStringLiteral("Width"))->spinBox()->value(), 12);
    EXPECT_EQ(control<SliderField>(QStringLiteral("Opacity"))->spinBox()->value(), 50);

    // Another tool has its own (empty) list.
    vm.setCurrentTool(ToolKind::rect);
    EXPECT_FALSE(panel.recentRow()->isVisibleTo(&panel));
}

TEST_F(ToolPropertyPanelTest, EditingTheSelectedArrowIsOneUndoStepPerEdit) {
    auto arrow = drawArrow({10, 10}, {150, 100});
    // The arrow keeps its own colour; a width edit must not repaint it.
    ToolStyles other = vm.styles();
    other.strokeColor = QColor(0, 0, 0);
    other.strokeWidth = 2;
    vm.setStyles(other);
    vm.setCurrentTool(ToolKind::selection);
    vm.selectLayer(arrow);
    ASSERT_EQ(panel.shownTool(), ToolKind::arrow);
    SliderField* width = control<SliderField>(QStringLiteral("Width"));
    EXPECT_EQ(width->spinBox()->value(), arrow->strokeWidth); // the arrow's value, not the tool's
    const qsizetype undoBefore = vm.undoStack().size();
    const double originalWidth = arrow->strokeWidth;

    // A slider drag: several live updates, one step when released.
    QSlider* slider = width->slider();
    slider->setSliderDown(true);
    for (int v : {5, 8, 11, 14}) {
        slider->setValue(v);
    }
    slider->setSliderDown(false);
    auto edited = std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer());
    ASSERT_NE(edited, nullptr);
    EXPECT_EQ(edited->strokeWidth, 15); // slider position 14 of 1..50
    EXPECT_EQ(edited->color, arrow->color);
    EXPECT_EQ(vm.styles().strokeWidth, 15); // the tool's setting follows the edit
    EXPECT_EQ(vm.undoStack().size(), undoBefore + 1);

    // A choice is one step of its own.
    click(control<ChoiceField>(QStringLiteral("Line style")), int(ArrowLineStyle::dashed));
    edited = std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer());
    EXPECT_EQ(edited->lineStyle, ArrowLineStyle::dashed);
    EXPECT_EQ(edited->strokeWidth, 15);
    EXPECT_EQ(vm.undoStack().size(), undoBefore + 2);

    vm.undo();
    vm.undo();
    auto restored = std::dynamic_pointer_cast<ArrowLayer>(vm.layers().last());
    EXPECT_EQ(restored->strokeWidth, originalWidth);
    EXPECT_EQ(restored->lineStyle, ArrowLineStyle::solid);
    EXPECT_EQ(vm.undoStack().size(), undoBefore);
}

TEST_F(ToolPropertyPanelTest, ArrangementButtonsMoveAndLockTheSelection) {
    auto bottom = drawArrow({10, 10}, {100, 10});
    auto top = drawArrow({10, 50}, {100, 50});
    vm.setCurrentTool(ToolKind::selection);
    vm.selectLayer(bottom);
    ArrangementButtons* arrange = panel.arrangement();
    EXPECT_FALSE(arrange->sendToBackButton()->isEnabled());
    ASSERT_TRUE(arrange->bringForwardButton()->isEnabled());
    arrange->bringForwardButton()->click();
    EXPECT_EQ(vm.layers().last(), bottom);
    EXPECT_FALSE(arrange->bringToFrontButton()->isEnabled()); // now on top
    EXPECT_TRUE(arrange->sendToBackButton()->isEnabled());

    EXPECT_FALSE(arrange->unlockAllButton()->isEnabled());
    arrange->lockButton()->click();
    EXPECT_TRUE(bottom->isLocked);
    EXPECT_EQ(vm.selectedLayer(), nullptr);
    EXPECT_FALSE(arrange->lockButton()->isEnabled());
    ASSERT_TRUE(arrange->unlockAllButton()->isEnabled());
    arrange->unlockAllButton()->click();
    EXPECT_FALSE(bottom->isLocked);
    EXPECT_FALSE(top->isLocked);
}

TEST_F(ToolPropertyPanelTest, EditingTheSelectedCutOutReplacesIt) {
    auto cut = std::make_shared<CutOutLayer>(QRectF(0, 100, 320, 30), CutOutOrientation::horizontal,
                                             CutOutEdgeStyle::torn, 1, 1);
    vm.addLayer(cut, true);
    vm.setCurrentTool(ToolKind::selection);
    vm.selectLayer(cut);
    ASSERT_EQ(panel.shownTool(), ToolKind::cutout);
    const qsizetype undoBefore = vm.undoStack().size();

    click(control<ChoiceField>(QStringLiteral("Edge")), int(CutOutEdgeStyle::zigzag));
    auto replaced = std::dynamic_pointer_cast<CutOutLayer>(vm.selectedLayer());
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(replaced->edgeStyle(), CutOutEdgeStyle::zigzag);
    EXPECT_EQ(replaced->rect(), cut->rect());
    EXPECT_EQ(vm.undoStack().size(), undoBefore + 1);

    control<SliderField>(QStringLiteral("Edge depth"))->spinBox()->setValue(1.7);
    replaced = std::dynamic_pointer_cast<CutOutLayer>(vm.selectedLayer());
    EXPECT_DOUBLE_EQ(replaced->depth(), 1.7);
    EXPECT_EQ(replaced->edgeStyle(), CutOutEdgeStyle::zigzag);
    EXPECT_EQ(vm.undoStack().size(), undoBefore + 2);

    // A preset tile sets edge, density and depth at once: one more step.
    QWidget* presets = page()->control(QStringLiteral("Presets"));
    ASSERT_NE(presets, nullptr);
    for (QPushButton* tile : presets->findChildren<QPushButton*>()) {
        if (tile->text() == QStringLiteral("Wave")) {
            tile->click();
        }
    }
    replaced = std::dynamic_pointer_cast<CutOutLayer>(vm.selectedLayer());
    EXPECT_EQ(replaced->edgeStyle(), CutOutEdgeStyle::wave);
    EXPECT_DOUBLE_EQ(replaced->density(), 0.8);
    EXPECT_DOUBLE_EQ(replaced->depth(), 1.0);
    EXPECT_EQ(vm.styles().cutout.edgeStyle, CutOutEdgeStyle::wave);
    EXPECT_EQ(vm.undoStack().size(), undoBefore + 3);
}

TEST_F(ToolPropertyPanelTest, MosaicAndBlurOfferSmartRedact) {
    QSignalSpy requests(&panel, &ToolPropertyPanel::smartRedactRequested);
    for (ToolKind tool : {ToolKind::mosaic, ToolKind::blur}) {
        vm.setCurrentTool(tool);
        QPushButton* redact = nullptr;
        for (QPushButton* b : page()->findChildren<QPushButton*>()) {
            if (b->text() == QStringLiteral("Smart Redact")) {
                redact = b;
            }
        }
        ASSERT_NE(redact, nullptr);
        EXPECT_EQ(redact->toolTip(),
                  QStringLiteral("Find and cover e-mail addresses, phone numbers, card numbers and names"));
        redact->click();
    }
    EXPECT_EQ(requests.count(), 2);

    // The mosaic's cover style decides which of its settings are offered.
    vm.setCurrentTool(ToolKind::mosaic);
    click(control<ChoiceField>(QStringLiteral("Style")), int(MosaicStyle::solid));
    EXPECT_EQ(vm.styles().mosaic.style, MosaicStyle::solid);
    EXPECT_TRUE(page()->isRowShown(QStringLiteral("Colour")));
    EXPECT_FALSE(page()->isRowShown(QStringLiteral("Block size")));
}

TEST_F(ToolPropertyPanelTest, StampPaletteAndImport) {
    vm.setCurrentTool(ToolKind::stamp);
    StampPicker* picker = panel.stampPicker();
    ASSERT_NE(picker, nullptr);
    const QString defaultSymbol = vm.styles().stamp.symbol;
    ASSERT_NE(picker->symbolButton(defaultSymbol), nullptr);
    EXPECT_TRUE(picker->symbolButton(defaultSymbol)->isChecked());

    // Not an image: refused with a reason, nothing stored.
    QTemporaryDir files;
    const QString bogus = files.filePath(QStringLiteral("notes.png"));
    {
        QFile f(bogus);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not an image");
    }
    QString error;
    EXPECT_FALSE(picker->importFile(bogus, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(stamps.stamps().isEmpty());
    EXPECT_EQ(vm.styles().stamp.customImagePath, std::nullopt);

    // A real PNG becomes a stamp in the folder and the chosen one.
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30));
    const QString png = files.filePath(QStringLiteral("badge.png"));
    ASSERT_TRUE(image.save(png));
    ASSERT_TRUE(picker->importFile(png, &error)) << error.toStdString();
    ASSERT_EQ(stamps.stamps().size(), 1);
    const QString stored = stamps.imagePath(stamps.stamps().first());
    EXPECT_TRUE(QFile::exists(stored));
    EXPECT_TRUE(stored.startsWith(stampDir.path()));
    EXPECT_EQ(vm.styles().stamp.customImagePath, std::optional<QString>(stored));
    ASSERT_NE(picker->customButton(stored), nullptr);
    EXPECT_TRUE(picker->customButton(stored)->isChecked());
    EXPECT_EQ(ToolLayerFactory::stamp(vm.styles(), {50, 50})->imagePath, std::optional<QString>(stored));

    // Choosing a palette symbol leaves the custom image.
    const QString other = StampPalette::categories().last().items.first().symbol;
    picker->symbolButton(other)->click();
    EXPECT_EQ(vm.styles().stamp.symbol, other);
    EXPECT_EQ(vm.styles().stamp.customImagePath, std::nullopt);
    EXPECT_FALSE(picker->customButton(stored)->isChecked());
}

TEST_F(ToolPropertyPanelTest, FillModesShowTheirOwnSettingsAndTheBusyLine) {
    vm.setCurrentTool(ToolKind::fill);
    click(control<ChoiceField>(QStringLiteral("Mode")), int(FillMode::fullImage));
    EXPECT_EQ(vm.styles().fill.mode, FillMode::fullImage);
    EXPECT_TRUE(page()->isRowShown(QStringLiteral("Gradient")));
    EXPECT_FALSE(page()->isRowShown(QStringLiteral("Tolerance")));
    click(control<ChoiceField>(QStringLiteral("Mode")), int(FillMode::global));
    EXPECT_FALSE(page()->isRowShown(QStringLiteral("Gradient")));
    EXPECT_TRUE(page()->isRowShown(QStringLiteral("Tolerance")));
    control<SliderField>(QStringLiteral("Tolerance"))->spinBox()->setValue(30);
    EXPECT_EQ(vm.styles().fill.regionTolerance, 30);

    QLabel* busy = nullptr;
    for (QLabel* l : panel.findChildren<QLabel*>()) {
        if (l->text() == QStringLiteral("Filling...")) {
            busy = l;
        }
    }
    ASSERT_NE(busy, nullptr);
    EXPECT_FALSE(busy->isVisibleTo(&panel));
    vm.fillAt(QPointF(5, 5));
    EXPECT_TRUE(vm.regionBusy());
    EXPECT_TRUE(busy->isVisibleTo(&panel));
    ASSERT_TRUE(test::waitUntil([&] { return !vm.regionBusy(); }));
    EXPECT_FALSE(busy->isVisibleTo(&panel));
    EXPECT_EQ(vm.layers().size(), 1);
}

TEST_F(ToolPropertyPanelTest, WheelOverAnUnfocusedControlScrollsThePanel) {
    vm.setCurrentTool(ToolKind::callout); // a long page
    panel.resize(260, 300);
    panel.show();
    test::drainEvents();
    QScrollBar* bar = panel.findChild<QScrollArea*>()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    SliderField* padding = control<SliderField>(QStringLiteral("Padding"));
    const double before = vm.styles().callout.padding;
    const QPointF at(10, 5);
    QWheelEvent wheel(at, padding->slider()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(padding->slider(), &wheel);
    EXPECT_EQ(vm.styles().callout.padding, before);
    EXPECT_GT(bar->value(), 0);
    panel.hide();
}

// Every page fits the panel's width in both appearances (no control pushed past the edge).
// With MEBO_PANEL_SHOTS set to a folder, the pages are saved there for a look.
TEST_F(ToolPropertyPanelTest, EveryPageFitsThePanelWidthInBothPalettes) {
    const QByteArray shots = qgetenv("MEBO_PANEL_SHOTS");
    const QPalette original = QApplication::palette();
    for (bool dark : {false, true}) {
        QApplication::setPalette(dark ? AppPalette::dark() : AppPalette::light());
        for (ToolKind tool : allToolKinds()) {
            vm.setCurrentTool(tool);
            panel.resize(260, 900);
            panel.show();
            test::drainEvents();
            QScrollArea* scroll = panel.findChild<QScrollArea*>();
            ASSERT_NE(scroll, nullptr);
            const int room = scroll->viewport()->width();
            EXPECT_LE(scroll->widget()->minimumSizeHint().width(), room)
                << toolKindRawValue(tool).toStdString() << (dark ? " dark" : " light");
            if (!shots.isEmpty()) {
                const int height = std::max(900, scroll->widget()->sizeHint().height());
                panel.resize(260, height);
                test::drainEvents();
                panel.grab().save(QDir(QString::fromLocal8Bit(shots))
                                      .filePath(QStringLiteral("%1-%2.png")
                                                    .arg(toolKindRawValue(tool), dark ? "dark" : "light")));
            }
        }
    }
    panel.hide();
    QApplication::setPalette(original);
}
