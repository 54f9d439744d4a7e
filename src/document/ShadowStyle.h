#pragma once

#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>

namespace mebo {

enum class ShadowStyle : uint8_t { none, soft, hard };

// How a style casts its shadow, in device pixels: offsets ignore the painter's transform, and a
// positive y moves the shadow down on screen.
struct ShadowParams {
    double alpha = 0;
    QPointF offset;
    double blurRadius = 0;
};

const std::array<ShadowStyle, 3>& allShadowStyles();
QString shadowStyleRawValue(ShadowStyle style);
QString shadowStyleDisplayName(ShadowStyle style);
// The load rule: "none" and "hard" as named, every other string soft.
ShadowStyle shadowStyleForLoad(const QString& raw);
ShadowParams shadowParams(ShadowStyle style);

} // namespace mebo
