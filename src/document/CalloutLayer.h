#pragma once

#include "document/DrawingLayer.h"
#include "document/GradientFill.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QString>
#include <optional>

namespace mebo {

// A speech callout: a body box with text and tails pointing at tips.
class CalloutLayer final : public DrawingLayer {
public:
    CalloutLayer() : DrawingLayer(ToolKind::callout) {}

    QRectF rect;
    QList<QPointF> tails; // tail tips
    QString text;
    QColor color = Qt::white; // body fill
    double fontSize = 18;
    std::optional<QColor> outlineColor;
    double outlineWidth = 2;
    QColor textColor = Qt::black;
    TextFontWeight fontWeight = TextFontWeight::semibold;
    QString fontFamily;
    bool underline = false;
    bool strike = false;
    bool italic = false;
    std::optional<double> trackingPt;
    std::optional<double> lineHeightMultiple;
    std::optional<TextLineStyle> underlineStyle;
    std::optional<TextLineStyle> strikeStyle;
    TextAlign align = TextAlign::center;
    CalloutShape shape = CalloutShape::speechBubble;
    CalloutTailStyle tailStyle = CalloutTailStyle::triangle;
    double rotation = 0; // radians
    double padding = 8;
    ArrowLineStyle outlineStyle = ArrowLineStyle::solid;
    std::optional<GradientFill> gradient;
    std::optional<double> cornerRadius;
    std::optional<QColor> tailColor;
    std::optional<double> tailSize;
    std::optional<ArrowLineStyle> tailLineStyle;
    std::optional<LineCap> tailLineCap;
    std::optional<CalloutTailAnchor> tailAnchor;

    // The corner radius used for the body: the set one limited to half the short side, else the
    // shape's default.
    double effectiveCornerRadius() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "CalloutLayer"; }
};

} // namespace mebo
