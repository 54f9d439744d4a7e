#pragma once

#include <QKeyCombination>
#include <cstdint>
#include <optional>

namespace tasu {

// A key combination as X11 sees it: a keysym and a modifier mask (Shift, Control, Mod1 = Alt,
// Mod4 = Super).
struct X11Key {
    uint32_t keysym = 0;
    uint16_t modifiers = 0;
    bool operator==(const X11Key&) const = default;
};

class KeySymbols {
public:
    static constexpr uint16_t shiftMask = 1 << 0;
    static constexpr uint16_t lockMask = 1 << 1;
    static constexpr uint16_t controlMask = 1 << 2;
    static constexpr uint16_t mod1Mask = 1 << 3; // Alt
    static constexpr uint16_t mod2Mask = 1 << 4; // Num Lock
    static constexpr uint16_t mod4Mask = 1 << 6; // Super
    // The modifiers a binding is about; Caps Lock and Num Lock never change its meaning.
    static constexpr uint16_t relevantMask = shiftMask | controlMask | mod1Mask | mod4Mask;

    // Nothing for keys that have no keysym here (a key alone, media keys).
    static std::optional<X11Key> fromQt(QKeyCombination combination);
};

} // namespace tasu
