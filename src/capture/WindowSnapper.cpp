#include "capture/WindowSnapper.h"

#include "platform/WindowServer.h"

namespace mebo {

namespace {

int cellOf(int v) {
    // Floor division, so negative coordinates (displays left of or above the primary) bucket too.
    return v >= 0 ? v / WindowSnapper::bucketSize
                  : -((-v + WindowSnapper::bucketSize - 1) / WindowSnapper::bucketSize);
}

} // namespace

WindowSnapper::WindowSnapper(platform::WindowServer& windowServer, qint64 ownPid,
                             std::function<double()> clock)
    : windowServer_(windowServer), ownPid_(ownPid), clock_(std::move(clock)) {}

void WindowSnapper::setCandidates(QList<platform::WindowInfo> shareable) {
    candidates_ = std::move(shareable);
    answers_.clear();
    // Windows may have moved: what was found in them no longer holds.
    contentAnswers_.clear();
    wanted_.reset();
    ++generation_;
}

void WindowSnapper::setContentQuery(ContentQuery query,
                                    std::function<bool(const platform::WindowInfo&)> isBrowser,
                                    std::function<void()> changed) {
    contentQuery_ = std::move(query);
    isBrowser_ = std::move(isBrowser);
    contentChanged_ = std::move(changed);
    contentAnswers_.clear();
    wanted_.reset();
    ++generation_;
}

std::optional<SnapRegion> WindowSnapper::hitTest(const QPoint& point) {
    const double now = clock_();
    if (!liveReadAt_ || now - *liveReadAt_ >= lifetimeSec || now < *liveReadAt_) {
        live_ = windowServer_.windowsFrontToBack();
        liveReadAt_ = now;
        ++listReads_;
        answers_.clear();
    }
    const QPoint cell(cellOf(point.x()), cellOf(point.y()));
    std::optional<SnapRegion> hit;
    if (auto it = answers_.constFind(cell); it != answers_.constEnd()) {
        hit = *it;
    } else {
        hit = computeHit(point);
        answers_.insert(cell, hit);
    }
    if (!contentQuery_) {
        return hit;
    }
    std::optional<SnapRegion> content = hit ? contentAt(*hit, point) : std::nullopt;
    return content ? content : hit;
}

std::optional<SnapRegion> WindowSnapper::contentAt(const SnapRegion& hit, const QPoint& point) {
    const platform::WindowInfo* window = nullptr;
    for (const platform::WindowInfo& c : candidates_) {
        if (c.windowId == hit.windowId) {
            window = &c;
        }
    }
    const bool browser = window && isBrowser_ && isBrowser_(*window);
    if (!window || window->pid <= 0 ||
        (!browser &&
         (window->frame.width() < contentMinWidth || window->frame.height() < contentMinHeight))) {
        if (wanted_) {
            // The pointer left the window asked about: its answer would come too late.
            wanted_.reset();
            ++generation_;
        }
        return std::nullopt;
    }
    const QPoint cell(cellOf(point.x()), cellOf(point.y()));
    auto offer = [&](const ContentArea& a) {
        const QString app = window->appId.isEmpty() ? window->appName : window->appId;
        return SnapRegion{a.rect, QStringLiteral("Content Area: %1").arg(app), a.scrollable, window->windowId,
                          true};
    };
    const auto& answers = contentAnswers_[window->windowId];
    if (auto it = answers.constFind(cell); it != answers.constEnd()) {
        return *it ? std::optional<SnapRegion>(offer(**it)) : std::nullopt;
    }
    if (browser) {
        // A browser's page is one area: found once, it holds wherever the pointer is inside it.
        for (const auto& a : answers) {
            if (a && a->rect.contains(point)) {
                return offer(*a);
            }
        }
    }
    if (!wanted_ || wanted_->window.windowId != window->windowId || wanted_->cell != cell) {
        wanted_ = Question{*window, point, cell};
        ++generation_;
    }
    ask();
    // Answered at once (no accessibility, an application off the bus).
    if (auto it = answers.constFind(cell); it != answers.constEnd() && *it) {
        return offer(**it);
    }
    return std::nullopt;
}

void WindowSnapper::ask() {
    if (asking_ || !wanted_ || !contentQuery_) {
        return;
    }
    asking_ = true;
    ++contentQueries_;
    const quint64 generation = generation_;
    const Question q = *wanted_;
    std::weak_ptr<bool> alive = alive_;
    inQuery_ = true;
    contentQuery_(q.window, q.point, [this, alive, generation, q](std::optional<ContentArea> area) {
        if (!alive.expired()) {
            answered(generation, q.window.windowId, q.cell, area);
        }
    });
    inQuery_ = false;
}

void WindowSnapper::answered(quint64 generation, uint32_t windowId, QPoint cell,
                             std::optional<ContentArea> area) {
    asking_ = false;
    if (generation != generation_) {
        // The pointer moved on while it was asked: the newest question goes out instead.
        ask();
        return;
    }
    wanted_.reset();
    contentAnswers_[windowId].insert(cell, area);
    if (!inQuery_ && contentChanged_) {
        contentChanged_();
    }
}

std::optional<SnapRegion> WindowSnapper::computeHit(const QPoint& point) const {
    for (const platform::WindowInfo& w : live_) {
        if ((ownPid_ != 0 && w.pid == ownPid_) || !w.onScreen || w.frame.width() < minSide ||
            w.frame.height() < minSide) {
            continue;
        }
        if (!w.frame.contains(point)) {
            continue;
        }
        // The front-most window under the pointer decides; a window that cannot be shared
        // (a panel, a dock) covers what lies behind it.
        for (const platform::WindowInfo& c : candidates_) {
            if (c.windowId == w.windowId) {
                return SnapRegion{c.frame, c.title, false, c.windowId, false};
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace mebo
