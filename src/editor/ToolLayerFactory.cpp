#include "editor/ToolLayerFactory.h"

#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/EllipseLayer.h"
#include "document/EraserStrokeLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LineLayer.h"
#include "document/MagnifyLayer.h"
#include "document/MosaicLayer.h"
#include "document/PenLayer.h"
#include "document/PolygonLayer.h"
#include "document/RectLayer.h"
#include "document/SimplifyLayer.h"
#include "document/SpotlightLayer.h"
#include "document/StampLayer.h"
#include "document/StepLayer.h"
#include "document/TextLayer.h"

#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

template <typename T> void applyFilledShape(T& layer, const ToolStyles& s) {
    layer.color = s.strokeColor;
    layer.strokeWidth = s.strokeWidth;
    layer.lineStyle = s.shape.lineStyle;
    layer.fillColor = s.shape.fillColor;
    layer.gradient = s.shape.gradient;
    layer.shadow = s.shape.shadow;
    layer.opacity = s.shape.opacity;
}

// Text and callout share their typography settings and field names.
template <typename Layer, typename Style> void applyTypography(Layer& l, const Style& t, double fontSize) {
    l.fontSize = fontSize;
    l.fontWeight = t.fontWeight;
    l.fontFamily = t.fontFamily;
    l.underline = t.underline;
    l.strike = t.strike;
    l.italic = t.italic;
    l.trackingPt = t.tracking;
    l.lineHeightMultiple = t.lineHeightMultiple;
    l.underlineStyle = t.underlineStyle;
    l.strikeStyle = t.strikeStyle;
    l.align = t.align;
    l.shadow = t.shadow;
    l.opacity = t.opacity;
}

std::shared_ptr<MosaicLayer> mosaic(const ToolStyles& s, const QRectF& rect, const QList<QPointF>& lasso,
                                    bool blur) {
    auto l = std::make_shared<MosaicLayer>();
    const MosaicToolStyle& m = s.mosaic;
    l->rect = rect;
    l->style = blur ? MosaicStyle::gaussian : m.style;
    l->intensity = l->style == MosaicStyle::gaussian ? m.blurRadius : m.blockSize;
    l->solidColor = m.solidColor;
    l->shape = m.shape;
    l->cornerRadius = m.cornerRadius;
    if (m.shape == MosaicShape::polygon) {
        l->polygonPoints = lasso;
    }
    return l;
}

} // namespace

bool ToolLayerFactory::isBoxTool(ToolKind tool) {
    switch (tool) {
    case ToolKind::rect:
    case ToolKind::ellipse:
    case ToolKind::polygon:
    case ToolKind::highlighter:
    case ToolKind::mosaic:
    case ToolKind::blur:
    case ToolKind::spotlight:
    case ToolKind::simplify:
        return true;
    default:
        return false;
    }
}

QRectF ToolLayerFactory::creationBox(ToolKind tool, const ToolStyles& styles, const QRectF& drag) {
    const QRectF r = drag.normalized();
    if (tool != ToolKind::highlighter) {
        return r;
    }
    // About one line of text at the text tool's size.
    const double band = std::max(12.0, styles.fontSize);
    constexpr double kFlat = 6; // thinner than this along one side: a stroke along the other
    if (r.height() < kFlat && r.width() >= kFlat) {
        return QRectF(r.left(), r.center().y() - band / 2, r.width(), band);
    }
    if (r.width() < kFlat && r.height() >= kFlat) {
        return QRectF(r.center().x() - band / 2, r.top(), band, r.height());
    }
    return r;
}

