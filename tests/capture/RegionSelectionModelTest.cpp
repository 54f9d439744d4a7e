#include "capture/RegionSelectionModel.h"

#include <functional>
#include <gtest/gtest.h>

using namespace mebo;
using Model = RegionSelectionModel;
using Handle = RegionSelectionModel::HandlePos;
using Phase = RegionSelectionModel::Phase;
using Kind = RegionSelectionModel::Finish::Kind;

namespace {

const QRect display(0, 0, 1920, 1080);

SnapRegion terminal() {
    return SnapRegion{QRect(300, 400, 500, 300), QStringLiteral("Terminal"), false, 77, false};
}

// Press at `from`, move to `to` and release there.
std::optional<Model::Finish> drag(Model& m, QPoint from, QPoint to, bool shift = false) {
    m.mouseDown(from);
    m.mouseMove(to);
    return m.mouseUp(to, shift);
}

// A drag, then the rectangle taken with Return (a released drag waits to be corrected); empty when
// nothing is taken.
QRect dragAndTake(Model& m, QPoint from, QPoint to) {
    EXPECT_FALSE(drag(m, from, to));
    EXPECT_EQ(m.phase(), Phase::adjusting);
    const auto f = m.keyPress(Qt::Key_Return).finish;
    EXPECT_TRUE(f && f->kind == Kind::region);
    return f ? f->rect : QRect();
}

// What a finish took: its kind and rectangle.
std::optional<std::pair<Kind, QRect>> taken(const std::optional<Model::Finish>& f) {
    return f ? std::optional(std::pair(f->kind, f->rect)) : std::nullopt;
}

Model hoveringOverTerminal(SnapIntent intent = SnapIntent::area) {
    Model m(display, intent);
    m.mouseMove(QPoint(400, 500));
    m.setHoveredRegion(terminal());
    return m;
}

} // namespace

TEST(RegionSelectionModel, MovementUnderSixPointsIsAClickThatTakesTheSnappedWindow) {
    for (const QPoint to : {QPoint(405, 500), QPoint(404, 504), QPoint(400, 495)}) {
        Model m = hoveringOverTerminal();
        const auto f = drag(m, QPoint(400, 500), to);
        ASSERT_TRUE(f) << to.x() << "," << to.y();
        EXPECT_EQ(f->kind, Kind::window);
        ASSERT_TRUE(f->snap);
        EXPECT_EQ(f->snap->windowId, 77u);
        EXPECT_EQ(f->rect, QRect(300, 400, 500, 300));
        EXPECT_FALSE(f->byKeyboard);
    }
}

TEST(RegionSelectionModel, SixPointsOrMoreStartsADragRectangleFromThePressPoint) {
    Model m = hoveringOverTerminal();
    m.mouseDown(QPoint(400, 500));
    m.mouseMove(QPoint(406, 500));
    EXPECT_EQ(m.phase(), Phase::dragging);
    EXPECT_FALSE(m.highlightedRegion()) << "no snap highlight while drawing";
    // Coming back near the press point does not turn it into a click again.
    m.mouseMove(QPoint(401, 501));
    EXPECT_EQ(m.phase(), Phase::dragging);
    m.mouseMove(QPoint(700, 650));
    EXPECT_FALSE(m.mouseUp(QPoint(700, 650), false)); // kept for corrections
    EXPECT_EQ(m.phase(), Phase::adjusting);
    EXPECT_EQ(taken(m.keyPress(Qt::Key_Return).finish), std::pair(Kind::region, QRect(400, 500, 300, 150)));

    // Dragging up and to the left gives the same standardised rectangle.
    Model back(display);
    EXPECT_EQ(dragAndTake(back, QPoint(700, 650), QPoint(400, 500)), QRect(400, 500, 300, 150));

    // A release far from the press without any move between is a drag too.
    Model jump = hoveringOverTerminal();
    jump.mouseDown(QPoint(100, 200));
    EXPECT_FALSE(jump.mouseUp(QPoint(400, 350), false));
    EXPECT_EQ(taken(jump.keyPress(Qt::Key_Enter).finish), std::pair(Kind::region, QRect(100, 200, 300, 150)));
}

