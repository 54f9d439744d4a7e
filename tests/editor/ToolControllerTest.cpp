#include "editor/ToolController.h"
#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/CutOutLayer.h"
#include "document/EllipseLayer.h"
#include "document/EraserStrokeLayer.h"
#include "document/FillLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LineLayer.h"
#include "document/MagnifyLayer.h"
#include "document/MosaicLayer.h"
#include "document/PenLayer.h"
#include "document/RectLayer.h"
#include "document/SimplifyLayer.h"
#include "document/StepLayer.h"
#include "document/TextLayer.h"
#include "editor/EditorVM.h"

#include <QPainter>
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

constexpr auto kNone = Qt::NoModifier;
constexpr auto kShift = Qt::ShiftModifier;

QImage testImage() {
    QImage img(800, 600, QImage::Format_ARGB32);
    img.fill(QColor(40, 90, 200));
    QPainter(&img).fillRect(300, 300, 100, 100, QColor(250, 250, 0));
    return img;
}

void expectNear(const QPointF& a, const QPointF& b, double eps = 1e-6) {
    EXPECT_NEAR(a.x(), b.x(), eps);
    EXPECT_NEAR(a.y(), b.y(), eps);
}

QPointF cubicAt(const ArrowLayer& a, double t) {
    const double u = 1 - t;
    return a.start * (u * u * u) + *a.controlPoint * (3 * u * u * t) + *a.controlPoint2 * (3 * u * t * t) +
           a.end * (t * t * t);
}

class ToolControllerTest : public ::testing::Test {
protected:
    EditorVM vm{testImage()};
    ToolController tc{vm};

    void use(ToolKind tool) { vm.setCurrentTool(tool); }
    void styles(const std::function<void(ToolStyles&)>& edit) {
        ToolStyles s = vm.styles();
        edit(s);
        vm.setStyles(s);
    }
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers mods = kNone) {
        tc.pointerDown(from, mods);
        tc.pointerMove((from + to) / 2, mods);
        tc.pointerMove(to, mods);
        tc.pointerUp(to, mods);
    }
    void click(QPointF at, int count = 1) {
        tc.pointerDown(at, kNone, count);
        tc.pointerUp(at, kNone);
    }
    template <typename T> std::shared_ptr<T> top() {
        return std::dynamic_pointer_cast<T>(vm.layers().last());
    }
    int steps() const { return int(vm.undoStack().size()); }
    // Creates a layer with `tool` by a drag: one step, selected, no preview left.
    template <typename T>
    std::shared_ptr<T> create(ToolKind tool, QPointF a, QPointF b, Qt::KeyboardModifiers m = kNone) {
        use(tool);
        const int before = steps();
        drag(a, b, m);
        EXPECT_EQ(steps(), before + 1) << toolKindRawValue(tool).toStdString();
        auto layer = top<T>();
        EXPECT_TRUE(layer) << toolKindRawValue(tool).toStdString();
        EXPECT_EQ(vm.selectedLayer(), vm.layers().last());
        EXPECT_FALSE(tc.previewLayer());
        return layer;
    }
};

