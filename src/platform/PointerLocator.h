#pragma once

#include <QPoint>
#include <optional>

namespace mebo::platform {

class PointerLocator {
public:
    virtual ~PointerLocator() = default;
    // Pointer position in desktop space (points, bottom-left origin of the primary display).
    virtual std::optional<QPoint> location() = 0;
};

} // namespace mebo::platform
