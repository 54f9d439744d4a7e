#pragma once

#include "platform/Display.h"

#include <QList>
#include <QRect>
#include <QString>
#include <optional>
#include <utility>

namespace mebo {

class AppServices;

// What the capture and record commands aim at.
namespace cli {

// The display holding most of `rect` (X11 root pixels), with `rect` in desktop space.
std::optional<std::pair<platform::DisplayInfo, QRect>>
toDesktopRect(const QList<platform::DisplayInfo>& displays, const QRect& rect);
// The front-most window containing the pointer.
std::optional<platform::WindowInfo> windowUnderPointer(AppServices& services);
// "ID NAME WxH+X+Y scale S [primary]", as --list-displays prints it.
QString displayLine(const platform::DisplayInfo& d);

} // namespace cli
} // namespace mebo
