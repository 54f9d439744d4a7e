#pragma once

#include "platform/Display.h"

#include <QList>
#include <QRect>
#include <QString>
#include <optional>

namespace mebo {

class AppServices;

// What the capture and record commands aim at.
namespace cli {

// Where a --geometry rectangle (X11 root pixels) lands.
struct GeometryTarget {
    platform::DisplayInfo display; // the display holding most of it
    QRect pixels;                  // the part on that display, in the display's own picture
    QRect desktop;                 // the same area in desktop space (points, rounded outward)
};
std::optional<GeometryTarget> geometryTarget(const QList<platform::DisplayInfo>& displays, const QRect& rect);
// The front-most window containing the pointer.
std::optional<platform::WindowInfo> windowUnderPointer(AppServices& services);
// "ID NAME WxH+X+Y scale S [primary]", as --list-displays prints it.
QString displayLine(const platform::DisplayInfo& d);

} // namespace cli
} // namespace mebo
