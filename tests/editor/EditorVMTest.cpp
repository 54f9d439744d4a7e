#include "editor/EditorVM.h"
#include "document/CutOutLayer.h"
#include "document/DocumentFlattener.h"
#include "document/EraserStrokeLayer.h"
#include "document/HighlighterLayer.h"
#include "document/MagnifyLayer.h"
#include "document/RectLayer.h"
#include "document/RegionFillLayer.h"
#include "document/TextLayer.h"
#include "support/Drawing.h"
#include "support/TestUtil.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace mebo {
namespace {

QImage gradientImage(int w = 400, int h = 300) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x] = qRgb(x % 256, y % 256, (x * 7 + y * 3) % 256);
        }
    }
    return img;
}

LayerPtr rectAt(double x, double y, double w = 40, double h = 30, QColor color = Qt::red) {
    auto r = std::make_shared<RectLayer>();
    r->rect = QRectF(x, y, w, h);
    r->color = color;
    return r;
}

LayerPtr eraserAt(double x, double y) {
    auto e = std::make_shared<EraserStrokeLayer>();
    e->points = {QPointF(x, y), QPointF(x + 30, y + 10)};
    e->width = 12;
    return e;
}

TEST(EditorVMHistory, UndoRedoRulesAndStepLimit) {
    EditorVM vm(gradientImage());
    vm.undo(); // empty history: nothing happens
    EXPECT_TRUE(vm.layers().isEmpty());
    EXPECT_FALSE(vm.hasUnsavedChanges());

    vm.addLayer(rectAt(10, 10));
    vm.addLayer(rectAt(50, 50));
    vm.undo();
    ASSERT_EQ(vm.layers().size(), 1);
    EXPECT_TRUE(vm.canRedo());
    vm.addLayer(rectAt(90, 90)); // a new change empties the redo stack
    EXPECT_FALSE(vm.canRedo());
    vm.redo();
    EXPECT_EQ(vm.layers().size(), 2);

    for (int i = 0; i < 51; ++i) {
        vm.addLayer(rectAt(i, i));
    }
    EXPECT_EQ(vm.undoStack().size(), SnapshotLimits::kMaxSteps);
    while (vm.canUndo()) {
        vm.undo();
    }
    // The three oldest states were dropped: undo stops at the state after the third change.
    EXPECT_EQ(vm.layers().size(), 3);
    EXPECT_EQ(vm.redoStack().size(), SnapshotLimits::kMaxSteps);
}

TEST(EditorVMHistory, LargeBaseImagesKeepHistoryUnderTheByteBound) {
    auto total = [](const QList<Snapshot>& stack) {
        qint64 sum = 0;
        for (const Snapshot& s : stack) {
            sum += s.baseImageBytes();
        }
        return sum;
    };
    // A 60-megapixel capture, 3 bytes a pixel (180 MB): repeated straight cuts.
    QImage big(10000, 6000, QImage::Format_RGB888);
    big.fill(Qt::darkCyan);
    EditorVM vm(big);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(vm.applyCutOut(CutOutOrientation::horizontal, 100, 160));
        EXPECT_TRUE(vm.undoStack().size() == 1 || total(vm.undoStack()) <= SnapshotLimits::kMaxBaseImageBytes)
            << "step " << i << ": " << total(vm.undoStack());
    }
    EXPECT_EQ(vm.baseImage().height(), 6000 - 4 * 60);
    EXPECT_EQ(vm.undoStack().size(), 1);
    vm.undo();
    EXPECT_EQ(vm.baseImage().height(), 6000 - 3 * 60);
}