TEST_F(ToolControllerTest, DraggedToolsTakeTheirStyleAndAreOneStepEach) {
    styles([](ToolStyles& s) {
        s.strokeColor = QColor(10, 20, 30);
        s.strokeWidth = 7;
        s.shape.rectCornerRadius = 5;
        s.highlighter.shape = HighlighterShape::underline;
        s.simplify.shape = MosaicShape::ellipse;
        s.mosaic.blockSize = 9;
        s.mosaic.blurRadius = 21;
        s.arrow.headStyle = ArrowHeadStyle::both;
        s.line.lineCap = LineCap::butt;
        s.pen.smoothCurves = false;
        s.eraser.width = 33;
    });
    auto rect = create<RectLayer>(ToolKind::rect, {110, 80}, {10, 20});
    EXPECT_EQ(rect->rect, QRectF(10, 20, 100, 60));
    EXPECT_EQ(rect->color, QColor(10, 20, 30));
    EXPECT_EQ(rect->cornerRadius, 5);
    EXPECT_EQ(create<EllipseLayer>(ToolKind::ellipse, {200, 20}, {260, 120})->rect, QRectF(200, 20, 60, 100));
    EXPECT_EQ(create<HighlighterLayer>(ToolKind::highlighter, {500, 20}, {600, 40})->shape,
              HighlighterShape::underline);
    // Simplify covers the object with the colour around it.
    EXPECT_EQ(create<SimplifyLayer>(ToolKind::simplify, {280, 280}, {420, 420})->fillColor,
              QColor(40, 90, 200));
    // Shift makes a square on the longer side, towards the pointer.
    EXPECT_EQ(create<RectLayer>(ToolKind::rect, {600, 300}, {560, 280}, kShift)->rect,
              QRectF(560, 260, 40, 40));

    // Mosaic intensity is the block size or the blur radius by style; the blur tool is a gaussian
    // mosaic whatever the mosaic style, remembered as the blur tool's.
    EXPECT_EQ(create<MosaicLayer>(ToolKind::mosaic, {10, 10}, {60, 60})->intensity, 9);
    styles([](ToolStyles& s) { s.mosaic.style = MosaicStyle::gaussian; });
    EXPECT_EQ(create<MosaicLayer>(ToolKind::mosaic, {100, 10}, {160, 60})->intensity, 21);
    styles([](ToolStyles& s) { s.mosaic.style = MosaicStyle::solid; });
    auto blur = create<MosaicLayer>(ToolKind::blur, {300, 10}, {360, 60});
    EXPECT_EQ(blur->style, MosaicStyle::gaussian);
    EXPECT_EQ(blur->toolKind, ToolKind::mosaic);
    EXPECT_EQ(blur->intensity, 21);
    EXPECT_EQ(vm.recentStyles(ToolKind::blur).size(), 1);
    // The polygon shape collects a lasso, skipping moves under half a pixel; its box is the points'.
    styles([](ToolStyles& s) { s.mosaic.shape = MosaicShape::polygon; });
    use(ToolKind::mosaic);
    tc.pointerDown({400, 100}, kNone);
    for (QPointF p : {QPointF(400.2, 100), QPointF(500, 120), QPointF(450, 200)}) {
        tc.pointerMove(p, kNone);
    }
    tc.pointerUp({450, 200}, kNone);
    EXPECT_EQ(top<MosaicLayer>()->polygonPoints, (QList<QPointF>{{400, 100}, {500, 120}, {450, 200}}));
    EXPECT_EQ(top<MosaicLayer>()->rect, QRectF(400, 100, 100, 100));

    auto arrow = create<ArrowLayer>(ToolKind::arrow, {10, 10}, {200, 50});
    EXPECT_EQ(arrow->end, QPointF(200, 50));
    EXPECT_EQ(arrow->headStyle, ArrowHeadStyle::both);
    // Shift snaps to 45 degree steps and keeps the length.
    auto snapped = create<LineLayer>(ToolKind::line, {300, 300}, {400, 290}, kShift);
    expectNear(snapped->end, {300 + std::hypot(100, 10), 300});
    EXPECT_EQ(snapped->lineCap, LineCap::butt);
    auto diagonal = create<ArrowLayer>(ToolKind::arrow, {300, 400}, {390, 500}, kShift);
    EXPECT_NEAR(diagonal->end.x() - 300, diagonal->end.y() - 400, 1e-9);

    // The pen and the eraser collect their points as the lasso does.
    EXPECT_FALSE(create<PenLayer>(ToolKind::pen, {10, 300}, {30, 305})->smoothCurves);
    auto eraser = create<EraserStrokeLayer>(ToolKind::eraser, {100, 500}, {200, 520});
    EXPECT_EQ(eraser->width, 33);
    EXPECT_EQ(eraser->points.size(), 3);
}