// A drag without area, a click on no window, a click with snapping off: nothing selected.
TEST(RegionSelectionModel, DragsWithoutAreaAndClicksWithoutASnapTargetSelectNothing) {
    Model off = hoveringOverTerminal();
    off.setAllowsWindowSnap(false);
    EXPECT_FALSE(off.highlightedRegion());
    const struct {
        Model m;
        QPoint from, to;
    } cases[] = {{Model(display), {100, 100}, {110, 100}},
                 {Model(display), {10, 10}, {12, 10}},
                 {off, {400, 500}, {401, 500}}};
    for (auto c : cases) {
        EXPECT_FALSE(drag(c.m, c.from, c.to));
        EXPECT_EQ(c.m.phase(), Phase::hovering);
        EXPECT_FALSE(c.m.selection());
    }
}

TEST(RegionSelectionModel, ShiftKeepsTheSelectionAdjustable) {
    Model dragged(display);
    EXPECT_FALSE(drag(dragged, QPoint(100, 100), QPoint(300, 200), /*shift*/ true));
    EXPECT_EQ(dragged.phase(), Phase::adjusting);
    EXPECT_EQ(dragged.handleRects().size(), 8);

    Model clicked = hoveringOverTerminal();
    EXPECT_FALSE(drag(clicked, QPoint(400, 500), QPoint(400, 500), /*shift*/ true));
    EXPECT_EQ(clicked.selection(), QRect(300, 400, 500, 300));
    EXPECT_EQ(clicked.headsUpTitle(), QStringLiteral("Terminal"));
    EXPECT_EQ(clicked.headsUpSize(), QStringLiteral("500 × 300"));
    // Changing the rectangle drops the window's title.
    drag(clicked, QPoint(800, 700), QPoint(820, 720));
    EXPECT_EQ(clicked.selection(), QRect(300, 400, 520, 320));
    EXPECT_TRUE(clicked.headsUpTitle().isEmpty());
    EXPECT_EQ(clicked.headsUpRect(), QRect(300, 400, 520, 320));
    EXPECT_FALSE(Model(display).headsUpRect());
}

TEST(RegionSelectionModel, ClickedWindowsAreClippedToTheDisplay) {
    Model m(display);
    m.mouseMove(QPoint(1900, 1000));
    m.setHoveredRegion(SnapRegion{QRect(1800, 900, 400, 400), QStringLiteral("Half off"), false, 9, false});
    EXPECT_EQ(m.headsUpSize(), QStringLiteral("120 × 180"));
    EXPECT_EQ(taken(drag(m, QPoint(1900, 1000), QPoint(1900, 1000))),
              std::pair(Kind::window, QRect(1800, 900, 120, 180)));
}

TEST(RegionSelectionModel, HandlesSitOnCornersAndEdgeMidpointsWithA14PointHitArea) {
    Model m(display);
    m.preselect(QRect(100, 100, 200, 100));
    const QList<std::pair<QPoint, Handle>> expected{
        {{100, 100}, Handle::topLeft}, {{200, 100}, Handle::top},         {{300, 100}, Handle::topRight},
        {{100, 150}, Handle::left},    {{300, 150}, Handle::right},       {{100, 200}, Handle::bottomLeft},
        {{200, 200}, Handle::bottom},  {{300, 200}, Handle::bottomRight}, {{150, 150}, Handle::inside},
        {{107, 93}, Handle::topLeft},  {{293, 207}, Handle::bottomRight}};
    for (const auto& [p, h] : expected) {
        EXPECT_EQ(m.handleAt(p), h) << p.x() << "," << p.y();
    }
    EXPECT_EQ(m.handleAt(QPoint(108, 108)), Handle::inside)
        << "8 points in is past the 7-point half hit size";
    EXPECT_FALSE(m.handleAt(QPoint(92, 100)));
    EXPECT_FALSE(m.handleAt(QPoint(500, 500)));
}

