#include "scroll/AccessibilityScrollLocator.h"

#include "app/MainThread.h"

#include <QHash>
#include <algorithm>
#include <deque>

namespace mebo {

using platform::AXElement;
using List = platform::AccessibilityElement::List;

namespace {

const QString kWebArea = QStringLiteral("AXWebArea");
using Clock = AccessibilityScrollLocator::Clock;

bool expired(Clock::time_point deadline) {
    return deadline != Clock::time_point::max() && Clock::now() >= deadline;
}

// Hands the search's deadline to the accessibility backend for its length.
class DeadlineScope {
public:
    DeadlineScope(platform::Accessibility& ax, Clock::time_point deadline) : ax_(ax) {
        ax_.setDeadline(deadline);
    }
    ~DeadlineScope() { ax_.setDeadline(Clock::time_point::max()); }
    DeadlineScope(const DeadlineScope&) = delete;
    DeadlineScope& operator=(const DeadlineScope&) = delete;

private:
    platform::Accessibility& ax_;
};

qint64 area(const QRect& r) {
    return r.isValid() ? qint64(r.width()) * r.height() : 0;
}

bool reaches(const QRect& frame, const QPoint& point) {
    return frame.adjusted(-1, -1, 1, 1).contains(point);
}

bool meetsClip(const QRect& frame, const std::optional<QRect>& clip) {
    return !clip || frame.intersects(clip->adjusted(-2, -2, 2, 2));
}

// The element's own vertical scroll bar, else the first vertical scroll bar among its first
// descendants.
AXElement scrollBarOf(const AXElement& e, Clock::time_point deadline) {
    if (AXElement bar = e->verticalScrollBar()) {
        return bar;
    }
    // Breadth first over at most the budget's number of descendants (each one listed costs a
    // round trip to the application).
    int budget = AccessibilityScrollLocator::scrollBarSearchBudget;
    std::deque<AXElement> open;
    for (const AXElement& c : e->elements(List::children, budget)) {
        open.push_back(c);
    }
    budget -= int(open.size());
    while (!open.empty() && !expired(deadline)) {
        AXElement n = open.front();
        open.pop_front();
        if (n->role() == QLatin1String("AXScrollBar") &&
            n->orientation() == QLatin1String("AXVerticalOrientation")) {
            return n;
        }
        if (budget > 0) {
            const QList<AXElement> children = n->elements(List::children, budget);
            budget -= int(children.size());
            for (const AXElement& c : children) {
                open.push_back(c);
            }
        }
    }
    return nullptr;
}

std::optional<qint64> pidOf(const AXElement& e) {
    const qint64 p = e->pid();
    return p >= 1 ? std::optional<qint64>(p) : std::nullopt;
}

std::optional<AccessibilityScrollLocator::Candidate>
choose(const QList<AccessibilityScrollLocator::Candidate>& all, bool (*accept)(const QString&)) {
    std::optional<AccessibilityScrollLocator::Candidate> best;
    for (const auto& c : all) {
        if (accept(c.role) && (!best || AccessibilityScrollLocator::isBetter(c, *best))) {
            best = c;
        }
    }
    return best;
}

// Scroll bars are looked up only where they decide something (the second pass) or are
// answered (the chosen target): each lookup walks part of the tree.
void withScrollBar(AccessibilityScrollLocator::Candidate& c, Clock::time_point deadline) {
    if (!c.scrollBarKnown) {
        c.scrollBar = scrollBarOf(c.node, deadline);
        c.scrollBarKnown = true;
    }
}

std::optional<AccessibilityScrollLocator::Candidate>
secondPass(QList<AccessibilityScrollLocator::Candidate>& all, Clock::time_point deadline) {
    std::optional<AccessibilityScrollLocator::Candidate> best;
    for (auto& c : all) {
        if (c.role == QLatin1String("AXWindow") || c.role == QLatin1String("AXApplication") ||
            !AccessibilityScrollLocator::isScrollableRole(c.role)) {
            continue;
        }
        if (!best) {
            best = c;
            continue;
        }
        if (c.containsPoint == best->containsPoint) {
            withScrollBar(c, deadline);
            withScrollBar(*best, deadline);
        }
        const bool better = c.containsPoint != best->containsPoint       ? c.containsPoint
                            : bool(c.scrollBar) != bool(best->scrollBar) ? bool(c.scrollBar)
                                                                         : area(c.frame) < area(best->frame);
        if (better) {
            best = c;
        }
    }
    return best;
}

QList<AXElement> childrenOf(const AXElement& e, int limit) {
    QList<AXElement> out;
    QSet<QString> keys;
    for (List which :
         {List::children, List::visibleChildren, List::rows, List::columns, List::tabs, List::contents}) {
        for (const AXElement& c : e->elements(which, limit)) {
            if (c && !keys.contains(c->key())) {
                keys.insert(c->key());
                out << c;
            }
        }
    }
    return out;
}

void deepScan(const AXElement& root, const QPoint& point, const std::optional<QRect>& clip,
              QList<AccessibilityScrollLocator::Candidate>& out, Clock::time_point deadline) {
    QSet<QString> visited;
    // Only elements that reach the point become candidates, and an element's children lie inside
    // it: below an element whose frame misses the point nothing can qualify, so the walk leaves
    // such subtrees out and ends once everything under the point was seen (an application whose
    // page exposes nothing answers at once, not when the search's time is up). Elements without
    // a frame are walked.
    std::vector<AXElement> stack{root};
    int budget = AccessibilityScrollLocator::deepScanBudget;
    while (!stack.empty() && budget > 0 && !expired(deadline)) {
        AXElement e = stack.back();
        stack.pop_back();
        if (!e || visited.contains(e->key())) {
            continue;
        }
        visited.insert(e->key());
        --budget;
        const auto frame = e->frame();
        // A browser's other tabs keep their pages in the tree, at the same place as the one shown.
        // The window itself was chosen for holding the point (a busy one may say it is hidden).
        if ((frame && !reaches(*frame, point)) || (e != root && e->isHidden())) {
            continue;
        }
        if (frame && meetsClip(*frame, clip)) {
            AccessibilityScrollLocator::Candidate c;
            c.node = e;
            c.role = e->role();
            c.frame = *frame;
            c.pid = pidOf(e);
            c.containsPoint = true;
            out << c;
            // Nothing below a page beats it (a page inside is smaller): a long document's
            // thousands of lines are not walked.
            if (c.role == kWebArea) {
                continue;
            }
        }
        // Only as many children as the budget can still visit are listed.
        const QList<AXElement> children = childrenOf(e, budget);
        // Depth first, in the children's order.
        for (auto it = children.crbegin(); it != children.crend(); ++it) {
            stack.push_back(*it);
        }
    }
}

} // namespace

AccessibilityScrollLocator::AccessibilityScrollLocator(
    std::shared_ptr<platform::Accessibility> accessibility, std::function<int()> primaryHeight,
    std::function<std::optional<qint64>(const QPoint&)> pidAtPoint)
    : ax_(std::move(accessibility)), primaryHeight_(std::move(primaryHeight)),
      pidAtPoint_(std::move(pidAtPoint)), alive_(std::make_shared<bool>(true)),
      queue_(QStringLiteral("mebo.ax-hover-scan")) {}

AccessibilityScrollLocator::~AccessibilityScrollLocator() {
    *alive_ = false;
}

int AccessibilityScrollLocator::roleRank(const QString& role) {
    if (role == kWebArea) {
        return 0;
    }
    if (role == QLatin1String("AXTextArea")) {
        return 1;
    }
    if (role == QLatin1String("AXTable") || role == QLatin1String("AXOutline") ||
        role == QLatin1String("AXList")) {
        return 2;
    }
    return 99;
}

bool AccessibilityScrollLocator::isPreferredContentRole(const QString& role) {
    return roleRank(role) < 99;
}

bool AccessibilityScrollLocator::isScrollableRole(const QString& role) {
    return isPreferredContentRole(role) || role == QLatin1String("AXScrollArea") ||
           role == QLatin1String("AXBrowser");
}

bool AccessibilityScrollLocator::isSnapContainerRole(const QString& role) {
    static const QSet<QString> roles = {
        QStringLiteral("AXScrollArea"), QStringLiteral("AXSplitGroup"), QStringLiteral("AXGroup"),
        QStringLiteral("AXTabGroup"),   QStringLiteral("AXTable"),      QStringLiteral("AXOutline"),
        QStringLiteral("AXList"),       QStringLiteral("AXLayoutArea"), QStringLiteral("AXTextArea"),
        QStringLiteral("AXWebArea"),    QStringLiteral("AXLayoutItem"), QStringLiteral("AXPageGroup")};
    return roles.contains(role);
}

bool AccessibilityScrollLocator::isBetter(const Candidate& a, const Candidate& b) {
    const int ra = roleRank(a.role);
    const int rb = roleRank(b.role);
    if (ra != rb) {
        return ra < rb;
    }
    if (a.containsPoint != b.containsPoint) {
        return a.containsPoint;
    }
    if (a.role == kWebArea && b.role == kWebArea) {
        return area(a.frame) > area(b.frame);
    }
    return area(a.frame) < area(b.frame);
}

std::optional<AccessibilityScrollLocator::Candidate>
AccessibilityScrollLocator::locateNow(platform::Accessibility& ax, qint64 pid, const QPoint& point,
                                      const std::optional<QRect>& clip, Clock::time_point deadline) {
    if (!ax.isTrusted()) {
        return std::nullopt;
    }
    DeadlineScope scope(ax, deadline);
    const AXElement app = ax.application(pid);
    if (!app) {
        return std::nullopt;
    }
    QList<AXElement> chain;
    QSet<QString> seen;
    for (AXElement e = app->elementAt(point);
         e && !seen.contains(e->key()) && chain.size() < 256 && !expired(deadline); e = e->parent()) {
        seen.insert(e->key());
        chain << e;
    }
    QList<Candidate> candidates;
    for (const AXElement& e : chain) {
        const QString role = e->role();
        const auto frame = e->frame();
        if (role.isEmpty() || !frame || frame->width() < 80 || frame->height() < 80 ||
            !meetsClip(*frame, clip) || !reaches(*frame, point)) {
            continue;
        }
        candidates << Candidate{e, role, *frame, nullptr, pidOf(e), true};
    }
    auto answer = [deadline](std::optional<Candidate> c) {
        if (c) {
            withScrollBar(*c, deadline);
        }
        return c;
    };
    if (auto best = choose(candidates, &isPreferredContentRole)) {
        return answer(best);
    }
    AXElement root;
    if (chain.isEmpty()) {
        AXElement fallback;
        for (const AXElement& w : app->elements(List::windows, deepScanBudget)) {
            const auto f = w->frame();
            if (!f || f->width() < 120 || f->height() < 120) {
                continue;
            }
            const bool inside = f->contains(point);
            if (clip ? f->intersects(*clip) : inside) {
                if (inside) {
                    root = w;
                    break;
                }
                if (!fallback) {
                    fallback = w;
                }
            }
        }
        if (!root) {
            root = fallback;
        }
    } else {
        for (const AXElement& e : chain) {
            if (e->role() == QLatin1String("AXWindow")) {
                root = e;
                break;
            }
        }
        if (!root) {
            root = chain.last();
        }
    }
    if (root) {
        deepScan(root, point, clip, candidates, deadline);
    }
    if (auto best = choose(candidates, &isPreferredContentRole)) {
        return answer(best);
    }
    return answer(secondPass(candidates, deadline));
}

std::optional<AccessibilitySnapArea>
AccessibilityScrollLocator::snapAreaNow(platform::Accessibility& ax, qint64 pid, const QPoint& point,
                                        const QRect& screenArea, Clock::time_point deadline, bool webOnly) {
    if (!ax.isTrusted()) {
        return std::nullopt;
    }
    DeadlineScope scope(ax, deadline);
    const AXElement app = ax.application(pid);
    if (!app) {
        return std::nullopt;
    }
    std::optional<AccessibilitySnapArea> best;
    AXElement bestElement;
    double bestScore = 0;
    AXElement e = app->elementAt(point);
    for (int level = 0; e && level <= 16 && !expired(deadline); ++level, e = e->parent()) {
        const QString role = e->role();
        const auto frame = e->frame();
        if (!isSnapContainerRole(role) || (webOnly && role != kWebArea) || !frame || frame->width() < 56 ||
            frame->height() < 36 || !frame->adjusted(-2, -2, 2, 2).contains(point) ||
            !frame->intersects(screenArea)) {
            continue;
        }
        const double score = double(area(*frame)) * (role == kWebArea ? 0.4 : 1.0);
        if (!best || score < bestScore) {
            best = AccessibilitySnapArea{*frame, role, false};
            bestElement = e;
            bestScore = score;
        }
    }
    if (best) {
        best->hasVerticalScrollBar = bool(scrollBarOf(bestElement, deadline));
    }
    return best;
}

QRect AccessibilityScrollLocator::toWindowSpace(const QRect& r) const {
    return QRect(r.x(), primaryHeight_() - r.y() - r.height(), r.width(), r.height());
}

QRect AccessibilityScrollLocator::toDesktop(const QRect& r) const {
    return toWindowSpace(r); // the flip is its own inverse
}

void AccessibilityScrollLocator::checkTrust(bool prompt, std::function<void(bool)> done) {
    std::weak_ptr<bool> alive = alive_;
    auto ax = ax_;
    queue_.async([ax, prompt, alive, done = std::move(done)] {
        const bool trusted = ax->isTrusted() || (prompt && ax->requestTrust());
        runOnMain([alive, done, trusted] {
            if (!alive.expired()) {
                done(trusted);
            }
        });
    });
}

void AccessibilityScrollLocator::locate(std::optional<qint64> pid, const QPoint& point,
                                        const std::optional<QRect>& clip,
                                        std::function<void(std::optional<AccessibilityScrollTarget>)> done,
                                        std::chrono::milliseconds searchFor) {
    if (!pid && pidAtPoint_) {
        pid = pidAtPoint_(point);
    }
    if (!pid) {
        runOnMain([done = std::move(done)] { done(std::nullopt); });
        return;
    }
    const int ph = primaryHeight_();
    const QPoint at(point.x(), ph - point.y());
    const std::optional<QRect> windowClip = clip ? std::optional<QRect>(toWindowSpace(*clip)) : std::nullopt;
    std::weak_ptr<bool> alive = alive_;
    auto ax = ax_;
    const qint64 p = *pid;
    queue_.async([ax, p, at, windowClip, ph, alive, searchFor, done = std::move(done)] {
        std::optional<AccessibilityScrollTarget> target;
        ax->isTrusted(); // connects on first use: not part of the search's time
        if (const auto c = locateNow(*ax, p, at, windowClip, Clock::now() + searchFor)) {
            const QRect f(c->frame.x(), ph - c->frame.y() - c->frame.height(), c->frame.width(),
                          c->frame.height());
            target = AccessibilityScrollTarget{c->node, f, c->scrollBar, c->pid, c->role};
        }
        runOnMain([alive, done, target] {
            if (!alive.expired()) {
                done(target);
            }
        });
    });
}

void AccessibilityScrollLocator::snapArea(qint64 pid, const QPoint& point, const QRect& screenArea,
                                          std::function<void(std::optional<AccessibilitySnapArea>)> done,
                                          bool webOnly) {
    const int ph = primaryHeight_();
    const QPoint at(point.x(), ph - point.y());
    const QRect area = toWindowSpace(screenArea);
    std::weak_ptr<bool> alive = alive_;
    auto ax = ax_;
    queue_.async([ax, pid, at, area, ph, alive, webOnly, done = std::move(done)] {
        ax->isTrusted();
        auto found = snapAreaNow(*ax, pid, at, area, Clock::now() + searchTime, webOnly);
        if (found) {
            const QRect f = found->frame;
            found->frame = QRect(f.x(), ph - f.y() - f.height(), f.width(), f.height());
        }
        runOnMain([alive, done, found] {
            if (!alive.expired()) {
                done(found);
            }
        });
    });
}

void AccessibilityScrollLocator::focus(const AccessibilityScrollTarget& target) {
    AXElement e = target.element;
    if (e) {
        queue_.async([e] { e->focus(); });
    }
}

} // namespace mebo