TEST_F(ToolControllerTest, GesturesTooSmallCreateNothingAndEscapeDropsThePreview) {
    for (ToolKind tool :
         {ToolKind::rect, ToolKind::ellipse, ToolKind::mosaic, ToolKind::spotlight, ToolKind::arrow,
          ToolKind::line, ToolKind::pen, ToolKind::eraser, ToolKind::crop, ToolKind::cutout}) {
        use(tool);
        drag({100, 100}, {101.5, 101});
        EXPECT_TRUE(vm.layers().isEmpty()) << toolKindRawValue(tool).toStdString();
        EXPECT_FALSE(tc.previewLayer());
        EXPECT_FALSE(tc.rubberBand());
    }
    use(ToolKind::rect); // a wide but flat box is still too small
    drag({100, 100}, {300, 101});
    EXPECT_EQ(steps(), 0);

    use(ToolKind::ellipse);
    QSignalSpy changed(&tc, &ToolController::changed);
    tc.pointerDown({10, 10}, kNone);
    tc.pointerMove({90, 70}, kNone);
    ASSERT_TRUE(tc.previewLayer());
    EXPECT_FALSE(vm.layers().contains(tc.previewLayer()));
    EXPECT_EQ(tc.previewLayer()->bounds().united(QRectF(10, 10, 80, 60)), tc.previewLayer()->bounds());
    EXPECT_GE(changed.count(), 2);
    EXPECT_TRUE(tc.keyPress(Qt::Key_Escape, kNone));
    EXPECT_FALSE(tc.previewLayer());
    tc.pointerUp({90, 70}, kNone);
    EXPECT_TRUE(vm.layers().isEmpty());
    EXPECT_EQ(steps(), 0);
}

TEST_F(ToolControllerTest, ClickToolsNumberStepsAndFill) {
    styles([](ToolStyles& s) {
        s.step.count = 3;
        s.fill.mode = FillMode::fullImage;
        s.fill.fullImageAlpha = 0.6;
    });
    use(ToolKind::step);
    click({100, 100});
    click({200, 100});
    ASSERT_EQ(steps(), 2);
    EXPECT_EQ(std::dynamic_pointer_cast<StepLayer>(vm.layers()[0])->number, 3);
    EXPECT_EQ(top<StepLayer>()->number, 4);
    EXPECT_EQ(top<StepLayer>()->center, QPointF(200, 100));
    EXPECT_EQ(vm.styles().step.count, 5);
    use(ToolKind::fill);
    click({700, 500});
    EXPECT_DOUBLE_EQ(top<FillLayer>()->effectiveAlpha(), 0.6);
    EXPECT_EQ(steps(), 3);
}

TEST_F(ToolControllerTest, TextCommitEmptyCancelAndReedit) {
    styles([](ToolStyles& s) { s.fontSize = 31; });
    QSignalSpy requested(&tc, &ToolController::textEditRequested);
    use(ToolKind::text);
    click({50, 60});
    ASSERT_EQ(requested.count(), 1);
    EXPECT_TRUE(requested.last().at(1).toBool());
    EXPECT_TRUE(vm.isTextEditing());
    EXPECT_FALSE(tc.keyPress(Qt::Key_Delete, kNone)); // the text field's key
    click({400, 400});                                // ignored while editing
    EXPECT_EQ(requested.count(), 1);
    tc.commitText(QStringLiteral("Hello"));
    EXPECT_FALSE(vm.isTextEditing());
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(top<TextLayer>()->position, QPointF(50, 60));
    EXPECT_EQ(top<TextLayer>()->fontSize, 31);
    EXPECT_EQ(vm.selectedLayer(), vm.layers().last());
    // A blank new text and a cancelled one leave nothing behind.
    click({300, 500});
    tc.commitText(QStringLiteral("  "));
    click({300, 500});
    tc.cancelText();
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(vm.layers().size(), 1);
    EXPECT_FALSE(vm.isTextEditing());

    // Double-click with the selection tool edits the existing text; unchanged text is no step,
    // emptied text removes the layer.
    use(ToolKind::selection);
    const auto inside = [&] { return vm.layers().last()->bounds().center(); };
    click(inside());
    click(inside(), 2);
    ASSERT_EQ(requested.count(), 4);
    EXPECT_FALSE(requested.last().at(1).toBool());
    EXPECT_EQ(tc.editedLayer(), vm.layers().last());
    tc.commitText(QStringLiteral("Hello"));
    EXPECT_EQ(steps(), 1);
    click(inside(), 2);
    tc.commitText(QStringLiteral("Bye"));
    EXPECT_EQ(steps(), 2);
    EXPECT_EQ(top<TextLayer>()->text, QStringLiteral("Bye"));
    EXPECT_EQ(top<TextLayer>()->position, QPointF(50, 60));
    click(inside(), 2);
    tc.commitText(QString());
    EXPECT_EQ(steps(), 3);
    EXPECT_TRUE(vm.layers().isEmpty());
}