TEST(RegionSelectionModel, HandlesMoveTheirEdgesAndFlipPastTheOppositeEdge) {
    struct Case {
        QPoint from, to;
        QRect expected;
    };
    const QList<Case> cases{
        {{300, 200}, {350, 260}, QRect(100, 100, 250, 160)}, // bottomRight
        {{100, 100}, {90, 80}, QRect(90, 80, 210, 120)},     // topLeft
        {{200, 100}, {260, 40}, QRect(100, 40, 200, 160)},   // top: only y moves
        {{300, 150}, {40, 400}, QRect(40, 100, 60, 100)},    // right past left: flipped
        {{100, 150}, {400, 150}, QRect(300, 100, 100, 100)}, // left past right
        {{200, 200}, {200, 60}, QRect(100, 60, 200, 40)},    // bottom past top
        {{100, 200}, {-50, 2000}, QRect(0, 100, 300, 980)},  // bottomLeft clamped to the display
    };
    for (const Case& c : cases) {
        Model m(display);
        m.preselect(QRect(100, 100, 200, 100));
        EXPECT_FALSE(drag(m, c.from, c.to));
        EXPECT_EQ(m.selection(), c.expected) << c.from.x() << "," << c.from.y();
    }
}

TEST(RegionSelectionModel, DraggingInsideMovesTheRectangleAndStopsAtTheDisplayEdges) {
    Model m(QRect(1920, 0, 1280, 1024));
    m.preselect(QRect(2000, 100, 200, 100));
    drag(m, QPoint(2100, 150), QPoint(2130, 170));
    EXPECT_EQ(m.selection(), QRect(2030, 120, 200, 100));
    drag(m, QPoint(2100, 150), QPoint(5000, -500));
    EXPECT_EQ(m.selection(), QRect(3000, 0, 200, 100));
    EXPECT_EQ(m.phase(), Phase::adjusting);
}

TEST(RegionSelectionModel, DragRectanglesAreClampedToTheDisplay) {
    Model m(QRect(1920, 0, 1280, 1024)), n(QRect(1920, 0, 1280, 1024));
    EXPECT_EQ(dragAndTake(m, QPoint(3100, 900), QPoint(4000, 2000)), QRect(3100, 900, 100, 124));
    EXPECT_EQ(dragAndTake(n, QPoint(2000, 50), QPoint(100, -40)), QRect(1920, 0, 80, 50));
}

TEST(RegionSelectionModel, EscapeCancelsFromEveryState) {
    const std::pair<const char*, std::function<void(Model&)>> states[] = {
        {"hovering", [](Model&) {}},
        {"dragging",
         [](Model& m) {
             m.mouseDown(QPoint(10, 10));
             m.mouseMove(QPoint(100, 100));
         }},
        {"adjusting", [](Model& m) { m.preselect(QRect(10, 10, 100, 100)); }},
        {"locked",
         [](Model& m) {
             m.setRecordingArea(true);
             drag(m, QPoint(400, 500), QPoint(400, 500));
         }},
    };
    for (const auto& [state, enter] : states) {
        Model m = hoveringOverTerminal();
        enter(m);
        const auto r = m.keyPress(Qt::Key_Escape);
        EXPECT_TRUE(r.consumed) << state;
        EXPECT_EQ(r.finish ? std::optional(r.finish->kind) : std::nullopt, Kind::cancelled) << state;
        EXPECT_EQ(m.phase(), Phase::finished) << state;
        EXPECT_FALSE(m.mouseUp(QPoint(10, 10), false)) << state << ": input after the end is ignored";
        const auto after = m.keyPress(Qt::Key_Escape);
        EXPECT_FALSE(after.consumed || after.finish) << state;
    }
}

