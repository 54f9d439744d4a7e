#pragma once

#include "platform/Display.h"

namespace mebo::test {

// A window of the fakes' lists, titled "window <id>".
inline platform::WindowInfo windowInfo(uint32_t id, QRect frame, qint64 pid = 100,
                                       QString appId = QStringLiteral("xterm"),
                                       platform::WindowType type = platform::WindowType::Normal) {
    return {.windowId = id,
            .frame = frame,
            .title = QStringLiteral("window %1").arg(id),
            .pid = pid,
            .appId = std::move(appId),
            .appName = {},
            .type = type};
}

} // namespace mebo::test
