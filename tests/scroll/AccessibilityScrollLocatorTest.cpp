#include "scroll/AccessibilityScrollLocator.h"
#include "support/Answer.h"

#include <gtest/gtest.h>

using namespace mebo;
using platform::AXElement;

namespace {

// An accessibility tree built by the test.
class Node : public platform::AccessibilityElement, public std::enable_shared_from_this<Node> {
public:
    Node(QString role, QRect frame, qint64 pid = 77) : role_(std::move(role)), frame_(frame), pid_(pid) {
        static int next = 0;
        key_ = QString::number(++next);
    }
    std::shared_ptr<Node> add(std::shared_ptr<Node> child) {
        child->parent_ = weak_from_this();
        children_ << child;
        return child;
    }
    QString role() override { return role_; }
    std::optional<QRect> frame() override {
        ++frameReads;
        return frame_;
    }
    AXElement parent() override { return parent_.lock(); }
    QList<AXElement> elements(List which, int limit) override {
        QList<AXElement> out;
        childListings += which == List::children ? 1 : 0;
        if (which == List::children || which == List::windows) {
            for (const auto& c : children_) {
                if (out.size() < limit) {
                    out << c;
                }
            }
        }
        return out;
    }
    AXElement verticalScrollBar() override { return scrollBar; }
    QString orientation() override { return orientation_; }
    qint64 pid() override { return pid_; }
    bool isHidden() override { return hidden; }
    AXElement elementAt(const QPoint& p) override {
        if (!answersHitTests) {
            return nullptr;
        }
        for (const auto& c : children_) {
            if (c->frame_.contains(p)) {
                AXElement deeper = c->elementAt(p);
                return deeper ? deeper : c;
            }
        }
        return nullptr;
    }
    bool focus() override { return true; }
    QString key() override { return key_; }

    AXElement scrollBar;
    QString orientation_;
    bool hidden = false;
    bool answersHitTests = true;
    static inline int childListings = 0;
    static inline int frameReads = 0;

private:
    QString role_;
    QRect frame_;
    qint64 pid_;
    QString key_;
    QList<std::shared_ptr<Node>> children_;
    std::weak_ptr<Node> parent_;
};

class FakeAccessibility : public platform::Accessibility {
public:
    bool isTrusted() override { return trusted; }
    bool requestTrust() override {
        ++prompts;
        trusted = grantOnPrompt;
        return trusted;
    }
    AXElement application(qint64 pid) override { return pid == 77 ? app : nullptr; }
    void setDeadline(std::chrono::steady_clock::time_point d) override { deadlines.push_back(d); }

    bool trusted = true;
    bool grantOnPrompt = false;
    int prompts = 0;
    std::vector<std::chrono::steady_clock::time_point> deadlines;
    std::shared_ptr<Node> app = std::make_shared<Node>(QStringLiteral("AXApplication"), QRect());
};

std::shared_ptr<Node> node(const char* role, QRect frame) {
    return std::make_shared<Node>(QString::fromLatin1(role), frame);
}

class Locator : public ::testing::Test {
protected:
    // The element found under `p` in application 77, or null.
    AXElement locate(QPoint p) {
        const auto found = AccessibilityScrollLocator::locateNow(ax, 77, p, std::nullopt);
        return found ? found->node : nullptr;
    }
    FakeAccessibility ax;
    std::shared_ptr<Node> window = ax.app->add(node("AXWindow", QRect(0, 0, 1200, 900)));
};

TEST_F(Locator, NestedWebAreasTheLargerWins) {
    auto outer = window->add(node("AXWebArea", QRect(0, 100, 1200, 800)));
    auto frame = outer->add(node("AXGroup", QRect(100, 300, 600, 400)));
    auto inner = frame->add(node("AXWebArea", QRect(100, 300, 600, 400)));
    inner->add(node("AXStaticText", QRect(120, 320, 300, 20)));
    EXPECT_EQ(locate(QPoint(130, 325)), outer);
}

TEST_F(Locator, AnotherTabsPageIsNotTakenForTheOneShown) {
    // A window that answers no hit test yet is walked: another tab's page lies at the same place.
    window->answersHitTests = false;
    auto other = window->add(node("AXWebArea", QRect(0, 100, 1200, 870)));
    other->hidden = true;
    auto shown = window->add(node("AXWebArea", QRect(0, 100, 1200, 800)));
    for (int line = 0; line < 40; ++line) {
        shown->add(node("AXGroup", QRect(0, 100 + 20 * line, 1200, 20)));
    }
    Node::frameReads = 0;
    EXPECT_EQ(locate(QPoint(600, 500)), shown);
    // The scan walks neither the hidden page nor the lines of the page it found.
    EXPECT_LE(Node::frameReads, 8);
}

TEST_F(Locator, NestedListsTheSmallerWins) {
    auto outer = window->add(node("AXList", QRect(0, 0, 600, 900)));
    auto item = outer->add(node("AXGroup", QRect(0, 100, 600, 400)));
    auto inner = item->add(node("AXList", QRect(20, 120, 500, 300)));
    inner->add(node("AXCell", QRect(30, 130, 100, 20)));
    EXPECT_EQ(locate(QPoint(40, 135)), inner);
}

TEST_F(Locator, RoleRankBeatsSizeAndTinyElementsAreSkipped) {
    auto web = window->add(node("AXWebArea", QRect(0, 0, 1200, 900)));
    auto table = web->add(node("AXTable", QRect(0, 0, 900, 600)));
    auto small = table->add(node("AXTextArea", QRect(10, 10, 70, 200))); // under 80 wide
    EXPECT_EQ(locate(QPoint(20, 20)), web);
}

TEST_F(Locator, DeepScanFindsAContentElementBesideTheChain) {
    // The hit is a scroll area whose text view is not its ancestor: found by walking the window.
    auto pane = window->add(node("AXScrollArea", QRect(0, 0, 800, 800)));
    auto view = pane->add(node("AXTextArea", QRect(0, 0, 780, 800)));
    auto bar = std::make_shared<Node>(QStringLiteral("AXScrollBar"), QRect(780, 0, 20, 800));
    bar->orientation_ = QStringLiteral("AXVerticalOrientation");
    pane->add(bar);
    // A point on the scroll bar: the chain is bar, pane, window.
    const auto found = AccessibilityScrollLocator::locateNow(ax, 77, QPoint(790, 400), std::nullopt);
    ASSERT_TRUE(found);
    // The text view does not contain the point; the pane does and has a vertical scroll bar.
    EXPECT_EQ(found->node, pane);
    EXPECT_EQ(found->scrollBar, bar);
}

TEST_F(Locator, ASearchStopsWalkingAtItsDeadline) {
    // Only the deep scan finds the pane (the point is on its scroll bar, which the chain names).
    auto pane = window->add(node("AXScrollArea", QRect(0, 0, 800, 800)));
    for (int i = 0; i < 40; ++i) {
        pane->add(node("AXGroup", QRect(0, i * 20, 780, 20)))
            ->add(node("AXStaticText", QRect(0, i * 20, 50, 20)));
    }
    pane->add(node("AXScrollBar", QRect(780, 0, 20, 800)));
    using Clock = AccessibilityScrollLocator::Clock;
    const auto past = Clock::now() - std::chrono::milliseconds(1);
    Node::childListings = 0;
    EXPECT_FALSE(AccessibilityScrollLocator::locateNow(ax, 77, QPoint(790, 400), std::nullopt, past));
    EXPECT_EQ(Node::childListings, 0);
    // The backend is told the deadline for the search's length only.
    EXPECT_EQ(ax.deadlines, (std::vector<Clock::time_point>{past, Clock::time_point::max()}));
    const auto found = AccessibilityScrollLocator::locateNow(ax, 77, QPoint(790, 400), std::nullopt,
                                                             Clock::now() + std::chrono::seconds(60));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->node, pane);
    EXPECT_GT(Node::childListings, 0);
}