TEST(RegionSelectionModel, ReturnEnterAndSpaceConfirmOnlyAnAdjustableRectangle) {
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Space)}) {
        Model m(display);
        m.preselect(QRect(10, 20, 30, 40));
        const auto r = m.keyPress(key);
        EXPECT_TRUE(r.consumed);
        EXPECT_EQ(taken(r.finish), std::pair(Kind::region, QRect(10, 20, 30, 40)));
        EXPECT_TRUE(r.finish && r.finish->byKeyboard);
    }
    Model other(display);
    other.preselect(QRect(10, 20, 30, 40));
    EXPECT_FALSE(other.keyPress(Qt::Key_A).consumed) << "other keys go on to the normal handling";
    EXPECT_EQ(other.phase(), Phase::adjusting);

    Model empty(display);
    EXPECT_FALSE(empty.keyPress(Qt::Key_Return).consumed);

    Model drawing(display);
    drawing.mouseDown(QPoint(10, 10));
    drawing.mouseMove(QPoint(100, 100));
    EXPECT_FALSE(drawing.keyPress(Qt::Key_Return).consumed)
        << "a rectangle still being drawn is not confirmed";
    EXPECT_EQ(drawing.phase(), Phase::dragging);
}

TEST(RegionSelectionModel, RecordingAreaKeepsTheSelectionForThePanel) {
    Model m = hoveringOverTerminal();
    m.setRecordingArea(true);
    EXPECT_FALSE(m.startRecording()) << "nothing selected yet";
    // A plain click locks the window's frame: no handles, no moves.
    EXPECT_FALSE(drag(m, QPoint(400, 500), QPoint(400, 500)));
    EXPECT_TRUE(m.isSelectionLocked());
    EXPECT_EQ(m.selection(), QRect(300, 400, 500, 300));
    EXPECT_TRUE(m.handleRects().isEmpty());
    EXPECT_FALSE(m.handleAt(QPoint(300, 400)));
    EXPECT_EQ(m.hintText(), QStringLiteral("Selection locked · Use panel to start recording"));
    EXPECT_FALSE(m.keyPress(Qt::Key_Return).consumed);

    // A drag makes an adjustable rectangle that keys still do not confirm.
    EXPECT_FALSE(drag(m, QPoint(100, 100), QPoint(260, 190)));
    EXPECT_FALSE(m.isSelectionLocked());
    EXPECT_EQ(m.phase(), Phase::adjusting);
    EXPECT_EQ(m.handleRects().size(), 8);
    EXPECT_EQ(m.hintText(), QStringLiteral("Drag handles · Use panel to start recording"));
    EXPECT_FALSE(m.keyPress(Qt::Key_Return).consumed);
    EXPECT_FALSE(m.keyPress(Qt::Key_Space).consumed);

    EXPECT_EQ(taken(m.startRecording()), std::pair(Kind::region, QRect(100, 100, 160, 90)));

    Model plain(display);
    plain.preselect(QRect(1, 1, 50, 50));
    EXPECT_FALSE(plain.startRecording()) << "only in recording-area mode";
}

// The hint before its " · ESC cancel", without and with the scroll shortcut (a scroll capture has
// no shortcut to offer).
TEST(RegionSelectionModel, HintFollowsIntentSnappingShortcutAndState) {
    const SnapRegion contentArea{QRect(0, 80, 800, 600), QStringLiteral("Content Area: Firefox"), true, 5,
                                 true};
    const struct {
        SnapIntent intent;
        bool snapping, overContent;
        const char* hint;
    } cases[] = {
        {SnapIntent::area, true, false, "Drag select · Click window · ⇧ Adjust"},
        {SnapIntent::window, true, false, "Click window · Drag select · ⇧ Adjust"},
        {SnapIntent::area, true, true, "Click content area · Drag select · ⇧ Adjust"},
        {SnapIntent::scroll, true, false, "Drag scroll region · ⇧ Adjust"},
        {SnapIntent::area, false, false, "⇧ Adjust"},
    };
    for (const auto& c : cases) {
        Model m(display, c.intent);
        m.setAllowsWindowSnap(c.snapping);
        m.mouseMove(QPoint(400, 500));
        m.setHoveredRegion(c.overContent ? contentArea : terminal());
        const QString hint = QString::fromUtf8(c.hint);
        EXPECT_EQ(m.hintText(), hint + QStringLiteral(" · ESC cancel"));
        m.setScrollShortcutEnabled(true);
        EXPECT_EQ(m.hintText(),
                  hint + (c.intent == SnapIntent::scroll ? QString() : QStringLiteral(" · Ctrl Scroll")) +
                      QStringLiteral(" · ESC cancel"));
    }

    Model drawing(display, SnapIntent::window);
    drawing.mouseDown(QPoint(10, 10));
    drawing.mouseMove(QPoint(60, 60));
    EXPECT_EQ(drawing.hintText(), QStringLiteral("⇧ Adjust · ESC cancel"));
    drawing.mouseUp(QPoint(60, 60), true);
    EXPECT_EQ(drawing.hintText(), QStringLiteral("Drag handles · Enter confirm · ESC cancel"));
}

