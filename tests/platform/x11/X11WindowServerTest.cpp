#include "DesktopTools.h"
#include "TestWindow.h"
#include "X11DesktopFixture.h"

#include "platform/x11/X11MonitorLayout.h"
#include "platform/x11/X11ScreenCapture.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11WindowServer.h"
#include "support/Answer.h"
#include "support/Files.h"

#include <QFile>
#include <optional>
#include <unistd.h>

using namespace mebo;
using namespace mebo::platform;
using namespace mebo::platform::x11;

namespace mebo::test::x11 {

namespace {

// A copy, so that it may outlive the list it came from.
std::optional<WindowInfo> byId(const QList<WindowInfo>& list, uint32_t id) {
    for (const WindowInfo& w : list) {
        if (w.windowId == id) {
            return w;
        }
    }
    return std::nullopt;
}

bool listed(const QList<WindowInfo>& list, uint32_t id) {
    return byId(list, id).has_value();
}

// Titles of the test terminals in list order.
QStringList xtermOrder(const QList<WindowInfo>& list) {
    QStringList titles;
    for (const WindowInfo& w : list) {
        if (w.title.startsWith(QLatin1String("mebo-test-xterm-"))) {
            titles << w.title;
        }
    }
    return titles;
}

QRect expectedFrame(uint32_t window) {
    const ToolGeometry g = toolGeometry(window);
    return g.valid ? g.client.marginsAdded(g.frameExtents) : QRect();
}

bool xdotool(const QStringList& args) {
    return runTool(QStringLiteral("xdotool"), args).ok();
}

} // namespace

class X11WindowServerTest : public X11DesktopFixture {
protected:
    QList<WindowInfo> everything() { return X11WindowList(conn).list(X11MonitorLayout::query(*conn)); }
};

TEST_F(X11WindowServerTest, TerminalsAreListedWithTitlePidClassAndFrame) {
    X11WindowServer server(conn);
    const QList<WindowInfo> windows = server.windowsFrontToBack();
    for (int i = 1; i <= 3; ++i) {
        const QString title = QStringLiteral("mebo-test-xterm-%1").arg(i);
        const std::vector<uint32_t> ids = windowsTitled(title);
        ASSERT_EQ(ids.size(), 1u) << title.toStdString();
        const std::optional<WindowInfo> w = byId(windows, ids[0]);
        ASSERT_TRUE(w.has_value()) << title.toStdString();
        // xterm sets only the legacy WM_NAME.
        EXPECT_EQ(w->title, title);
        EXPECT_EQ(w->appId, QStringLiteral("xterm"));
        EXPECT_EQ(w->type, WindowType::Normal);
        EXPECT_TRUE(w->onScreen);
        ASSERT_GT(w->pid, 0);
        EXPECT_EQ(fileBytes(QStringLiteral("/proc/%1/comm").arg(w->pid)).trimmed(), QByteArray("xterm"));
        // The client rectangle grown by the window manager's decorations.
        EXPECT_EQ(w->frame, expectedFrame(ids[0])) << title.toStdString();
    }
}

TEST_F(X11WindowServerTest, OrderFollowsRaiseAndActivate) {
    X11WindowServer server(conn);
    const uint32_t first = windowsTitled(QStringLiteral("mebo-test-xterm-1")).at(0);
    const uint32_t third = windowsTitled(QStringLiteral("mebo-test-xterm-3")).at(0);

    const auto comesFirst = [&](const char* command, uint32_t window, const char* title) {
        return xdotool({QLatin1String(command), QString::number(window)}) &&
               waitUntil([&] { return xtermOrder(server.windowsFrontToBack()).value(0) == title; }, kSlowMs);
    };
    EXPECT_TRUE(comesFirst("windowraise", first, "mebo-test-xterm-1"));
    EXPECT_TRUE(comesFirst("windowactivate", third, "mebo-test-xterm-3"));
    const QStringList order = xtermOrder(server.windowsFrontToBack());
    EXPECT_EQ(order.size(), 3);
    EXPECT_EQ(order.value(1), QStringLiteral("mebo-test-xterm-1"));
}

TEST_F(X11WindowServerTest, WindowTypesAndDesktopElements) {
    TestWindow dock(
        {.title = "mebo-dock", .rect = {0, 1040, 400, 40}, .types = {"_NET_WM_WINDOW_TYPE_DOCK"}});
    TestWindow desk(
        {.title = "mebo-desk", .rect = {0, 0, 300, 200}, .types = {"_NET_WM_WINDOW_TYPE_DESKTOP"}});
    // The first type the backend knows counts.
    TestWindow dialog({.title = "mebo-dialog",
                       .rect = {1500, 300, 200, 100},
                       .types = {"_KDE_NET_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_DIALOG"}});
    TestWindow utility(
        {.title = "mebo-utility", .rect = {1500, 500, 200, 100}, .types = {"_NET_WM_WINDOW_TYPE_UTILITY"}});
    TestWindow odd({.title = "mebo-odd", .rect = {1500, 700, 200, 100}, .types = {"_MEBO_UNKNOWN_TYPE"}});
    TestWindow plain({.title = "mebo-plain", .rect = {1500, 850, 200, 100}});
    for (TestWindow* w : {&dock, &desk, &dialog, &utility, &odd, &plain}) {
        ASSERT_TRUE(w->waitManaged()) << w->id();
    }

    const QList<WindowInfo> all = everything();
    const std::pair<TestWindow*, WindowType> expected[] = {
        {&dock, WindowType::Dock},       {&desk, WindowType::Desktop}, {&dialog, WindowType::Dialog},
        {&utility, WindowType::Utility}, {&odd, WindowType::Other},    {&plain, WindowType::Normal}};
    for (const auto& [window, type] : expected) {
        const std::optional<WindowInfo> w = byId(all, window->id());
        ASSERT_TRUE(w.has_value()) << window->id();
        EXPECT_EQ(w->type, type) << w->title.toStdString();
    }

    // Desktop elements are left out of the window-server list and of snap candidates.
    const QList<WindowInfo> front = X11WindowServer(conn).windowsFrontToBack();
    EXPECT_FALSE(listed(front, dock.id()));
    EXPECT_FALSE(listed(front, desk.id()));
    EXPECT_TRUE(listed(front, dialog.id()));
    EXPECT_TRUE(listed(front, plain.id()));

    X11ScreenCapture cap(conn);
    auto content = [&](bool excludeDesktop) {
        const ContentQuery q{.excludeDesktopWindows = excludeDesktop, .onScreenWindowsOnly = true};
        const auto r =
            answerOf<Result<ShareableContent>>([&](auto done) { cap.shareableContent(q, done); }, kSlowMs);
        return r && r->isOk() ? r->value().windows : QList<WindowInfo>{};
    };
    EXPECT_TRUE(listed(content(false), dock.id()));
    const QList<WindowInfo> without = content(true);
    EXPECT_FALSE(listed(without, dock.id()));
    EXPECT_FALSE(listed(without, desk.id()));
    EXPECT_TRUE(listed(without, utility.id()));
}

TEST_F(X11WindowServerTest, NamesShadowsAndOwnWindows) {
    TestWindow named({.title = "legacy name",
                      .rect = {700, 600, 240, 160},
                      .netName = QStringLiteral("Größe ✓"),
                      .gtkFrameExtents = std::array<uint32_t, 4>{10, 12, 6, 14}});
    TestWindow mine({.title = "mebo-own", .rect = {700, 300, 100, 100}, .pid = uint32_t(getpid())});
    TestWindow other({.title = "mebo-other", .rect = {900, 300, 100, 100}, .pid = 1});
    ASSERT_TRUE(named.waitManaged() && mine.waitManaged() && other.waitManaged());

    const QList<WindowInfo> all = everything();
    const std::optional<WindowInfo> w = byId(all, named.id());
    ASSERT_TRUE(w.has_value());
    EXPECT_EQ(w->title, QStringLiteral("Größe ✓"));
    // Decorations added, the client's own shadow margins taken off.
    const QRect decorated = expectedFrame(named.id());
    ASSERT_TRUE(decorated.isValid());
    EXPECT_EQ(w->frame, decorated.marginsRemoved(QMargins(10, 6, 12, 14)));

    EXPECT_FALSE(listed(all, mine.id())); // this process's window
    ASSERT_TRUE(listed(all, other.id()));
    EXPECT_EQ(byId(all, other.id())->pid, 1);
}

TEST_F(X11WindowServerTest, MinimisedAndOtherDesktopWindowsAreOffScreen) {
    TestWindow minimised({.title = "mebo-minimised", .rect = {300, 700, 150, 100}});
    TestWindow elsewhere({.title = "mebo-elsewhere", .rect = {500, 700, 150, 100}});
    TestWindow sticky({.title = "mebo-sticky", .rect = {700, 700, 150, 100}});
    ASSERT_TRUE(minimised.waitManaged() && elsewhere.waitManaged() && sticky.waitManaged());
    ASSERT_TRUE(xdotool({QStringLiteral("windowminimize"), QString::number(minimised.id())}));
    ASSERT_TRUE(xdotool({QStringLiteral("set_desktop_for_window"), QString::number(elsewhere.id()), "2"}));
    ASSERT_TRUE(xdotool({QStringLiteral("set_desktop_for_window"), QString::number(sticky.id()), "-1"}));

    auto offScreen = [&](const TestWindow& t) {
        const std::optional<WindowInfo> w = byId(everything(), t.id());
        return w && !w->onScreen;
    };
    EXPECT_TRUE(waitUntil([&] { return offScreen(minimised) && offScreen(elsewhere); }, kSlowMs));
    const std::optional<WindowInfo> s = byId(everything(), sticky.id());
    ASSERT_TRUE(s.has_value());
    EXPECT_TRUE(s->onScreen); // on all desktops

    const QList<WindowInfo> front = X11WindowServer(conn).windowsFrontToBack();
    EXPECT_FALSE(listed(front, minimised.id()));
    EXPECT_FALSE(listed(front, elsewhere.id()));
    EXPECT_TRUE(listed(front, sticky.id()));
}

TEST_F(X11WindowServerTest, TreeWalkFindsTheSameClientsInTheSameOrder) {
    const X11MonitorLayout layout = X11MonitorLayout::query(*conn);
    const X11WindowList list(conn);
    const QList<WindowInfo> ewmh = list.list(layout, X11WindowList::Source::Auto);
    const QList<WindowInfo> tree = list.list(layout, X11WindowList::Source::QueryTree);
    EXPECT_EQ(xtermOrder(tree).size(), 3);
    EXPECT_EQ(xtermOrder(tree), xtermOrder(ewmh));
    for (const WindowInfo& e : ewmh) {
        const std::optional<WindowInfo> t = byId(tree, e.windowId);
        ASSERT_TRUE(t.has_value()) << e.title.toStdString();
        EXPECT_EQ(t->frame, e.frame);
        EXPECT_EQ(t->title, e.title);
    }
}

} // namespace mebo::test::x11