TEST_F(Locator, AWindowWithNothingScrollableUnderThePointAnswersWithoutWalkingTheRest) {
    // A browser's bars beside a page that exposes nothing: only what lies under the point is
    // walked, so the search ends long before its time is up.
    auto toolbar = window->add(node("AXGroup", QRect(0, 0, 1200, 90)));
    for (int i = 0; i < 300; ++i) {
        toolbar->add(node("AXButton", QRect(i * 4, 0, 4, 90)))->add(node("AXImage", QRect(i * 4, 0, 4, 90)));
    }
    window->add(node("AXGroup", QRect(0, 90, 1200, 810)))->add(node("AXGroup", QRect(0, 90, 1200, 810)));
    Node::childListings = 0;
    EXPECT_FALSE(locate(QPoint(600, 500)));
    EXPECT_LT(Node::childListings, 12);
}

TEST_F(Locator, TheClipAndUntrustedOrUnknownApplicationsAnswerNothing) {
    window->add(node("AXWebArea", QRect(0, 0, 400, 400)));
    EXPECT_TRUE(AccessibilityScrollLocator::locateNow(ax, 77, QPoint(50, 50), QRect(0, 0, 100, 100)));
    EXPECT_FALSE(AccessibilityScrollLocator::locateNow(ax, 77, QPoint(50, 50), QRect(600, 600, 100, 100)));
    EXPECT_FALSE(AccessibilityScrollLocator::locateNow(ax, 78, QPoint(50, 50), std::nullopt));
    ax.trusted = false;
    EXPECT_FALSE(locate(QPoint(50, 50)));
}

TEST_F(Locator, SnapAreaPrefersWebAreas) {
    auto group = window->add(node("AXGroup", QRect(0, 60, 1200, 840)));
    auto web = group->add(node("AXWebArea", QRect(0, 80, 1200, 820)));
    web->add(node("AXStaticText", QRect(10, 100, 200, 20)));
    const auto area =
        AccessibilityScrollLocator::snapAreaNow(ax, 77, QPoint(20, 105), QRect(0, 0, 1920, 1080));
    ASSERT_TRUE(area);
    EXPECT_EQ(area->role, QStringLiteral("AXWebArea"));
    EXPECT_EQ(area->frame, QRect(0, 80, 1200, 820));
}

TEST_F(Locator, AnswersComeBackOnTheMainThreadInDesktopSpace) {
    auto shared = std::make_shared<FakeAccessibility>();
    auto win = shared->app->add(node("AXWindow", QRect(0, 0, 1200, 900)));
    win->add(node("AXWebArea", QRect(0, 100, 1200, 800)));
    AccessibilityScrollLocator locator(
        shared, [] { return 1000; }, [](const QPoint&) { return qint64(77); });
    using Target = std::optional<AccessibilityScrollTarget>;
    // Desktop (600, 500) is window space (600, 500) on a 1000-high primary display.
    const auto target = test::answerOf<Target>([&](auto done) {
        locator.locate(std::nullopt, QPoint(600, 500), std::nullopt, [done](Target t) {
            EXPECT_TRUE(isMainThread());
            done(t);
        });
    });
    ASSERT_TRUE(target && *target);
    EXPECT_EQ((*target)->frame, QRect(0, 100, 1200, 800));
    shared->trusted = false;
    EXPECT_EQ(test::answerOf<bool>([&](auto done) { locator.checkTrust(true, done); }), false);
    EXPECT_EQ(shared->prompts, 1);
}

} // namespace