TEST(EditorVMSelection, CommandsSkipLockedAndEraserLayers) {
    EditorVM vm(gradientImage());
    const LayerPtr a = rectAt(10, 10), b = rectAt(60, 60), e = eraserAt(5, 5);
    auto text = std::make_shared<TextLayer>();
    text->text = QStringLiteral("Hi");
    vm.addLayers({a, e, b, text});
    b->isLocked = true;

    vm.selectAll();
    EXPECT_EQ(vm.multiSelection(), (LayerList{a, text}));
    vm.selectLayer(a);
    vm.selectSimilar();
    EXPECT_EQ(vm.multiSelection(), LayerList{a}); // b is locked
    vm.selectLayer(e);
    vm.selectSimilar(); // an eraser stroke selects nothing new
    EXPECT_TRUE(vm.multiSelection().isEmpty());
    vm.selectLayer(a);
    vm.invertSelection();
    EXPECT_EQ(vm.multiSelection(), LayerList{text});

    const int steps = int(vm.undoStack().size());
    vm.setMultiSelection({a, text});
    vm.duplicateSelection();
    ASSERT_EQ(vm.layers().size(), 6);
    EXPECT_EQ(vm.undoStack().size(), steps + 1);
    EXPECT_EQ(vm.layers()[4]->bounds(), a->bounds().translated(20, 20));
    EXPECT_EQ(vm.multiSelection(), (LayerList{vm.layers()[4], vm.layers()[5]}));
    vm.deleteSelection();
    EXPECT_EQ(vm.layers(), (LayerList{a, e, b, text}));
    EXPECT_EQ(vm.undoStack().size(), steps + 2);

    vm.unlockAllLayers();
    EXPECT_FALSE(b->isLocked);

    vm.selectLayer(a);
    vm.setTextEditing(true); // menu commands belong to the text field meanwhile
    vm.deleteSelection();
    vm.undo();
    EXPECT_EQ(vm.layers().size(), 4);
}

TEST(EditorVMArrangement, ZOrderAlignAndDistribute) {
    EditorVM vm(gradientImage());
    const LayerPtr a = rectAt(10, 10), b = rectAt(100, 40, 60, 20), c = rectAt(200, 80, 20, 50);
    vm.addLayers({a, b, c});
    const qsizetype steps = vm.undoStack().size();

    vm.selectLayer(c);
    vm.bringForward(); // already on top
    vm.bringToFront();
    vm.selectLayer(a);
    vm.sendBackward(); // already at the bottom
    vm.sendToBack();
    EXPECT_EQ(vm.undoStack().size(), steps);
    vm.bringForward();
    EXPECT_EQ(vm.layers(), (LayerList{b, a, c}));
    vm.bringToFront();
    EXPECT_EQ(vm.layers(), (LayerList{b, c, a}));
    vm.sendToBack();
    EXPECT_EQ(vm.layers(), (LayerList{a, b, c}));
    EXPECT_EQ(vm.undoStack().size(), steps + 3);

    // A group keeps its order and does not jump over its own members.
    vm.setMultiSelection({a, b});
    vm.bringForward();
    EXPECT_EQ(vm.layers(), (LayerList{c, a, b}));
    vm.sendToBack();
    EXPECT_EQ(vm.layers(), (LayerList{a, b, c}));

    vm.setMultiSelection({a});
    vm.align(LayerAlignment::left); // one layer: nothing
    vm.setMultiSelection({a, b});
    vm.distribute(Qt::Horizontal); // two layers: nothing
    const qsizetype before = vm.undoStack().size();
    vm.setMultiSelection({a, b, c});
    vm.align(LayerAlignment::right);
    EXPECT_EQ(vm.undoStack().size(), before + 1);
    for (const LayerPtr& l : vm.layers()) {
        EXPECT_DOUBLE_EQ(l->bounds().right(), 222);
    }
    EXPECT_EQ(vm.multiSelection().size(), 3); // the moved copies stay selected
    vm.undo();
    vm.setMultiSelection(vm.layers());
    vm.distribute(Qt::Vertical); // centres 25, 50 and 105: the end layers stay, the middle one is halfway
    const auto centreY = [&](int i) { return vm.layers()[i]->bounds().center().y(); };
    EXPECT_DOUBLE_EQ(centreY(0), 25);
    EXPECT_DOUBLE_EQ(centreY(1), 65);
    EXPECT_DOUBLE_EQ(centreY(2), 105);
}