LayerPtr ToolLayerFactory::boxLayer(ToolKind tool, const ToolStyles& s, const QRectF& rect,
                                    const QList<QPointF>& lasso, const QImage& base) {
    const QRectF r = rect.normalized();
    switch (tool) {
    case ToolKind::rect: {
        auto l = std::make_shared<RectLayer>();
        applyFilledShape(*l, s);
        l->rect = r;
        l->cornerRadius = std::max(0.0, s.shape.rectCornerRadius);
        return l;
    }
    case ToolKind::ellipse: {
        auto l = std::make_shared<EllipseLayer>();
        applyFilledShape(*l, s);
        l->rect = r;
        return l;
    }
    case ToolKind::polygon: {
        auto l = std::make_shared<PolygonLayer>();
        applyFilledShape(*l, s);
        l->rect = r;
        l->sides = std::clamp(s.shape.polygonSides, 3, 12);
        l->innerRatio = std::clamp(s.shape.polygonInnerRatio, 0.1, 1.0);
        return l;
    }
    case ToolKind::highlighter: {
        auto l = std::make_shared<HighlighterLayer>();
        const HighlighterToolStyle& h = s.highlighter;
        l->rect = r;
        l->color = s.strokeColor;
        l->shape = h.shape;
        l->cornerRadius = h.cornerRadius;
        l->underlineThickness = h.underlineThickness;
        l->shadow = h.shadow;
        l->opacity = h.opacity;
        return l;
    }
    case ToolKind::mosaic:
    case ToolKind::blur:
        return mosaic(s, r, lasso, tool == ToolKind::blur);
    case ToolKind::spotlight: {
        auto l = std::make_shared<SpotlightLayer>();
        const SpotlightToolStyle& sp = s.spotlight;
        l->rect = r;
        l->dimAlpha = sp.dimAlpha;
        l->shape = sp.shape;
        l->borderColor = sp.borderColor;
        l->borderWidth = sp.borderWidth;
        l->cornerRadius = sp.cornerRadius;
        l->borderStyle = sp.borderStyle;
        l->dimColor = sp.dimColor;
        return l;
    }
    case ToolKind::simplify: {
        auto l = std::make_shared<SimplifyLayer>();
        const SimplifyToolStyle& si = s.simplify;
        l->rect = r;
        l->fillColor = edgeColor(base, r);
        l->shape = si.shape;
        l->borderColor = si.borderColor;
        l->borderWidth = si.borderWidth;
        l->cornerRadius = si.cornerRadius;
        l->borderStyle = si.borderStyle;
        return l;
    }
    default:
        return nullptr;
    }
}

std::shared_ptr<ArrowLayer> ToolLayerFactory::arrow(const ToolStyles& s, const QPointF& start,
                                                    const QPointF& end) {
    auto l = std::make_shared<ArrowLayer>();
    const ArrowToolStyle& a = s.arrow;
    l->start = start;
    l->end = end;
    l->color = s.strokeColor;
    l->strokeWidth = s.strokeWidth;
    l->headStyle = a.headStyle;
    l->lineStyle = a.lineStyle;
    l->headSize = a.headSize;
    l->startSize = a.startSize;
    l->endSize = a.endSize;
    l->headOutline = a.headOutline;
    l->headOutlineWidth = a.headOutlineWidth;
    l->headColor = a.headColor;
    l->headOutlineColor = a.headOutlineColor;
    l->headOutlineStyle = a.headOutlineStyle;
    l->lineCap = a.lineCap;
    l->shadow = a.shadow;
    l->opacity = a.opacity;
    return l;
}

// The line tool has no shadow or opacity of its own; it shares the shape tools' with their dash
// style.
std::shared_ptr<LineLayer> ToolLayerFactory::line(const ToolStyles& s, const QPointF& start,
                                                  const QPointF& end) {
    auto l = std::make_shared<LineLayer>();
    l->start = start;
    l->end = end;
    l->color = s.strokeColor;
    l->strokeWidth = s.strokeWidth;
    l->lineStyle = s.shape.lineStyle;
    l->lineCap = s.line.lineCap;
    l->shadow = s.shape.shadow;
    l->opacity = s.shape.opacity;
    return l;
}

std::shared_ptr<PenLayer> ToolLayerFactory::pen(const ToolStyles& s, const QList<QPointF>& points) {
    auto l = std::make_shared<PenLayer>();
    const PenToolStyle& p = s.pen;
    l->points = points;
    l->color = s.strokeColor;
    l->strokeWidth = s.strokeWidth;
    l->smoothCurves = p.smoothCurves;
    l->lineStyle = p.lineStyle;
    l->lineCap = p.lineCap;
    l->lineJoin = p.lineJoin;
    l->shadow = p.shadow;
    l->opacity = p.opacity;
    return l;
}

std::shared_ptr<EraserStrokeLayer> ToolLayerFactory::eraser(const ToolStyles& s,
                                                            const QList<QPointF>& points) {
    auto l = std::make_shared<EraserStrokeLayer>();
    l->points = points;
    l->width = s.eraser.width;
    return l;
}

std::shared_ptr<TextLayer> ToolLayerFactory::text(const ToolStyles& s, const QPointF& position) {
    auto l = std::make_shared<TextLayer>();
    const TextToolStyle& t = s.text;
    l->position = position;
    l->color = s.strokeColor;
    applyTypography(*l, t, s.fontSize);
    l->outlineColor = t.outlineColor;
    l->backgroundColor = t.backgroundColor;
    l->backgroundCornerRadius = t.backgroundCornerRadius;
    l->outlineWidthPercent = t.outlineWidthPercent;
    l->backgroundPadding = t.backgroundPadding;
    return l;
}

