#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <QString>
#include <optional>

namespace mebo {

// A numbered badge.
class StepLayer final : public DrawingLayer {
public:
    StepLayer() : DrawingLayer(ToolKind::step) {}

    QPointF center;
    int number = 1;
    QColor color = Qt::red;
    double radius = 16;
    QColor textColor = Qt::white;
    StepSequence sequence = StepSequence::numeric;
    StepShape shape = StepShape::circle;
    QColor outlineColor = Qt::black;
    double outlineWidth = 0;
    TextFontWeight fontWeight = TextFontWeight::bold;
    ArrowLineStyle outlineStyle = ArrowLineStyle::solid;
    QString fontFamily;
    std::optional<double> cornerRadius;

    // The label of `number` in `sequence` ("IV" for 4 in upper Roman).
    static QString label(int number, StepSequence sequence);
    // 1 to 26 give one letter, then two letters (27 "AA", 28 "AB" ... 702 "ZZ"), then three.
    static QString letters(int number);
    // Upper-case Roman numeral of 1 to 3999; empty outside that range.
    static QString roman(int number);

    // The square of side 2 * radius around center.
    QRectF badgeBox() const;
    // The badge's outline in image space.
    QPainterPath badgePath() const;
    // Corner radius of the rounded square: cornerRadius when set, else 0.4 * radius; limited to
    // half the side.
    double roundedSquareRadius() const;
    // Outline width, never negative.
    double effectiveOutlineWidth() const;
    // The label's glyph outlines, sized to fit the badge and centred on it.
    QPainterPath labelPath() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "StepLayer"; }
};

} // namespace mebo
