#pragma once

#include "document/LayerEnums.h"
#include "ui/StylePage.h"

namespace mebo::styleoptions {

// The choices shared by several tools' panels, in the enumerations' stored order.

inline QList<StyleOption<ArrowLineStyle>> lineStyles() {
    return {{QStringLiteral("Solid"), ArrowLineStyle::solid, {}},
            {QStringLiteral("Dashed"), ArrowLineStyle::dashed, {}},
            {QStringLiteral("Dotted"), ArrowLineStyle::dotted, {}}};
}

inline QList<StyleOption<LineCap>> lineCaps() {
    return {{QStringLiteral("Butt"), LineCap::butt, {}},
            {QStringLiteral("Round"), LineCap::round, {}},
            {QStringLiteral("Square"), LineCap::square, {}}};
}

inline QList<StyleOption<LineJoin>> lineJoins() {
    return {{QStringLiteral("Miter"), LineJoin::miter, {}},
            {QStringLiteral("Round"), LineJoin::round, {}},
            {QStringLiteral("Bevel"), LineJoin::bevel, {}}};
}

inline QList<StyleOption<TextFontWeight>> fontWeights() {
    return {{QStringLiteral("Regular"), TextFontWeight::regular, {}},
            {QStringLiteral("Medium"), TextFontWeight::medium, {}},
            {QStringLiteral("Semibold"), TextFontWeight::semibold, {}},
            {QStringLiteral("Bold"), TextFontWeight::bold, {}},
            {QStringLiteral("Heavy"), TextFontWeight::heavy, {}}};
}

inline QList<StyleOption<TextAlign>> alignments() {
    return {{QStringLiteral("Left"), TextAlign::left, QStringLiteral("Align left")},
            {QStringLiteral("Center"), TextAlign::center, QStringLiteral("Centre")},
            {QStringLiteral("Right"), TextAlign::right, QStringLiteral("Align right")}};
}

inline QList<StyleOption<TextLineStyle>> textLineStyles() {
    return {{QStringLiteral("Single"), TextLineStyle::single, {}},
            {QStringLiteral("Double"), TextLineStyle::double_, {}},
            {QStringLiteral("Thick"), TextLineStyle::thick, {}}};
}

inline QList<StyleOption<MosaicShape>> mosaicShapes() {
    QList<StyleOption<MosaicShape>> options;
    for (MosaicShape shape : allCases<MosaicShape>()) {
        options.append({mosaicShapeDisplayName(shape), shape, {}});
    }
    return options;
}

} // namespace mebo::styleoptions