std::shared_ptr<CalloutLayer> ToolLayerFactory::callout(const ToolStyles& s, const QRectF& rect) {
    auto l = std::make_shared<CalloutLayer>();
    const CalloutToolStyle& c = s.callout;
    const QRectF r = rect.normalized();
    l->rect = r;
    // Below the body, a fifth in from its left edge: clear of the body so the tail shows.
    l->tails = {QPointF(r.left() + r.width() * 0.2, r.bottom() + std::max(24.0, r.height() * 0.4))};
    l->color = s.strokeColor;
    applyTypography(*l, c, s.fontSize);
    l->outlineColor = c.outlineColor;
    l->outlineWidth = c.outlineWidth;
    l->textColor = c.textColor;
    l->padding = c.padding;
    l->outlineStyle = c.outlineStyle;
    l->shape = c.shape;
    l->tailStyle = c.tailStyle;
    l->gradient = c.gradient;
    l->cornerRadius = c.cornerRadius;
    l->tailColor = c.tailColor;
    l->tailSize = c.tailSize;
    l->tailLineStyle = c.tailLineStyle;
    l->tailLineCap = c.tailLineCap;
    l->tailAnchor = c.tailAnchor;
    return l;
}

std::shared_ptr<StepLayer> ToolLayerFactory::step(const ToolStyles& s, const QPointF& center) {
    auto l = std::make_shared<StepLayer>();
    const StepToolStyle& st = s.step;
    l->center = center;
    l->number = st.count;
    l->color = s.strokeColor;
    l->radius = st.radius;
    l->textColor = st.textColor;
    l->sequence = st.sequence;
    l->shape = st.shape;
    l->outlineColor = st.outlineColor;
    l->outlineWidth = st.outlineWidth;
    l->fontWeight = st.fontWeight;
    l->outlineStyle = st.outlineStyle;
    l->fontFamily = st.fontFamily;
    l->cornerRadius = st.cornerRadius;
    l->shadow = st.shadow;
    l->opacity = st.opacity;
    return l;
}

std::shared_ptr<StampLayer> ToolLayerFactory::stamp(const ToolStyles& s, const QPointF& center) {
    auto l = std::make_shared<StampLayer>();
    const StampToolStyle& st = s.stamp;
    l->center = center;
    l->symbolName = st.symbol;
    if (st.customImagePath && !st.customImagePath->isEmpty()) {
        l->imagePath = st.customImagePath;
    }
    l->color = s.strokeColor;
    l->size = st.size;
    l->shadow = st.shadow;
    l->opacity = st.opacity;
    return l;
}

std::shared_ptr<MagnifyLayer> ToolLayerFactory::magnify(const ToolStyles& s, const QPointF& center) {
    auto l = std::make_shared<MagnifyLayer>();
    const MagnifyToolStyle& m = s.magnify;
    l->center = center;
    l->size = QSizeF(m.lensSize, m.lensSize);
    l->zoomLevel = m.zoom;
    l->shape = m.shape;
    l->borderWidth = m.borderWidth;
    l->borderStyle = m.borderStyle;
    l->sourceOffset = QSizeF(m.sourceOffsetX, m.sourceOffsetY);
    l->cornerRadius = m.cornerRadius;
    l->shadow = m.shadow;
    l->opacity = m.opacity;
    return l;
}

QColor ToolLayerFactory::edgeColor(const QImage& base, const QRectF& rect) {
    const QRect r = rect.toAlignedRect().intersected(base.rect());
    if (base.isNull() || r.isEmpty()) {
        return Qt::white;
    }
    // Every pixel of the box's one-pixel frame, summed as straight RGBA.
    double sum[4] = {0, 0, 0, 0};
    int n = 0;
    auto add = [&](int x, int y) {
        const QColor c = base.pixelColor(x, y);
        sum[0] += c.redF();
        sum[1] += c.greenF();
        sum[2] += c.blueF();
        sum[3] += c.alphaF();
        ++n;
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        add(x, r.top());
        if (r.bottom() != r.top()) {
            add(x, r.bottom());
        }
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        add(r.left(), y);
        if (r.right() != r.left()) {
            add(r.right(), y);
        }
    }
    return QColor::fromRgbF(float(sum[0] / n), float(sum[1] / n), float(sum[2] / n), float(sum[3] / n));
}

} // namespace mebo
