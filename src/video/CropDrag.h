#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace mebo {

// Drawing the crop on the picture, in fractions of the source frame: a corner or an edge handle
// resizes it, a drag inside moves it. It never leaves the frame nor gets narrower than 0.02 of
// it; with the aspect lock the cropped pixels keep their shape (a corner scales about the
// opposite corner, an edge about the middle of the other sides).
class CropDrag {
public:
    enum class Handle { topLeft, top, topRight, right, bottomRight, bottom, bottomLeft, left, move };
    static constexpr double kMinSide = 0.02;
    // Closer to the frame's edges than this counts as no crop when stored.
    static constexpr double kWholeTolerance = 0.002;

    // The handle whose point lies within `grab` (fractions per side) of `point`, the corners
    // before the edges; inside the crop: move; else nothing.
    static std::optional<Handle> handleAt(const QRectF& crop, QPointF point, QSizeF grab);
    // Where `handle` of `crop` is drawn.
    static QPointF handlePoint(const QRectF& crop, Handle handle);
    // `original` after moving `handle` by `delta` (fractions of the frame) over a source of
    // `sourceSize` pixels.
    static QRectF drag(Handle handle, const QRectF& original, QPointF delta, bool aspectLocked,
                       QSizeF sourceSize);
    // The largest crop of `ratio` (width / height of the cropped pixels) centred where `around`
    // is centred, within the frame.
    static QRectF withAspect(const QRectF& around, double ratio, QSizeF sourceSize);
    // What the project keeps: nothing for (almost) the whole frame, else the crop within it.
    static std::optional<QRectF> stored(const QRectF& crop);
};

} // namespace mebo
