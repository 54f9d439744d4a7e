#pragma once

#include <QString>

namespace mebo {

// One symbol of the built-in stamp palette.
struct StampPreset {
    QString symbol; // the name a StampLayer stores ("star.fill")
    QString label;  // shown in the palette

    bool operator==(const StampPreset&) const = default;
};

} // namespace mebo
