#pragma once

#include <functional>
#include <optional>

namespace mebo::platform {

// The desktop's light or dark preference. Main thread.
class ColorScheme {
public:
    virtual ~ColorScheme() = default;
    // true: the desktop prefers dark; false: it prefers light or states no preference; nothing
    // when the desktop does not say (no settings service).
    virtual std::optional<bool> prefersDark() = 0;
    // Called on the main thread with the new answer when the desktop's preference changes.
    virtual void setChangeHandler(std::function<void(std::optional<bool>)> handler) = 0;
};

} // namespace mebo::platform
