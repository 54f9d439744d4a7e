#include "document/StrokeStyle.h"

#include <QPainter>
#include <QPainterPathStroker>

namespace mebo {

QList<qreal> dashPattern(ArrowLineStyle style) {
    switch (style) {
    case ArrowLineStyle::solid:
        return {};
    case ArrowLineStyle::dashed:
        return {8, 5};
    case ArrowLineStyle::dotted:
        return {2, 4};
    }
    return {};
}

Qt::PenCapStyle capStyle(ArrowLineStyle style, std::optional<LineCap> cap) {
    if (cap) {
        switch (*cap) {
        case LineCap::butt:
            return Qt::FlatCap;
        case LineCap::round:
            return Qt::RoundCap;
        case LineCap::square:
            return Qt::SquareCap;
        }
    }
    return style == ArrowLineStyle::solid ? Qt::RoundCap : Qt::FlatCap;
}

Qt::PenJoinStyle joinStyle(std::optional<LineJoin> join) {
    if (!join) {
        return Qt::RoundJoin;
    }
    switch (*join) {
    case LineJoin::miter:
        return Qt::MiterJoin;
    case LineJoin::round:
        return Qt::RoundJoin;
    case LineJoin::bevel:
        return Qt::BevelJoin;
    }
    return Qt::RoundJoin;
}

QPen strokePen(const QColor& color, double width, ArrowLineStyle style, std::optional<LineCap> cap,
               std::optional<LineJoin> join) {
    QPen pen(color);
    pen.setWidthF(width);
    pen.setCapStyle(capStyle(style, cap));
    pen.setJoinStyle(joinStyle(join));
    pen.setMiterLimit(2);
    const QList<qreal> dashes = dashPattern(style);
    if (!dashes.isEmpty() && width > 0) {
        // QPen measures dashes in stroke widths; ours are image units.
        QList<qreal> scaled;
        for (qreal d : dashes) {
            scaled << d / width;
        }
        pen.setDashPattern(scaled);
    }
    return pen;
}

void strokeShape(QPainter& painter, const QPainterPath& path, const QPen& pen) {
    if (pen.style() == Qt::SolidLine || pen.style() == Qt::NoPen || pen.isCosmetic()) {
        painter.strokePath(path, pen);
        return;
    }
    // The painter's own dasher skips the dashes outside its device and restarts the pattern where
    // the path comes back in, so a stroke crossing the device's edge would dash differently.
    painter.fillPath(QPainterPathStroker(pen).createStroke(path), pen.brush());
}

} // namespace mebo