TEST(RegionSelectionModel, SnapTargetsStayReachableBesideAnOfferedRectangle) {
    Model m(display, SnapIntent::area);
    m.preselect(QRect(1000, 100, 200, 200));
    m.setHoveredRegion(terminal());
    m.mouseMove(QPoint(996, 96)); // on its corner handle, just outside it: no highlight
    EXPECT_FALSE(m.highlightedRegion());
    m.mouseMove(QPoint(400, 500));
    EXPECT_EQ(m.highlightedRegion(), terminal());
    EXPECT_EQ(taken(drag(m, QPoint(400, 500), QPoint(401, 501))), std::pair(Kind::window, terminal().rect));

    // A click on nothing keeps the offered rectangle.
    Model keep(display);
    keep.preselect(QRect(1000, 100, 200, 200));
    EXPECT_FALSE(drag(keep, QPoint(10, 10), QPoint(10, 10)));
    EXPECT_EQ(keep.selection(), QRect(1000, 100, 200, 200));
    EXPECT_EQ(keep.phase(), Phase::adjusting);
    EXPECT_EQ(dragAndTake(keep, QPoint(10, 10), QPoint(60, 40)), QRect(10, 10, 50, 30)); // replaced
}

TEST(RegionSelectionModel, ScrollIntentAndContentAreasDeliverRectanglesNotWindows) {
    Model scroll = hoveringOverTerminal(SnapIntent::scroll);
    EXPECT_EQ(taken(drag(scroll, QPoint(400, 500), QPoint(400, 500))),
              std::pair(Kind::region, terminal().rect));

    Model content(display, SnapIntent::area);
    content.mouseMove(QPoint(50, 100));
    content.setHoveredRegion(
        SnapRegion{QRect(0, 80, 800, 600), QStringLiteral("Content Area: Firefox"), true, 5, true});
    EXPECT_EQ(taken(drag(content, QPoint(50, 100), QPoint(50, 100))),
              std::pair(Kind::region, QRect(0, 80, 800, 600)));
}

TEST(RegionSelectionModel, PreselectIgnoresRectanglesOffTheDisplayAndClearSelectionResets) {
    Model m(display);
    m.preselect(QRect(5000, 5000, 100, 100));
    EXPECT_FALSE(m.selection());
    EXPECT_EQ(m.phase(), Phase::hovering);
    m.preselect(QRect(1900, 1000, 100, 100));
    EXPECT_EQ(m.selection(), QRect(1900, 1000, 20, 80));
    m.clearSelection();
    EXPECT_FALSE(m.selection());
    EXPECT_EQ(m.phase(), Phase::hovering);
}