TEST(EditorVMEditing, CropPasteAndStraightCut) {
    EditorVM vm(gradientImage());
    vm.commitCrop(QRectF(-20, 10.4, 200, 100)); // limited to the image, whole pixels
    EXPECT_EQ(vm.canvasRect(), QRectF(0, 10, 180, 101));
    vm.commitCrop(vm.canvasRect()); // unchanged: no step
    EXPECT_EQ(vm.undoStack().size(), 1);
    vm.undo(); // the paste fits the whole image

    const LayerPtr pasted = vm.pasteImage(gradientImage(1000, 100));
    ASSERT_TRUE(pasted);
    EXPECT_EQ(pasted->toolKind, ToolKind::selection);
    EXPECT_EQ(vm.selectedLayer(), pasted);
    EXPECT_LE(pasted->bounds().width(), 400 * 0.9 + 1e-9); // scaled to fit the visible area
    EXPECT_EQ(pasted->bounds().center(), QPointF(200, 150));

    // Rows 100..149 leave; what lay below moves up with its part of the image.
    EditorVM cut(gradientImage());
    const LayerPtr above = rectAt(10, 10), below = rectAt(10, 200);
    cut.addLayers({above, below});
    ASSERT_TRUE(cut.applyCutOut(CutOutOrientation::horizontal, 150, 100));
    EXPECT_EQ(cut.baseImage().size(), QSize(400, 250));
    EXPECT_EQ(cut.baseImage().pixel(5, 99), gradientImage().pixel(5, 99));
    EXPECT_EQ(cut.baseImage().pixel(5, 100), gradientImage().pixel(5, 150));
    EXPECT_EQ(cut.layers()[0], above);
    EXPECT_EQ(cut.layers()[1]->bounds(), below->bounds().translated(0, -50));
    EXPECT_EQ(cut.canvasRect(), QRectF(0, 0, 400, 250));
    ASSERT_TRUE(cut.applyCutOut(CutOutOrientation::vertical, 0, 50));
    EXPECT_EQ(cut.baseImage().pixel(0, 0), gradientImage().pixel(50, 0));
    EXPECT_FALSE(cut.applyCutOut(CutOutOrientation::vertical, 0, 350)); // nothing would be left
    EditorVM mono(gradientImage(64, 16).convertToFormat(QImage::Format_Mono));
    ASSERT_TRUE(mono.applyCutOut(CutOutOrientation::vertical, 8, 40));
    EXPECT_EQ(mono.baseImage().pixel(8, 3),
              gradientImage(64, 16).convertToFormat(QImage::Format_Mono).pixel(40, 3));
}

TEST(EditorVMEditing, SelectedCutOutChangesAndRefusesStraight) {
    test::LogCapture log;
    EditorVM vm(gradientImage());
    auto cut = std::make_shared<CutOutLayer>(QRectF(0, 100, 400, 40), CutOutOrientation::horizontal,
                                             CutOutEdgeStyle::torn, 1, 1);
    vm.addLayer(cut, true);
    const qsizetype steps = vm.undoStack().size();
    vm.updateSelectedCutOut(CutOutEdgeStyle::straight, 1, 1);
    EXPECT_TRUE(log.contains(
        QStringLiteral("[CutOut] updateSelectedCutOut 收到 straight; line trim 應走 applyCutOut")));
    vm.updateSelectedCutOut(CutOutEdgeStyle::torn, 1 + 1e-9, 1); // within the tolerance: unchanged
    EXPECT_EQ(vm.layers().first(), cut);
    EXPECT_EQ(vm.undoStack().size(), steps);
}