TEST_F(ToolControllerTest, CalloutBodyTailAndText) {
    use(ToolKind::callout);
    click({400, 300});
    ASSERT_TRUE(tc.isEditingText());
    auto body = std::dynamic_pointer_cast<CalloutLayer>(tc.editedLayer());
    ASSERT_TRUE(body);
    EXPECT_EQ(body->rect, QRectF(290, 245, 220, 110));
    ASSERT_EQ(body->tails.size(), 1);
    EXPECT_LT(body->tails[0].x(), body->rect.center().x());
    EXPECT_GT(body->tails[0].y(), body->rect.bottom());
    EXPECT_EQ(steps(), 0);
    tc.commitText(QStringLiteral("Note"));
    EXPECT_EQ(steps(), 1);
    EXPECT_EQ(top<CalloutLayer>()->text, QStringLiteral("Note"));
    EXPECT_EQ(top<CalloutLayer>()->rect, QRectF(290, 245, 220, 110)); // a short text fits as it is
    drag({20, 20}, {180, 100});
    ASSERT_TRUE(tc.isEditingText());
    EXPECT_EQ(std::dynamic_pointer_cast<CalloutLayer>(tc.editedLayer())->rect, QRectF(20, 20, 160, 80));
    tc.cancelText();
    EXPECT_EQ(steps(), 1);

    // A longer text grows the body until it fits, away from the tail (which points down here).
    use(ToolKind::callout);
    click({400, 300});
    tc.commitText(
        QStringLiteral("A much longer note that wraps over several lines inside the bubble, and more"));
    auto grown = top<CalloutLayer>();
    EXPECT_EQ(grown->rect.width(), 220);
    EXPECT_EQ(grown->rect.bottom(), 355);
    EXPECT_GT(grown->rect.height(), 110);
    const AnnotationTextLayout layout(grown->text, grown->textStyle(), grown->textRect().width());
    EXPECT_LE(layout.size().height(), grown->textRect().height() + 0.5);
}

TEST_F(ToolControllerTest, CutOutCropAndStrips) {
    styles([](ToolStyles& s) {
        s.cutout.edgeStyle = CutOutEdgeStyle::straight;
        s.cutout.orientation = CutOutOrientation::horizontal;
    });
    use(ToolKind::cutout);
    drag({300, 200}, {350, 260}); // straight: the rows leave the base image
    EXPECT_EQ(steps(), 1);
    EXPECT_TRUE(vm.layers().isEmpty());
    EXPECT_EQ(vm.baseImage().size(), QSize(800, 540));
    vm.undo();
    styles([](ToolStyles& s) { s.cutout.edgeStyle = CutOutEdgeStyle::zigzag; });
    drag({300, 260}, {350, 200}); // other edges: a strip layer across the image
    EXPECT_EQ(top<CutOutLayer>()->rect(), QRectF(0, 200, 800, 60));
    EXPECT_EQ(vm.baseImage().size(), QSize(800, 600));
    EXPECT_EQ(steps(), 1);
    styles([](ToolStyles& s) { s.cutout.orientation = CutOutOrientation::vertical; });
    drag({500, 10}, {540, 700}); // past the image's edge: the strip stays on it
    EXPECT_EQ(top<CutOutLayer>()->rect(), QRectF(500, 0, 40, 600));

    use(ToolKind::crop);
    tc.pointerDown({50, 40}, kNone);
    tc.pointerMove({250, 140}, kNone);
    EXPECT_EQ(tc.marquee(), ToolController::Marquee::crop);
    EXPECT_EQ(tc.rubberBand(), QRectF(50, 40, 200, 100));
    tc.pointerUp({250, 140}, kNone);
    EXPECT_EQ(vm.canvasRect(), QRectF(50, 40, 200, 100));
    EXPECT_EQ(steps(), 3);
    EXPECT_EQ(tc.marquee(), ToolController::Marquee::none);
}