// A rectangle can be corrected before it is taken: the arrows move it a point (Shift: its right
// or bottom edge), a double click inside takes it, the hint says so.
TEST(RegionSelectionModel, ArrowsCorrectAndADoubleClickTakesTheRectangle) {
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        QRect expected;
    } cases[] = {
        {Qt::Key_Right, Qt::NoModifier, QRect(101, 100, 200, 100)},
        {Qt::Key_Up, Qt::NoModifier, QRect(100, 99, 200, 100)},
        {Qt::Key_Up, Qt::ShiftModifier, QRect(100, 100, 200, 99)},
        {Qt::Key_Left, Qt::ShiftModifier, QRect(100, 100, 199, 100)},
    };
    for (const auto& c : cases) {
        Model m(display);
        EXPECT_FALSE(drag(m, QPoint(100, 100), QPoint(300, 200)));
        EXPECT_TRUE(m.keyPress(c.key, c.mods).consumed);
        EXPECT_EQ(m.selection(), c.expected) << c.key << " " << int(c.mods);
    }
    Model edge(display);
    edge.preselect(QRect(0, 0, 50, 50)); // the last region, offered again
    EXPECT_EQ(edge.hintText(), QStringLiteral("Drag handles · Enter confirm · ESC cancel"));
    EXPECT_EQ(edge.detailHint(),
              QStringLiteral("Double-click inside also captures · Arrows move it · ⇧ Arrows resize it"));
    edge.keyPress(Qt::Key_Left);
    EXPECT_EQ(edge.selection(), QRect(0, 0, 50, 50)); // stops at the display's edge
    Model corner(display);
    corner.preselect(QRect(1870, 1030, 50, 50));
    corner.keyPress(Qt::Key_Right);
    corner.keyPress(Qt::Key_Down);
    EXPECT_EQ(corner.selection(), QRect(1870, 1030, 50, 50)); // and at the far ones
    EXPECT_FALSE(edge.doubleClick(QPoint(80, 80)));           // outside: nothing
    const auto f = edge.doubleClick(QPoint(20, 20));
    EXPECT_EQ(taken(f), std::pair(Kind::region, QRect(0, 0, 50, 50)));
    EXPECT_TRUE(f && f->byKeyboard); // a confirmation: the shutter plays
    EXPECT_TRUE(edge.detailHint().isEmpty());

    // Without a rectangle the arrows are not the model's.
    Model idle(display);
    EXPECT_FALSE(idle.keyPress(Qt::Key_Left).consumed);
}

TEST(RegionSelectionModel, ThePickerTakesThePointClickedAndTheLoupeStaysOnTheDisplay) {
    Model m(display);
    m.setPicksPoint(true);
    EXPECT_EQ(m.hintText(), QStringLiteral("Click to copy the colour · ESC cancel"));
    EXPECT_EQ(taken(drag(m, QPoint(10, 10), QPoint(640, 360))),
              std::pair(Kind::region, QRect(640, 360, 1, 1)));

    const QSize loupe(120, 140);
    const struct {
        QPoint pointer, origin;
    } cases[] = {
        {{100, 100}, {120, 120}},   // below right
        {{1900, 100}, {1760, 120}}, // flipped left at the right edge
        {{100, 1070}, {120, 910}},  // flipped up at the bottom
        {{1910, 1075}, {1770, 915}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Model::loupeOrigin(c.pointer, loupe, display), c.origin)
            << c.pointer.x() << "," << c.pointer.y();
    }
}

// The scroll shortcut: a 32-point button 10 in from the corner of an adjustable rectangle that can
// hold it, switching the selection to a scroll capture once; never when off, without a rectangle
// or for a recording area.
TEST(RegionSelectionModel, TheScrollShortcutSwitchesAnAdjustableRectangleToAScrollCapture) {
    Model m(display, SnapIntent::area);
    m.setScrollShortcutEnabled(true);
    m.preselect(QRect(100, 100, 400, 300));
    m.clearSelection(); // nothing selected any more
    EXPECT_FALSE(m.scrollButtonRect());
    EXPECT_FALSE(m.scrollShortcut());
    m.preselect(QRect(100, 100, 51, 300));
    EXPECT_FALSE(m.scrollButtonRect());
    m.preselect(QRect(100, 100, 400, 300));
    EXPECT_EQ(m.scrollButtonRect(), QRect(458, 358, 32, 32));
    EXPECT_EQ(taken(m.scrollShortcut()), std::pair(Kind::scroll, QRect(100, 100, 400, 300)));
    EXPECT_FALSE(m.scrollShortcut());

    for (const bool recording : {false, true}) {
        Model off(display, SnapIntent::area);
        off.setScrollShortcutEnabled(recording);
        off.setRecordingArea(recording);
        off.preselect(QRect(100, 100, 400, 300));
        EXPECT_FALSE(off.scrollShortcut()) << recording;
        EXPECT_FALSE(off.scrollButtonRect()) << recording;
    }
}
