#pragma once

#include <QRect>
#include <cstdint>
#include <functional>
#include <optional>

namespace mebo {

// The small "Scrolling Capture" panel (a spinner and Cancel) the desktop shell shows beside the
// region while a scroll capture runs: never over the region, never over the pointer, and never
// taking the focus from the scrolled application. Main thread.
class ScrollControlPanel {
public:
    virtual ~ScrollControlPanel() = default;
    // `region`: desktop space. `onCancel` runs when Cancel is clicked.
    virtual void show(const QRect& region, std::function<void()> onCancel) = 0;
    virtual void bringToFront() = 0;
    virtual void close() = 0;
    // The panel's window id while shown.
    virtual std::optional<uint32_t> windowId() const = 0;
};

} // namespace mebo