TEST(EditorVMFill, SearchesOffTheMainThreadAndAppliesOneStep) {
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter(&img).fillRect(QRect(20, 10, 50, 40), Qt::blue);
    EditorVM vm(img);
    ToolStyles styles = vm.styles();
    styles.fill.mode = FillMode::region;
    styles.fill.regionTolerance = 0;
    styles.fill.color = Qt::green;
    styles.fill.regionTransparent = true;
    vm.setStyles(styles);
    QSignalSpy busy(&vm, &EditorVM::regionBusyChanged);
    vm.fillAt(QPointF(30.7, 20.2));
    EXPECT_TRUE(vm.regionBusy());
    vm.fillAt(QPointF(100, 80)); // refused while busy
    ASSERT_TRUE(test::waitUntil([&] { return !vm.regionBusy(); }));
    ASSERT_EQ(vm.layers().size(), 1);
    const auto* fill = dynamic_cast<const RegionFillLayer*>(vm.layers().first().get());
    ASSERT_TRUE(fill);
    EXPECT_EQ(fill->maskRect, QRectF(20, 10, 50, 40));
    EXPECT_TRUE(fill->transparent);
    EXPECT_EQ(vm.undoStack().size(), 1);
    EXPECT_EQ(busy.count(), 2);

    vm.fillAt(QPointF(500, 20)); // outside: the busy flag clears, no layer
    ASSERT_TRUE(test::waitUntil([&] { return !vm.regionBusy(); }));
    EXPECT_EQ(vm.layers().size(), 1);

    // A result found on a base image that was replaced meanwhile is dropped.
    styles.fill.mode = FillMode::global;
    vm.setStyles(styles);
    vm.fillAt(QPointF(5, 5));
    ASSERT_TRUE(vm.applyCutOut(CutOutOrientation::vertical, 0, 10));
    ASSERT_TRUE(test::waitUntil([&] { return !vm.regionBusy(); }));
    EXPECT_EQ(vm.layers().size(), 1);
}

TEST(EditorVMCaches, CompositeMatchesFlattenAfterEveryKindOfChange) {
    EditorVM vm(gradientImage());
    auto lens = std::make_shared<MagnifyLayer>();
    lens->center = QPointF(300, 200);
    lens->size = QSizeF(80, 80);
    LayerList layers;
    for (int i = 0; i < 12; ++i) {
        layers.append(rectAt(20 * i, 15 * i, 50, 40, QColor::fromHsv(i * 30, 200, 230)));
    }
    layers.insert(4, eraserAt(100, 100));
    layers.insert(8, lens);
    vm.addLayers(layers);
    auto highlight = std::make_shared<HighlighterLayer>();
    highlight->rect = QRectF(50, 50, 200, 60);
    vm.addLayer(highlight);
    vm.addLayer(rectAt(150, 60, 30, 30, Qt::darkGreen));
    vm.addLayer(rectAt(170, 70, 30, 30, QColor(0, 0, 255, 128)));
    // Layers laid over the rest as one picture may differ from drawing them one by one by a unit
    // of 8-bit rounding.
    const auto matches = [&] {
        const QImage expected = DocumentFlattener::flatten(vm.baseImage(), vm.layers(), vm.fullImageRect());
        return vm.composite().size() == expected.size() && vm.composite().format() == expected.format() &&
               test::maxDifference(vm.composite(), expected) <= 2;
    };
    EXPECT_TRUE(matches());
    const int erasedRev = vm.eraserRevision();

    // A middle layer dragged: its region is redrawn, the others from their own pictures; above the
    // highlighter only plain layers: the overlay path.
    for (const auto& [index, by] :
         {std::pair{qsizetype(6), QPointF(7, 3)}, {vm.layers().size() - 2, {-4, 6}}}) {
        LayerPtr moving = vm.layers()[index];
        for (int step = 1; step <= 3; ++step) {
            const LayerPtr next = moving->translated(by.x(), by.y());
            vm.replaceLayerLive(moving, next);
            moving = next;
            EXPECT_TRUE(matches()) << index << " " << step;
        }
    }
    EXPECT_EQ(vm.eraserRevision(), erasedRev);

    vm.selectLayer(vm.layers()[2]);
    vm.bringToFront();
    EXPECT_TRUE(matches());
    vm.selectLayer(*std::find_if(vm.layers().begin(), vm.layers().end(),
                                 [](const LayerPtr& l) { return l->toolKind == ToolKind::eraser; }));
    vm.deleteSelection();
    EXPECT_NE(vm.eraserRevision(), erasedRev);
    EXPECT_TRUE(matches());
    vm.undo();
    EXPECT_TRUE(matches());
    ASSERT_TRUE(vm.applyCutOut(CutOutOrientation::horizontal, 10, 30));
    EXPECT_TRUE(matches());
    vm.commitCrop(QRectF(10, 10, 100, 50));
    EXPECT_EQ(vm.flattened(), DocumentFlattener::flatten(vm.baseImage(), vm.layers(), vm.canvasRect()));
}

