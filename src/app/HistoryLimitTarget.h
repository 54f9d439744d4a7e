#pragma once

namespace mebo {

// What the settings store needs of the history store when the history limit changes; the
// history store implements it. Main thread only.
class HistoryLimitTarget {
public:
    virtual ~HistoryLimitTarget() = default;
    virtual bool isPruneInFlight() const = 0;
    virtual void markPruneCancelled() = 0;
    virtual void clearPrunePending() = 0;
    virtual void applyLimitNow() = 0;
};

} // namespace mebo
