#include "editor/BorderTrim.h"

namespace mebo {

namespace {

// Pixels as 32-bit words; any other format is converted once.
class Pixels {
public:
    explicit Pixels(const QImage& image) {
        const auto f = image.format();
        if (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
            f == QImage::Format_ARGB32_Premultiplied) {
            image_ = image;
        } else {
            image_ =
                image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        }
    }
    QRgb at(int x, int y) const { return reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]; }

    bool rowIs(int y, int left, int right, QRgb c) const {
        const QRgb* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        for (int x = left; x <= right; ++x) {
            if (line[x] != c) {
                return false;
            }
        }
        return true;
    }
    bool columnIs(int x, int top, int bottom, QRgb c) const {
        for (int y = top; y <= bottom; ++y) {
            if (at(x, y) != c) {
                return false;
            }
        }
        return true;
    }

private:
    QImage image_;
};

} // namespace

std::optional<QRect> BorderTrim::keptRect(const QImage& image) {
    if (image.isNull()) {
        return std::nullopt;
    }
    const Pixels px(image);
    // Inclusive bounds of what is left.
    int left = 0, top = 0, right = image.width() - 1, bottom = image.height() - 1;
    // Each edge's colour is the middle pixel of the picture's outermost line on that side: a band
    // crossing the end of another (a full-height side band over the top band) leaves the middle
    // alone, and a uniform content line of another colour is never taken for a border.
    enum { kTop, kBottom, kLeft, kRight };
    const QRgb colour[4] = {px.at(right / 2, 0), px.at(right / 2, bottom), px.at(0, bottom / 2),
                            px.at(right, bottom / 2)};
    auto isBorder = [&](int edge, QRgb c) {
        switch (edge) {
        case kTop:
            return px.rowIs(top, left, right, c);
        case kBottom:
            return px.rowIs(bottom, left, right, c);
        case kLeft:
            return px.columnIs(left, top, bottom, c);
        default:
            return px.columnIs(right, top, bottom, c);
        }
    };
    auto peel = [&](int edge) {
        switch (edge) {
        case kTop:
            ++top;
            break;
        case kBottom:
            --bottom;
            break;
        case kLeft:
            ++left;
            break;
        default:
            --right;
            break;
        }
    };
    bool changed = true;
    while (changed) {
        changed = false;
        for (int edge : {kTop, kBottom, kLeft, kRight}) {
            // A single line left is never a border of both sides.
            while (!((edge == kBottom && bottom == top) || (edge == kRight && right == left)) &&
                   isBorder(edge, colour[edge])) {
                peel(edge);
                changed = true;
                if (top > bottom || left > right) {
                    return std::nullopt; // one colour throughout
                }
            }
        }
    }
    const QRect kept(QPoint(left, top), QPoint(right, bottom));
    if (kept == image.rect()) {
        return std::nullopt;
    }
    return kept;
}

} // namespace mebo