// Long random edit sequences: undoing everything gives back the first state, redoing everything the
// last, whatever the mix of changes.
TEST(EditorVMProperty, RandomEditsUndoAndRedoCompletely) {
    for (quint32 seed : {1u, 7u, 42u}) {
        QRandomGenerator rng(seed);
        EditorVM vm(gradientImage(300, 240));
        vm.setCurrentTool(ToolKind::selection);
        auto pick = [&]() -> LayerPtr {
            return vm.layers().isEmpty() ? nullptr : vm.layers()[rng.bounded(int(vm.layers().size()))];
        };
        const QByteArray initial = vm.fingerprint();
        const QImage initialBase = vm.baseImage();
        const std::function<void()> edits[] = {
            [&] { vm.addLayer(rectAt(rng.bounded(250), rng.bounded(200))); },
            [&] { vm.addLayer(rectAt(rng.bounded(250), rng.bounded(200))); },
            [&] {
                if (LayerPtr l = pick()) {
                    vm.replaceLayer(l, l->translated(rng.bounded(9) - 4, 3));
                }
            },
            [&] { vm.selectLayer(pick()), vm.deleteSelection(); },
            [&] { vm.selectLayer(pick()), vm.bringToFront(); },
            [&] { vm.setMultiSelection(vm.layers()), vm.align(LayerAlignment::top); },
            [&] { vm.commitCrop(QRectF(rng.bounded(50), rng.bounded(50), 120, 100)); },
            [&] {
                vm.selectLayer(pick());
                for (int n = 0; n < 3; ++n) {
                    vm.nudgeSelection(1, 0);
                }
                vm.endNudgeRun();
            },
            [&] { vm.applyCutOut(CutOutOrientation::horizontal, 10, 10 + rng.bounded(6)); },
            [&] { vm.selectLayer(pick()), vm.duplicateSelection(); }};
        int changes = 0;
        for (int i = 0; i < 45; ++i) {
            const int before = int(vm.undoStack().size());
            edits[rng.bounded(10)]();
            ASSERT_LE(vm.undoStack().size(), before + 1) << "one change, at most one step";
            changes += int(vm.undoStack().size()) - before;
        }
        ASSERT_EQ(vm.undoStack().size(), changes);
        ASSERT_GT(changes, 25);
        const QByteArray final = vm.fingerprint();
        const QImage finalBase = vm.baseImage();
        while (vm.canUndo()) {
            vm.undo();
        }
        EXPECT_EQ(vm.fingerprint(), initial) << seed;
        EXPECT_EQ(vm.baseImage(), initialBase);
        while (vm.canRedo()) {
            vm.redo();
        }
        EXPECT_EQ(vm.fingerprint(), final) << seed;
        EXPECT_EQ(vm.baseImage(), finalBase);
    }
}

TEST(EditorVMStyles, GroupsAnnounceChangesAndRecentStylesAreKept) {
    EditorVM vm(gradientImage());
    QSignalSpy spy(&vm, &EditorVM::styleChanged);
    ToolStyles s = vm.styles();
    s.arrow.headSize = 6;
    s.strokeWidth = 9;
    vm.setStyles(s);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).value<StyleGroup>(), StyleGroup::stroke);
    EXPECT_EQ(spy.at(1).at(0).value<StyleGroup>(), StyleGroup::arrow);

    for (int w = 1; w <= EditorVM::kMaxRecentStyles + 2; ++w) {
        s.strokeWidth = w;
        vm.setStyles(s);
        vm.recordRecentStyle(ToolKind::arrow);
    }
    vm.recordRecentStyle(ToolKind::arrow); // the same style again is not a new entry
    const QList<ToolStyleSnapshot> recent = vm.recentStyles(ToolKind::arrow);
    ASSERT_EQ(recent.size(), EditorVM::kMaxRecentStyles);
    EXPECT_EQ(recent.first().strokeWidth, EditorVM::kMaxRecentStyles + 2);
    EXPECT_TRUE(vm.recentStyles(ToolKind::pen).isEmpty());

    vm.applyRecentStyle(ToolKind::arrow, recent.last());
    EXPECT_EQ(vm.styles().strokeWidth, 3);
    EXPECT_EQ(vm.styles().arrow.headSize, 6);
}

} // namespace
} // namespace mebo
