#include "video/VideoAnnotations.h"

#include "video/VideoTimeline.h"

#include <algorithm>
#include <cmath>

namespace mebo {

QSizeF VideoAnnotations::defaultSize(AnnotationKind kind) {
    switch (kind) {
    case AnnotationKind::text:
        return {0.36, 0.12}; // room for one line at the default size on 720p and up
    case AnnotationKind::image:
        return {0.3, 0.3};
    case AnnotationKind::arrow:
        return {0.34, 0.2};
    case AnnotationKind::line:
        return {0.34, 0.16};
    case AnnotationKind::callout:
        return {0.32, 0.16};
    case AnnotationKind::shape:
        return {0.26, 0.18};
    case AnnotationKind::highlight:
        return {0.34, 0.12};
    case AnnotationKind::spotlight:
        return {0.34, 0.22};
    }
    return {0.3, 0.2};
}

AnnotationRegion VideoAnnotations::defaults(AnnotationKind kind) {
    AnnotationRegion r;
    r.id = QUuid::createUuid();
    r.kind = kind;
    r.rect = QRectF(QPointF(0, 0), defaultSize(kind));
    // Stroked kinds read `fontSize` as their line width.
    r.fontSize = 10;
    r.colorRGBA = {1.0, 0.231, 0.188, 1.0};
    switch (kind) {
    case AnnotationKind::text:
        r.text = QStringLiteral("Text");
        r.fontSize = 42;
        r.colorRGBA = {1.0, 1.0, 1.0, 1.0};
        break;
    case AnnotationKind::callout:
        r.text = QStringLiteral("Text");
        r.fontSize = 34;
        break;
    case AnnotationKind::arrow:
        r.lineStyleRaw = QStringLiteral("solid");
        r.arrowHeadStyleRaw = QStringLiteral("end");
        r.lineDirectionRaw = QStringLiteral("downRight");
        break;
    case AnnotationKind::line:
        r.lineStyleRaw = QStringLiteral("solid");
        r.arrowHeadStyleRaw = QStringLiteral("none");
        r.lineDirectionRaw = QStringLiteral("downRight");
        break;
    case AnnotationKind::highlight:
        r.colorRGBA = {1.0, 0.839, 0.0, 0.35};
        break;
    case AnnotationKind::spotlight:
        r.colorRGBA = {0.0, 0.0, 0.0, 0.6};
        break;
    case AnnotationKind::image:
    case AnnotationKind::shape:
        break;
    }
    return r;
}

std::optional<TimeRange> VideoAnnotations::spanAtPlayhead(double playhead, double duration) {
    const double d = VideoTimeline::sanitizedDuration(duration);
    const double start =
        std::clamp(std::isnan(playhead) ? 0.0 : playhead, 0.0, std::max(d - kMinLength, 0.0));
    const double end = std::min(start + kDefaultLength, d);
    // A hair of rounding below 0.1 s still counts (duration - 0.1 to the end is 0.1 s long).
    if (end - start < kMinLength - 1e-9) {
        return std::nullopt;
    }
    return TimeRange{start, end};
}

std::optional<AnnotationRegion> VideoAnnotations::create(AnnotationKind kind, double playhead,
                                                         double duration, QPointF point) {
    const auto span = spanAtPlayhead(playhead, duration);
    if (!span) {
        return std::nullopt;
    }
    AnnotationRegion r = defaults(kind);
    r.startSec = span->start;
    r.endSec = span->end;
    const double px = std::isnan(point.x()) ? 0.5 : std::clamp(point.x(), 0.0, 1.0);
    const double py = std::isnan(point.y()) ? 0.5 : std::clamp(point.y(), 0.0, 1.0);
    const QSizeF size = r.rect.size();
    const double x = std::clamp(px - size.width() / 2, 0.0, 1.0 - size.width());
    const double y = std::clamp(py - size.height() / 2, 0.0, 1.0 - size.height());
    r.rect = QRectF(QPointF(x, y), size);
    return r;
}

VideoAnnotations::StyleFields VideoAnnotations::styleFields(AnnotationKind kind) {
    StyleFields f;
    switch (kind) {
    case AnnotationKind::text:
    case AnnotationKind::callout:
        f.text = f.fontSize = true;
        break;
    case AnnotationKind::arrow:
        f.strokeWidth = f.lineStyle = f.arrowHeads = f.direction = true;
        break;
    case AnnotationKind::line:
        f.strokeWidth = f.lineStyle = f.direction = true;
        break;
    case AnnotationKind::shape:
        f.strokeWidth = f.lineStyle = true;
        break;
    case AnnotationKind::image:
    case AnnotationKind::highlight:
    case AnnotationKind::spotlight:
        break;
    }
    return f;
}

const QStringList& VideoAnnotations::lineDirections() {
    static const QStringList directions{QStringLiteral("downRight"), QStringLiteral("upRight"),
                                        QStringLiteral("downLeft"), QStringLiteral("upLeft")};
    return directions;
}

} // namespace mebo
