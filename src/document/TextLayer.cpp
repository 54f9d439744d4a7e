#include "document/TextLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace mebo {

namespace {

constexpr double kVisibleAlpha = 0.01;
constexpr double kDefaultOutlinePercent = 30;
constexpr double kDefaultBackgroundRadius = 6;

// Squared distances along one line to the nearest zero of f: the lower envelope of parabolas
// rooted at every sample (Felzenszwalb and Huttenlocher).
void distanceLine(const float* f, float* d, int n, int* v, float* z) {
    constexpr float kInf = 1e20f;
    int k = 0;
    v[0] = 0;
    z[0] = -kInf;
    z[1] = kInf;
    for (int q = 1; q < n; ++q) {
        float s = 0;
        while (true) {
            s = ((f[q] + float(q) * q) - (f[v[k]] + float(v[k]) * v[k])) / (2.0f * float(q - v[k]));
            if (s > z[k] || k == 0) {
                break;
            }
            --k;
        }
        if (s <= z[k]) {
            v[0] = q; // the new parabola lies below the first everywhere
            z[1] = kInf;
            continue;
        }
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = kInf;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[k + 1] < float(q)) {
            ++k;
        }
        const float dq = float(q - v[k]);
        d[q] = dq * dq + f[v[k]];
    }
}

// Grows a coverage mask by `radius` pixels with an antialiased rim: every pixel keeps the larger
// of its own coverage and its nearness to a pixel that is at least half covered.
void dilateCoverage(QImage& mask, double radius) {
    const int w = mask.width();
    const int h = mask.height();
    if (w == 0 || h == 0 || !(radius > 0)) {
        return;
    }
    constexpr float kInf = 1e20f;
    const int n = std::max(w, h);
    std::vector<float> grid(size_t(w) * size_t(h));
    std::vector<float> f(static_cast<size_t>(n)), d(static_cast<size_t>(n)), z(static_cast<size_t>(n) + 1);
    std::vector<int> v(static_cast<size_t>(n));
    for (int y = 0; y < h; ++y) {
        const uchar* row = mask.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            grid[size_t(y) * w + x] = row[x] >= 128 ? 0.0f : kInf;
        }
    }
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            f[size_t(y)] = grid[size_t(y) * w + x];
        }
        distanceLine(f.data(), d.data(), h, v.data(), z.data());
        for (int y = 0; y < h; ++y) {
            grid[size_t(y) * w + x] = d[size_t(y)];
        }
    }
    const float rim = float(radius) + 0.5f;
    for (int y = 0; y < h; ++y) {
        distanceLine(grid.data() + size_t(y) * w, d.data(), w, v.data(), z.data());
        uchar* row = mask.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const float near = std::clamp(rim - std::sqrt(d[size_t(x)]), 0.0f, 1.0f);
            row[x] = std::max(row[x], uchar(near * 255.0f + 0.5f));
        }
    }
}

} // namespace

AnnotationTextLayout::Style TextLayer::textStyle() const {
    return AnnotationTextLayout::styleOf(*this);
}

AnnotationTextLayout TextLayer::layout() const {
    return AnnotationTextLayout(text, textStyle());
}

bool TextLayer::hasVisibleBackground() const {
    return backgroundColor.alphaF() > kVisibleAlpha;
}

QSizeF TextLayer::padding() const {
    if (hasVisibleBackground() && backgroundPadding && std::isfinite(*backgroundPadding)) {
        return QSizeF(*backgroundPadding, *backgroundPadding);
    }
    return QSizeF(8, 6);
}

QRectF TextLayer::box() const {
    return frameFor(layout());
}

double TextLayer::backgroundRadius() const {
    const double radius = backgroundCornerRadius.value_or(kDefaultBackgroundRadius);
    return ShapePaths::clampedRadius(box(), radius);
}

double TextLayer::outlinePercent() const {
    double percent = std::abs(outlineWidthPercent.value_or(kDefaultOutlinePercent));
    if (!std::isfinite(percent) || percent <= 0.001 || outlineColor.alphaF() <= kVisibleAlpha) {
        return 0;
    }
    return percent;
}

double TextLayer::outlineRingRadius() const {
    const double percent = outlinePercent();
    if (percent <= 0) {
        return 0;
    }
    return std::max(AnnotationTextLayout::usableFontSize(fontSize) * percent / 100, 1.0);
}

double TextLayer::outlineReach() const {
    const double percent = outlinePercent();
    if (percent <= 0) {
        return 0;
    }
    return outlineRingRadius() + AnnotationTextLayout::usableFontSize(fontSize) * percent / 100 / 2;
}

QList<QPointF> TextLayer::outlineOffsets(double ringRadius) {
    struct Ring {
        double scale;
        int count;
    };
    static constexpr Ring kRings[] = {{1.0, 24}, {0.72, 20}, {0.45, 16}, {0.22, 12}};
    QList<QPointF> offsets;
    if (!std::isfinite(ringRadius)) {
        return offsets;
    }
    for (const Ring& ring : kRings) {
        const double r = ringRadius * ring.scale;
        if (r <= 0.35) {
            continue;
        }
        for (int i = 0; i < ring.count; ++i) {
            const double angle = 2 * std::numbers::pi * i / ring.count;
            offsets << QPointF(r * std::cos(angle), r * std::sin(angle));
        }
    }
    return offsets;
}