class SelectionTest : public ToolControllerTest {
protected:
    std::shared_ptr<RectLayer> a, b;
    void SetUp() override {
        a = create<RectLayer>(ToolKind::rect, {100, 100}, {200, 200});
        b = create<RectLayer>(ToolKind::rect, {150, 150}, {300, 250});
        use(ToolKind::selection);
        vm.deselectAll();
    }
};

TEST_F(SelectionTest, ClicksShiftClicksAndBand) {
    click({170, 170}); // both hit: the top one wins
    EXPECT_EQ(vm.selectedLayer(), b);
    click({120, 120});
    EXPECT_EQ(vm.selectedLayer(), a);
    tc.pointerDown({280, 240}, kShift);
    tc.pointerUp({280, 240}, kShift);
    EXPECT_EQ(vm.selectedLayers(), (LayerList{a, b}));
    EXPECT_TRUE(tc.handles().isEmpty()); // no handles on a multi-selection
    tc.pointerDown({120, 120}, kShift);
    tc.pointerUp({120, 120}, kShift);
    EXPECT_EQ(vm.selectedLayer(), b);
    click({600, 500});
    EXPECT_TRUE(vm.selectedLayers().isEmpty());
    // Locked layers and eraser strokes are passed over.
    vm.selectLayer(b);
    vm.lockSelection();
    click({170, 170});
    EXPECT_EQ(vm.selectedLayer(), a);
    auto eraser = std::make_shared<EraserStrokeLayer>();
    eraser->points = {{90, 90}, {400, 400}};
    vm.addLayer(eraser);
    EXPECT_EQ(tc.layerAt({120, 120}), a);
    // The band picks what it touches.
    auto far = create<EllipseLayer>(ToolKind::ellipse, {600, 400}, {700, 500});
    use(ToolKind::selection);
    tc.pointerDown({50, 50}, kNone);
    tc.pointerMove({160, 130}, kNone);
    EXPECT_EQ(tc.marquee(), ToolController::Marquee::selection);
    tc.pointerUp({160, 130}, kNone);
    EXPECT_EQ(vm.selectedLayer(), a); // touched, not enclosed
    drag({50, 50}, {650, 450});
    EXPECT_EQ(vm.selectedLayers(), (LayerList{a, far}));
    EXPECT_EQ(steps(), 4);
}

TEST_F(SelectionTest, MovingIsOneStepOnlyWhenMovedAndEscapeRestores) {
    click({120, 120});
    tc.pointerDown({120, 120}, kNone);
    tc.pointerMove({120.4, 120.3}, kNone); // within the drag threshold
    tc.pointerUp({120.4, 120.3}, kNone);
    EXPECT_EQ(steps(), 2);
    EXPECT_EQ(vm.layers().first(), a);
    drag({120, 120}, {150, 110});
    EXPECT_EQ(steps(), 3);
    EXPECT_EQ(std::dynamic_pointer_cast<RectLayer>(vm.layers().first())->rect, QRectF(130, 90, 100, 100));
    EXPECT_EQ(vm.selectedLayer(), vm.layers().first());
    vm.undo();
    // A multi-selection moves as one, and Escape puts everything back.
    vm.setMultiSelection({a, b});
    const LayerList before = vm.layers();
    tc.pointerDown({170, 170}, kNone);
    tc.pointerMove({200, 200}, kNone);
    EXPECT_NE(vm.layers(), before);
    tc.cancelInteraction();
    EXPECT_EQ(vm.layers(), before);
    EXPECT_EQ(vm.selectedLayers(), (LayerList{a, b}));
    tc.pointerUp({200, 200}, kNone);
    EXPECT_EQ(steps(), 2);
    drag({170, 170}, {180, 190});
    EXPECT_EQ(steps(), 3);
    EXPECT_EQ(std::dynamic_pointer_cast<RectLayer>(vm.layers()[1])->rect, QRectF(160, 170, 150, 100));
    EXPECT_EQ(vm.selectedLayers().size(), 2);
}

