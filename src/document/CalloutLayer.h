#pragma once

#include "document/AnnotationTextLayout.h"
#include "document/DrawingLayer.h"
#include "document/GradientFill.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTransform>
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

    // One tail, in the body's unrotated frame (see bodyTransform).
    struct Tail {
        CalloutTailAnchor edge = CalloutTailAnchor::bottom; // the edge it leaves from
        QPointF tip;
        QPointF baseCenter; // on the edge
        QPointF base1;      // the base's ends, on the edge, baseCenter -/+ halfWidth along it
        QPointF base2;
        double halfWidth = 0;
    };

    // Tail size: max(6, min(tailSize, short side / 2)) when set, else
    // min(18, max(8, 0.1 * short side)).
    double effectiveTailSize() const;
    // Half-width of a tail's base: 0.35 * corner radius, but at least three quarters of the tail
    // size (so square-cornered bodies still get a wedge), and at most 0.22 * the short side.
    double tailHalfWidth() const;
    // The tail reaching `tip` (image space): it leaves the edge facing the tip, or the one
    // tailAnchor names; its centre follows the tip along the edge but stays the half-width plus a
    // margin (the corner radius; at most 4 on an edge too short for that) from the edge's ends, or
    // sits in the edge's middle when even that does not fit. Nothing when the tip lies inside the
    // body or within 0.5 of its outline.
    std::optional<Tail> tailGeometry(const QPointF& tip) const;
    // The wedge of a triangle tail, reaching a little into the body so that body and wedge merge.
    QPainterPath tailWedge(const Tail& tail) const;

    // Rotation by `rotation` about the centre of rect: from the body's frame to image space.
    QTransform bodyTransform() const;
    // The body's outline in its own frame, and in image space.
    QPainterPath localBodyPath() const;
    QPainterPath bodyPath() const;
    // Where the text is laid out, in the body's frame: the body's inner area inset by padding.
    QRectF textRect() const;
    AnnotationTextLayout::Style textStyle() const;
    // The body grown (never shrunk) in height until its text fits inside it, away from the tails:
    // downwards, or upwards when a tail points below the body. Width and rotation stay.
    QRectF rectFittingText() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "CalloutLayer"; }

private:
    struct ArrowTail {
        QPointF start; // inside the body, hidden under it
        QPointF shaftEnd;
        QPolygonF head;
        double width = 0;
    };
    QList<Tail> visibleTails() const;
    ArrowTail arrowTail(const Tail& tail) const;
    double arrowTailWidth() const;
    double outlinePenWidth() const; // 0 without an outline
    QPainterPath localSilhouette(const QList<Tail>& tails) const;
    QRectF localTextBox(const AnnotationTextLayout& layout) const;
};

} // namespace mebo