QRectF TextLayer::bounds() const {
    return coverage(layout());
}

QRectF TextLayer::frameFor(const AnnotationTextLayout& textLayout) const {
    const QSizeF pad = padding();
    return QRectF(position, QSizeF(textLayout.size().width() + 2 * pad.width(),
                                   textLayout.size().height() + 2 * pad.height()))
        .normalized();
}

// The box grown by the outline's reach, plus any ink the font draws past the box (italic
// overhangs).
QRectF TextLayer::coverage(const AnnotationTextLayout& textLayout) const {
    const QRectF frame = frameFor(textLayout);
    const QSizeF pad = padding();
    const double reach = outlineReach();
    QRectF area = frame.adjusted(-reach, -reach, reach, reach);
    const QRectF ink = textLayout.inkBounds();
    if (!ink.isEmpty()) {
        area = area.united(ink.translated(frame.topLeft() + QPointF(pad.width(), pad.height()))
                               .adjusted(-reach, -reach, reach, reach));
    }
    return area;
}

void TextLayer::draw(QPainter& painter, const QImage&) const {
    const AnnotationTextLayout textLayout = layout();
    const QSizeF pad = padding();
    const QRectF frame = frameFor(textLayout);
    const QPointF origin = frame.topLeft() + QPointF(pad.width(), pad.height());
    const QRectF area = coverage(textLayout).adjusted(-1, -1, 1, 1);

    paintWithEffects(painter, shadow, opacity, area, [&](QPainter& p) {
        if (hasVisibleBackground()) {
            const double radius =
                ShapePaths::clampedRadius(frame, backgroundCornerRadius.value_or(kDefaultBackgroundRadius));
            p.setPen(Qt::NoPen);
            p.setBrush(backgroundColor);
            p.drawPath(ShapePaths::roundedRect(frame, radius));
        }

        const double percent = outlinePercent();
        if (percent > 0) {
            // The text filled and stroked in the outline colour at every ring position. A
            // translucent outline colour is painted opaque into its own buffer and laid down once,
            // so the overlapping copies do not add up to an opaque ring.
            const double strokeWidth = AnnotationTextLayout::usableFontSize(fontSize) * percent / 100;
            QColor opaque = outlineColor;
            opaque.setAlphaF(1);
            // Painting the stroked text at every ring position (outlineOffsets) covers exactly the
            // text grown by the outer ring's radius plus half the stroke: neighbouring positions
            // lie closer together than the stroke is wide. That growth is computed in one pass
            // over a coverage mask, which costs a fraction of seventy-odd stroked glyph fills.
            const double reach = outlineRingRadius() + strokeWidth / 2;
            const auto rings = [&](QPainter& q) {
                const QTransform device = q.transform();
                const QTransform linear(device.m11(), device.m12(), device.m21(), device.m22(), 0, 0);
                const double deviceReach = reach * std::sqrt(std::abs(linear.determinant()));
                const int margin = int(std::ceil(deviceReach)) + 1;
                const QRectF inkBox =
                    textLayout.glyphs().boundingRect().united(textLayout.decorations().boundingRect());
                const QRect stampBox =
                    linear.mapRect(inkBox).toAlignedRect().adjusted(-margin, -margin, margin, margin);
                if (stampBox.isEmpty() || qint64(stampBox.width()) * stampBox.height() > 64'000'000) {
                    return;
                }
                QImage mask(stampBox.size(), QImage::Format_Alpha8);
                mask.fill(0);
                {
                    QPainter mp(&mask);
                    mp.setRenderHint(QPainter::Antialiasing);
                    mp.setTransform(linear * QTransform::fromTranslate(-stampBox.left(), -stampBox.top()));
                    mp.setPen(Qt::NoPen);
                    mp.setBrush(Qt::black);
                    mp.drawPath(textLayout.glyphs());
                    mp.drawPath(textLayout.decorations());
                }
                dilateCoverage(mask, deviceReach);
                QImage ring(mask.size(), QImage::Format_ARGB32_Premultiplied);
                const QRgb rgb = opaque.rgba();
                for (int y = 0; y < ring.height(); ++y) {
                    auto* row = reinterpret_cast<QRgb*>(ring.scanLine(y));
                    const uchar* cov = mask.constScanLine(y);
                    for (int x = 0; x < ring.width(); ++x) {
                        const uint a = cov[x];
                        row[x] = qRgba(qRed(rgb) * a / 255, qGreen(rgb) * a / 255, qBlue(rgb) * a / 255, a);
                    }
                }
                q.save();
                q.resetTransform();
                q.drawImage(device.map(origin) + QPointF(stampBox.topLeft()), ring);
                q.restore();
            };
            if (outlineColor.alphaF() < 0.999) {
                paintWithEffects(p, ShadowStyle::none, outlineColor.alphaF(), area, rings);
            } else {
                rings(p);
            }
        }

        textLayout.fill(p, color, origin);
    });
}

LayerPtr TextLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->position += QPointF(dx, dy);
    return copy;
}

} // namespace mebo
