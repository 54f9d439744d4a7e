#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

namespace mebo {

// The small mark in the bottom-right corner of exported GIF frames: the product's name in a bold
// face, light grey with a dark outline so it reads on any picture. Prepared once per export for
// the frame size; stamping is a single image draw.
class MediaWatermark {
public:
    static constexpr const char* kText = "Mebo";

    explicit MediaWatermark(QSize frame);

    // min(w, h) × 0.035 within [12, 54].
    static double fontSize(QSize frame);
    // The outline's width: s × 0.12, at least 2. The inset from the right and bottom edges:
    // s × 0.9, at most 36.
    static double outlineWidth(double fontSize);
    static double inset(double fontSize);

    // Draws the mark onto `frame` (of the prepared size).
    void stamp(QImage& frame) const;
    // Where the mark's picture goes in the frame, and the picture (premultiplied ARGB).
    QPoint origin() const { return origin_; }
    const QImage& image() const { return image_; }

private:
    QImage image_;
    QPoint origin_;
};

} // namespace mebo
