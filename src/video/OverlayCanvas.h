#pragma once

#include "video/CursorPoint.h"
#include "video/FrameOverlay.h"

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <memory>
#include <optional>
#include <vector>

namespace mebo {

// A position normalised to the frame (clamped to 0...1) in the frame's space.
QPointF overlayPosition(const CursorPoint& point, const QRectF& frameRect);
// The smallest rectangle holding every point (QRectF::united ignores empty rectangles).
QRectF boundsOf(const QList<QPointF>& points);

// The transparent bitmap an overlay is drawn into: `area` intersected with `limit`, rounded
// outward, in the frame's bottom-left space; map() turns a point of that space into the bitmap's
// top-down pixels. Antialiased.
class OverlayCanvas {
public:
    OverlayCanvas(const QRectF& area, const QRectF& limit);
    bool isValid() const { return !image_.isNull(); }
    QPainter& painter() { return *painter_; }
    QPointF map(const QPointF& p) const;
    FrameOverlay finish();

private:
    QRect area_;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
};

} // namespace mebo
