#include "editor/LayerHandles.h"

#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/EllipseLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LineLayer.h"
#include "document/MagnifyLayer.h"
#include "document/MosaicLayer.h"
#include "document/PasteImageLayer.h"
#include "document/PolygonLayer.h"
#include "document/RectLayer.h"
#include "document/SimplifyLayer.h"
#include "document/SpotlightLayer.h"
#include "document/StampLayer.h"
#include "document/StepLayer.h"

#include <cmath>
#include <optional>

namespace mebo {

namespace {

// A rectangle-like layer's box: `rect` turned by `rotation` (radians) about its centre. Square
// boxes (stamp, step) stay square when resized.
struct Box {
    QRectF rect;
    double rotation = 0;
    bool square = false;
};

template <typename T> const T* as(const DrawingLayer& layer) {
    return dynamic_cast<const T*>(&layer);
}

std::optional<Box> boxOf(const DrawingLayer& layer) {
    if (auto* l = as<RectLayer>(layer)) {
        return Box{l->rect.normalized(), l->rotation};
    }
    if (auto* l = as<EllipseLayer>(layer)) {
        return Box{l->rect.normalized(), l->rotation};
    }
    if (auto* l = as<PolygonLayer>(layer)) {
        return Box{l->rect.normalized(), l->rotation};
    }
    if (auto* l = as<CalloutLayer>(layer)) {
        return Box{l->rect.normalized(), l->rotation};
    }
    if (auto* l = as<HighlighterLayer>(layer)) {
        return Box{l->rect.normalized()};
    }
    if (auto* l = as<MosaicLayer>(layer)) {
        return Box{l->rect.normalized()};
    }
    if (auto* l = as<SpotlightLayer>(layer)) {
        return Box{l->rect.normalized()};
    }
    if (auto* l = as<SimplifyLayer>(layer)) {
        return Box{l->rect.normalized()};
    }
    if (auto* l = as<PasteImageLayer>(layer)) {
        return Box{l->rect.normalized()};
    }
    if (auto* l = as<StampLayer>(layer)) {
        return Box{l->box().normalized(), l->rotation, true};
    }
    if (auto* l = as<StepLayer>(layer)) {
        const double r = std::abs(l->radius);
        return Box{QRectF(l->center.x() - r, l->center.y() - r, 2 * r, 2 * r), 0, true};
    }
    if (auto* l = as<MagnifyLayer>(layer)) {
        return Box{l->lensRect()};
    }
    return std::nullopt;
}

template <typename T> std::shared_ptr<T> copyOf(const DrawingLayer& layer) {
    return std::make_shared<T>(*as<T>(layer));
}

// The same kind of layer with its box replaced by `r`.
LayerPtr withBox(const DrawingLayer& layer, const QRectF& r) {
    if (as<RectLayer>(layer)) {
        auto c = copyOf<RectLayer>(layer);
        c->rect = r;
        return c;
    }
    if (as<EllipseLayer>(layer)) {
        auto c = copyOf<EllipseLayer>(layer);
        c->rect = r;
        return c;
    }
    if (as<PolygonLayer>(layer)) {
        auto c = copyOf<PolygonLayer>(layer);
        c->rect = r;
        return c;
    }
    if (as<CalloutLayer>(layer)) {
        auto c = copyOf<CalloutLayer>(layer);
        c->rect = r;
        return c;
    }
    if (as<HighlighterLayer>(layer)) {
        auto c = copyOf<HighlighterLayer>(layer);
        c->rect = r;
        return c;
    }
    if (as<MosaicLayer>(layer)) {
        auto c = copyOf<MosaicLayer>(layer);
        // A lasso is stretched with its box.
        const QRectF old = c->rect.normalized();
        if (old.width() > 0 && old.height() > 0) {
            for (QPointF& p : c->polygonPoints) {
                p = QPointF(r.left() + (p.x() - old.left()) / old.width() * r.width(),
                            r.top() + (p.y() - old.top()) / old.height() * r.height());
            }
        }
        c->rect = r;
        return c;
    }
    if (as<SpotlightLayer>(layer)) {
        auto c = copyOf<SpotlightLayer>(layer);
        c->rect = r;
        return c;
    }
    if (as<SimplifyLayer>(layer)) {
        auto c = copyOf<SimplifyLayer>(layer);
        c->rect = r;
        return c;
    }
    if (as<PasteImageLayer>(layer)) {
        auto c = copyOf<PasteImageLayer>(layer);
        c->rect = r;
        return c;
    }
    if (as<StampLayer>(layer)) {
        auto c = copyOf<StampLayer>(layer);
        c->center = r.center();
        c->size = r.width();
        return c;
    }
    if (as<StepLayer>(layer)) {
        auto c = copyOf<StepLayer>(layer);
        c->center = r.center();
        c->radius = r.width() / 2;
        return c;
    }
    if (as<MagnifyLayer>(layer)) {
        auto c = copyOf<MagnifyLayer>(layer);
        c->center = r.center();
        c->size = r.size();
        return c;
    }
    return nullptr;
}

bool isBoxHandle(HandleKind k) {
    return k <= HandleKind::left;
}

HandleKind opposite(HandleKind k) {
    return static_cast<HandleKind>((static_cast<int>(k) + 4) % 8);
}

// The handle's place on the unturned box.
QPointF localPosition(const QRectF& r, HandleKind k) {
    const QPointF c = r.center();
    switch (k) {
    case HandleKind::topLeft:
        return r.topLeft();
    case HandleKind::top:
        return {c.x(), r.top()};
    case HandleKind::topRight:
        return r.topRight();
    case HandleKind::right:
        return {r.right(), c.y()};
    case HandleKind::bottomRight:
        return r.bottomRight();
    case HandleKind::bottom:
        return {c.x(), r.bottom()};
    case HandleKind::bottomLeft:
        return r.bottomLeft();
    default:
        return {r.left(), c.y()};
    }
}

QPointF turned(const QPointF& p, const QPointF& center, double rotation) {
    if (rotation == 0) {
        return p;
    }
    const double c = std::cos(rotation), s = std::sin(rotation);
    const QPointF d = p - center;
    return center + QPointF(d.x() * c - d.y() * s, d.x() * s + d.y() * c);
}

QPointF worldPosition(const Box& box, HandleKind k) {
    return turned(localPosition(box.rect, k), box.rect.center(), box.rotation);
}

double dot(const QPointF& a, const QPointF& b) {
    return a.x() * b.x() + a.y() * b.y();
}

// The box after dragging handle `k` to `p`. The opposite handle stays where it is on screen, also
// for a turned box: the drag is measured along the box's own axes u and v.
QRectF resizedBox(const Box& box, HandleKind k, const QPointF& p) {
    const QPointF anchor = worldPosition(box, opposite(k));
    const QPointF u(std::cos(box.rotation), std::sin(box.rotation));
    const QPointF v(-u.y(), u.x());
    double du = dot(p - anchor, u);
    double dv = dot(p - anchor, v);
    auto sign = [](double x) { return x < 0 ? -1.0 : 1.0; };
    constexpr double kMinSide = 1;
    const bool corner = k == HandleKind::topLeft || k == HandleKind::topRight ||
                        k == HandleKind::bottomLeft || k == HandleKind::bottomRight;
    double w = box.rect.width(), h = box.rect.height();
    QPointF center;
    if (corner) {
        w = std::max(std::abs(du), kMinSide);
        h = std::max(std::abs(dv), kMinSide);
        if (box.square) {
            w = h = std::max(w, h);
        }
        center = anchor + u * (sign(du) * w / 2) + v * (sign(dv) * h / 2);
    } else if (k == HandleKind::left || k == HandleKind::right) {
        w = std::max(std::abs(du), kMinSide);
        if (box.square) {
            h = w;
        }
        center = anchor + u * (sign(du) * w / 2);
    } else {
        h = std::max(std::abs(dv), kMinSide);
        if (box.square) {
            w = h;
        }
        center = anchor + v * (sign(dv) * h / 2);
    }
    return {center.x() - w / 2, center.y() - h / 2, w, h};
}

// --- arrow curves ---

QPointF lerp(const QPointF& a, const QPointF& b, double t) {
    return a + (b - a) * t;
}

// The arrow's shaft as a cubic (start, c1, c2, end): a straight or quadratic shaft raised to
// degree three, which leaves its shape unchanged.
std::pair<QPointF, QPointF> cubicControls(const ArrowLayer& a) {
    if (a.controlPoint && a.controlPoint2) {
        return {*a.controlPoint, *a.controlPoint2};
    }
    if (a.controlPoint) {
        return {lerp(a.start, *a.controlPoint, 2.0 / 3.0), lerp(a.end, *a.controlPoint, 2.0 / 3.0)};
    }
    return {lerp(a.start, a.end, 1.0 / 3.0), lerp(a.start, a.end, 2.0 / 3.0)};
}

QPointF curvePoint(const ArrowLayer& a, double t) {
    const auto [c1, c2] = cubicControls(a);
    const double s = 1 - t;
    return a.start * (s * s * s) + c1 * (3 * s * s * t) + c2 * (3 * s * t * t) + a.end * (t * t * t);
}

} // namespace

// Arrow handles: start and end; mid, quarter1 and quarter2 on the shaft at t = 0.5, 0.25 and 0.75;
// mid2 on a cubic arrow's second control point.
// - mid on a straight or quadratic arrow makes it the quadratic through the dragged point at
//   t = 0.5 (controlPoint = 2 * point - (start + end) / 2); on a cubic arrow it shifts both control
//   points alike, by 4/3 of the handle's travel, so the curve's middle follows the pointer.
// - a quarter handle makes the arrow cubic so that the curve passes through the dragged point at
//   its t while the other quarter point stays: B(1/4) and B(3/4) give two linear equations in the
//   two control points.
// - mid2 places controlPoint2 directly.
QList<LayerHandle> LayerHandles::of(const DrawingLayer& layer) {
    QList<LayerHandle> out;
    if (auto* a = as<ArrowLayer>(layer)) {
        out = {{HandleKind::start, a->start},
               {HandleKind::end, a->end},
               {HandleKind::mid, curvePoint(*a, 0.5)},
               {HandleKind::quarter1, curvePoint(*a, 0.25)},
               {HandleKind::quarter2, curvePoint(*a, 0.75)}};
        if (a->controlPoint && a->controlPoint2) {
            out.append({HandleKind::mid2, *a->controlPoint2});
        }
        return out;
    }
    if (auto* l = as<LineLayer>(layer)) {
        return {{HandleKind::start, l->start}, {HandleKind::end, l->end}};
    }
    if (const auto box = boxOf(layer)) {
        for (int k = 0; k < 8; ++k) {
            const auto kind = static_cast<HandleKind>(k);
            out.append({kind, worldPosition(*box, kind)});
        }
    }
    if (auto* m = as<MagnifyLayer>(layer)) {
        out.append({HandleKind::magnifySource,
                    m->center + QPointF(m->sourceOffset.width(), m->sourceOffset.height())});
    }
    if (auto* c = as<CalloutLayer>(layer)) {
        for (int i = 0; i < c->tails.size(); ++i) {
            out.append({HandleKind::calloutTail, c->tails[i], i});
        }
    }
    return out;
}

LayerPtr LayerHandles::dragged(const DrawingLayer& original, const LayerHandle& handle, const QPointF& p) {
    const HandleKind k = handle.kind;
    if (isBoxHandle(k)) {
        const auto box = boxOf(original);
        return box ? withBox(original, resizedBox(*box, k, p)) : nullptr;
    }
    if (auto* a = as<ArrowLayer>(original)) {
        auto c = std::make_shared<ArrowLayer>(*a);
        switch (k) {
        case HandleKind::start:
            c->start = p;
            return c;
        case HandleKind::end:
            c->end = p;
            return c;
        case HandleKind::mid:
            if (a->controlPoint && a->controlPoint2) {
                const QPointF shift = (p - curvePoint(*a, 0.5)) * (4.0 / 3.0);
                c->controlPoint = *a->controlPoint + shift;
                c->controlPoint2 = *a->controlPoint2 + shift;
            } else {
                c->controlPoint = p * 2 - (a->start + a->end) / 2;
            }
            return c;
        case HandleKind::mid2:
            if (!a->controlPoint2) {
                return nullptr;
            }
            c->controlPoint2 = p;
            return c;
        case HandleKind::quarter1:
        case HandleKind::quarter2: {
            const QPointF p1 = k == HandleKind::quarter1 ? p : curvePoint(*a, 0.25);
            const QPointF p3 = k == HandleKind::quarter2 ? p : curvePoint(*a, 0.75);
            // 64 B(1/4) = 27 s + 27 c1 + 9 c2 + e and 64 B(3/4) = s + 9 c1 + 27 c2 + 27 e.
            const QPointF lhs1 = p1 * 64 - a->start * 27 - a->end;
            const QPointF lhs3 = p3 * 64 - a->start - a->end * 27;
            c->controlPoint = (lhs1 * 27 - lhs3 * 9) / 648;
            c->controlPoint2 = (lhs3 * 27 - lhs1 * 9) / 648;
            return c;
        }
        default:
            return nullptr;
        }
    }
    if (auto* l = as<LineLayer>(original)) {
        if (k != HandleKind::start && k != HandleKind::end) {
            return nullptr;
        }
        auto c = std::make_shared<LineLayer>(*l);
        (k == HandleKind::start ? c->start : c->end) = p;
        return c;
    }
    if (auto* m = as<MagnifyLayer>(original); m && k == HandleKind::magnifySource) {
        auto c = std::make_shared<MagnifyLayer>(*m);
        c->sourceOffset = QSizeF(p.x() - m->center.x(), p.y() - m->center.y());
        return c;
    }
    if (auto* co = as<CalloutLayer>(original); co && k == HandleKind::calloutTail) {
        if (handle.index < 0 || handle.index >= co->tails.size()) {
            return nullptr;
        }
        auto c = std::make_shared<CalloutLayer>(*co);
        c->tails[handle.index] = p;
        return c;
    }
    return nullptr;
}

Qt::CursorShape LayerHandles::cursor(HandleKind kind) {
    switch (kind) {
    case HandleKind::topLeft:
    case HandleKind::bottomRight:
        return Qt::SizeFDiagCursor;
    case HandleKind::topRight:
    case HandleKind::bottomLeft:
        return Qt::SizeBDiagCursor;
    case HandleKind::top:
    case HandleKind::bottom:
        return Qt::SizeVerCursor;
    case HandleKind::left:
    case HandleKind::right:
        return Qt::SizeHorCursor;
    default:
        return Qt::PointingHandCursor;
    }
}

} // namespace mebo
