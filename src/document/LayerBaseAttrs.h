#pragma once

#include <QString>

namespace mebo {

// A layer's common attributes as payloads store them.
struct LayerBaseAttrs {
    QString shadow; // ShadowStyle raw value
    double opacity = 1;

    bool operator==(const LayerBaseAttrs&) const = default;
};

} // namespace mebo
