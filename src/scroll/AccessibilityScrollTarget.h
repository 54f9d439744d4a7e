#pragma once

#include "platform/Accessibility.h"

#include <QRect>
#include <QString>
#include <optional>

namespace mebo {

// The element a scroll capture scrolls: its frame (desktop space), its vertical scroll bar and
// the process owning it.
struct AccessibilityScrollTarget {
    platform::AXElement element;
    QRect frame;
    platform::AXElement verticalScrollBar;
    std::optional<qint64> pid;
    QString role; // "AXWebArea", "AXTable", ...
};

} // namespace mebo