TEST_F(SelectionTest, ResizeHandlesKeepTheOppositeSide) {
    vm.selectLayer(b);
    ASSERT_EQ(tc.handles().size(), 8);
    drag({302, 251}, {350, 320});
    EXPECT_EQ(steps(), 3);
    auto r = std::dynamic_pointer_cast<RectLayer>(vm.selectedLayer());
    EXPECT_EQ(r->rect, QRectF(150, 150, 200, 170));
    drag({150, 235}, {400, 200}); // past the opposite edge the box flips around it
    r = std::dynamic_pointer_cast<RectLayer>(vm.selectedLayer());
    EXPECT_EQ(r->rect, QRectF(350, 150, 50, 170));
    click({350, 150}); // a click on a handle changes nothing
    EXPECT_EQ(steps(), 4);

    // A turned rectangle keeps the opposite corner where it is on screen.
    auto turned = std::make_shared<RectLayer>(*r);
    turned->rotation = 0.6;
    vm.replaceLayer(r, turned);
    vm.selectLayer(turned);
    const QList<LayerHandle> hs = tc.handles();
    const QPointF corner = hs[int(HandleKind::bottomRight)].position;
    drag(corner, corner + QPointF(30, 45));
    expectNear(tc.handles()[int(HandleKind::topLeft)].position, hs[int(HandleKind::topLeft)].position, 1e-9);
    expectNear(tc.handles()[int(HandleKind::bottomRight)].position, corner + QPointF(30, 45), 1e-9);

    // Square kinds stay square; a step's radius follows.
    auto step = std::make_shared<StepLayer>();
    step->center = {600, 400};
    step->radius = 20;
    vm.addLayer(step, true);
    drag({580, 380}, {540, 370}); // top-left; bottom-right (620, 420) stays
    auto grown = std::dynamic_pointer_cast<StepLayer>(vm.selectedLayer());
    EXPECT_EQ(grown->radius, 40);
    EXPECT_EQ(grown->center, QPointF(580, 380));
}

TEST_F(ToolControllerTest, ArrowHandlesBendThroughTheDraggedPoint) {
    create<ArrowLayer>(ToolKind::arrow, {100, 300}, {300, 300});
    use(ToolKind::selection);
    QList<LayerHandle> hs = tc.handles();
    ASSERT_EQ(hs.size(), 5);
    EXPECT_EQ(hs[2].kind, HandleKind::mid);
    expectNear(hs[2].position, {200, 300});
    drag({200, 300}, {210, 360});
    auto bent = std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer());
    ASSERT_TRUE(bent && bent->controlPoint);
    EXPECT_FALSE(bent->controlPoint2);
    expectNear(*bent->controlPoint, {220, 420}); // the quadratic's middle is where it was dragged
    EXPECT_TRUE(bent->hitTest({210, 360}));
    // A quarter handle makes it cubic through the dragged point; the other quarter point stays.
    hs = tc.handles();
    const QPointF q2 = hs[4].position;
    drag(hs[3].position, {140, 250});
    auto cubic = std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer());
    ASSERT_TRUE(cubic->controlPoint2);
    expectNear(cubicAt(*cubic, 0.25), {140, 250}, 1e-9);
    expectNear(cubicAt(*cubic, 0.75), q2, 1e-9);
    ASSERT_EQ(tc.handles().size(), 6);
    // mid on a cubic moves the middle of the curve with the pointer; mid2 is the second control.
    drag(tc.handles()[2].position, tc.handles()[2].position + QPointF(0, 30));
    auto shifted = std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer());
    expectNear(cubicAt(*shifted, 0.5), cubicAt(*cubic, 0.5) + QPointF(0, 30), 1e-9);
    drag(*shifted->controlPoint2, {260, 200});
    expectNear(*std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer())->controlPoint2, {260, 200});
    drag({300, 300}, {320, 330}); // end
    EXPECT_EQ(std::dynamic_pointer_cast<ArrowLayer>(vm.selectedLayer())->end, QPointF(320, 330));
    EXPECT_EQ(steps(), 6);
}

