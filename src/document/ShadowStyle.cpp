#include "document/ShadowStyle.h"

namespace mebo {

const std::array<ShadowStyle, 3>& allShadowStyles() {
    static constexpr std::array<ShadowStyle, 3> kAll{ShadowStyle::none, ShadowStyle::soft, ShadowStyle::hard};
    return kAll;
}

QString shadowStyleRawValue(ShadowStyle style) {
    switch (style) {
    case ShadowStyle::none:
        return QStringLiteral("none");
    case ShadowStyle::soft:
        return QStringLiteral("soft");
    case ShadowStyle::hard:
        return QStringLiteral("hard");
    }
    return {};
}

QString shadowStyleDisplayName(ShadowStyle style) {
    switch (style) {
    case ShadowStyle::none:
        return QStringLiteral("No Shadow");
    case ShadowStyle::soft:
        return QStringLiteral("Soft");
    case ShadowStyle::hard:
        return QStringLiteral("Hard");
    }
    return {};
}

ShadowStyle shadowStyleForLoad(const QString& raw) {
    if (raw == QLatin1String("none")) {
        return ShadowStyle::none;
    }
    if (raw == QLatin1String("hard")) {
        return ShadowStyle::hard;
    }
    return ShadowStyle::soft;
}

ShadowParams shadowParams(ShadowStyle style) {
    switch (style) {
    case ShadowStyle::none:
        return {};
    case ShadowStyle::soft:
        return {0.3, QPointF(2, 4), 8};
    case ShadowStyle::hard:
        return {0.45, QPointF(2, 3), 1};
    }
    return {};
}

} // namespace mebo