TEST_F(ToolControllerTest, MagnifierSourceAndCalloutTailHandles) {
    use(ToolKind::magnify);
    click({400, 300});
    use(ToolKind::selection);
    EXPECT_EQ(tc.handles().last().kind, HandleKind::magnifySource);
    // With no offset the source handle sits on the centre, above the lens body.
    EXPECT_EQ(tc.handleAt({400, 300})->kind, HandleKind::magnifySource);
    drag({400, 300}, {430, 280});
    EXPECT_EQ(steps(), 2);
    auto moved = std::dynamic_pointer_cast<MagnifyLayer>(vm.selectedLayer());
    EXPECT_EQ(moved->sourceOffset, QSizeF(30, -20));
    EXPECT_EQ(moved->center, QPointF(400, 300));

    auto callout = std::make_shared<CalloutLayer>();
    callout->rect = {50, 50, 200, 100};
    callout->tails = {{60, 250}, {300, 60}};
    vm.addLayer(callout, true);
    drag({300, 60}, {320, 20});
    auto edited = std::dynamic_pointer_cast<CalloutLayer>(vm.selectedLayer());
    EXPECT_EQ(edited->tails, (QList<QPointF>{{60, 250}, {320, 20}}));
    EXPECT_EQ(edited->rect, callout->rect);
    // Escape during a handle drag restores the layer and pushes nothing.
    const int before = steps();
    tc.pointerDown({60, 250}, kNone);
    tc.pointerMove({0, 0}, kNone);
    EXPECT_TRUE(tc.keyPress(Qt::Key_Escape, kNone));
    tc.pointerUp({0, 0}, kNone);
    EXPECT_EQ(vm.selectedLayer(), edited);
    EXPECT_EQ(steps(), before);
}

TEST_F(SelectionTest, KeysNudgeDeleteAndDeselect) {
    vm.selectLayer(a);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(tc.keyPress(Qt::Key_Right, kNone));
    }
    EXPECT_TRUE(tc.keyPress(Qt::Key_Down, kShift)); // ten with Shift; one step per run of keys
    tc.keyRelease(Qt::Key_Down, kShift);
    EXPECT_EQ(steps(), 3);
    EXPECT_EQ(std::dynamic_pointer_cast<RectLayer>(vm.selectedLayer())->rect, QRectF(103, 110, 100, 100));
    EXPECT_TRUE(tc.keyPress(Qt::Key_Left, kNone));
    tc.keyRelease(Qt::Key_Left, kNone);
    EXPECT_EQ(steps(), 4);
    vm.undo();
    vm.undo();
    EXPECT_EQ(vm.layers().first(), a);
    vm.selectLayer(a); // nudging belongs to the selection tool
    use(ToolKind::rect);
    EXPECT_FALSE(tc.keyPress(Qt::Key_Right, kNone));
    use(ToolKind::selection);
    EXPECT_TRUE(tc.keyPress(Qt::Key_Escape, kNone));
    EXPECT_TRUE(vm.selectedLayers().isEmpty());
    EXPECT_FALSE(tc.keyPress(Qt::Key_Delete, kNone));
    vm.selectLayer(b);
    EXPECT_TRUE(tc.keyPress(Qt::Key_Backspace, kNone));
    EXPECT_EQ(vm.layers(), (LayerList{a}));
    EXPECT_EQ(steps(), 3);
}

// A marker dragged along a line of text makes a band one text line thick around the drag.
TEST_F(ToolControllerTest, AFlatHighlighterDragMarksABand) {
    styles([](ToolStyles& s) { s.fontSize = 20; });
    const struct {
        QPointF from, to;
        std::optional<QRectF> band;
    } cases[] = {
        {{100, 200}, {300, 200}, QRectF(100, 190, 200, 20)},
        {{300, 201}, {100, 199}, QRectF(100, 190, 200, 20)},
        {{50, 100}, {52, 300}, QRectF(41, 100, 20, 200)},
        {{100, 100}, {160, 140}, QRectF(100, 100, 60, 40)}, // a box stays a box
        {{100, 100}, {103, 101}, std::nullopt}              // too small either way
    };
    use(ToolKind::highlighter);
    for (const auto& c : cases) {
        const qsizetype before = vm.layers().size();
        drag(c.from, c.to);
        if (!c.band) {
            EXPECT_EQ(vm.layers().size(), before);
            continue;
        }
        ASSERT_EQ(vm.layers().size(), before + 1);
        EXPECT_EQ(top<HighlighterLayer>()->rect, *c.band);
        vm.undo(); // the next drag starts on an empty canvas, not on this band
    }
}

} // namespace
