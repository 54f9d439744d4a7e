#include "video/VideoExportPlan.h"

#include "video/TrackRegions.h"
#include "video/VideoOutputSize.h"
#include "video/VideoTimeline.h"
#include "video/WebcamLayout.h"

#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

// A muted overlap must be longer than this to become an output range.

double finiteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

} // namespace

int VideoExportPlan::exportFps(const std::optional<qint64>& editFps, std::optional<double> sourceFps) {
    if (editFps && *editFps >= 1 && *editFps <= 240) {
        return int(*editFps);
    }
    if (sourceFps && std::isfinite(*sourceFps) && *sourceFps >= 1 && *sourceFps <= 240) {
        return int(std::lround(*sourceFps));
    }
    return kFallbackFps;
}

QRect VideoExportPlan::cropPixels(QSize source, const std::optional<QRectF>& cropRect) {
    if (!cropRect || source.isEmpty()) {
        return QRect(QPoint(0, 0), source);
    }
    const QSizeF content = VideoOutputSize::contentSize(QSizeF(source), cropRect);
    const double x = std::clamp(finiteOr(cropRect->x(), 0), 0.0, 0.98) * source.width();
    const double y = std::clamp(finiteOr(cropRect->y(), 0), 0.0, 0.98) * source.height();
    QRect r(int(std::lround(x)), int(std::lround(y)), std::max(1, int(std::lround(content.width()))),
            std::max(1, int(std::lround(content.height()))));
    return r.intersected(QRect(QPoint(0, 0), source));
}

bool VideoExportPlan::inRanges(const QList<TimeRange>& ranges, double t) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [t](const TimeRange& r) { return r.start <= t && t < r.end; });
}

VideoExportPlan VideoExportPlan::make(const VideoSnapshot& edit, QSize sourceSize, double sourceDuration,
                                      std::optional<double> sourceFps, bool withWebcam) {
    VideoExportPlan plan;
    plan.sourceDuration = VideoTimeline::sanitizedDuration(sourceDuration);
    plan.sourceSize = sourceSize.isEmpty() ? VideoOutputSize::kFallbackSource : sourceSize;
    const double d = plan.sourceDuration;
    const auto cuts = VideoTimeline::effectiveCuts(edit.trimRegions, edit.recordingSegments, d);
    plan.keptRanges = VideoTimeline::keptRanges(cuts, d);
    plan.timeMap = VideoTimeline::timeMap(plan.keptRanges, edit.speedRegions);
    plan.outputDuration = VideoTimeline::outputDuration(plan.timeMap);
    plan.fps = exportFps(edit.exportFps, sourceFps);
    plan.renderSize = VideoOutputSize::renderSize(QSizeF(plan.sourceSize), edit);

    // The canvas: the content centred on it, scaled as a whole to the render size.
    const QSizeF source(plan.sourceSize);
    const QSizeF content = VideoOutputSize::contentSize(source, edit.cropRect);
    const QSizeF canvas = VideoOutputSize::canvasSize(source, edit);
    plan.sourceCrop = cropPixels(plan.sourceSize, edit.cropRect);
    const double sx = plan.renderSize.width() / canvas.width();
    const double sy = plan.renderSize.height() / canvas.height();
    plan.scale = std::min(sx, sy);
    const QSizeF shown(content.width() * sx, content.height() * sy);
    plan.videoRect = QRectF((plan.renderSize.width() - shown.width()) / 2,
                            (plan.renderSize.height() - shown.height()) / 2, shown.width(), shown.height());
    plan.usesCanvas = edit.showBackground || std::abs(canvas.width() - content.width()) > 0.5 ||
                      std::abs(canvas.height() - content.height()) > 0.5;
    if (plan.usesCanvas) {
        plan.cornerRadius = std::clamp(finiteOr(edit.backgroundCornerRadius, 0) * plan.scale, 0.0,
                                       std::min(shown.width(), shown.height()) / 2);
    } else {
        plan.videoRect = QRectF(QPointF(0, 0), QSizeF(plan.renderSize));
    }

    plan.systemMuted = VideoTimeline::outputRanges(TrackRegions::merged(edit.systemAudioMuteRegions, d), plan.timeMap);
    plan.micMuted = VideoTimeline::outputRanges(TrackRegions::merged(edit.micMuteRegions, d), plan.timeMap);
    plan.webcamHidden = VideoTimeline::outputRanges(TrackRegions::merged(edit.webcamHiddenRegions, d), plan.timeMap);

    const WebcamLayout layout = edit.webcamLayout.value_or(WebcamLayout::defaultLayout());
    if (withWebcam && layout.visible) {
        // The placement rule works with the origin at the bottom-left, in output pixels.
        const QRectF frame(0, 0, plan.renderSize.width(), plan.renderSize.height());
        const WebcamPlacement place = placeWebcam(layout, frame);
        const int w = VideoOutputSize::even(place.rect.width());
        const int h = VideoOutputSize::even(place.rect.height());
        const int x = int(std::lround(place.rect.x()));
        const int top = int(std::lround(plan.renderSize.height() - place.rect.y() - place.rect.height()));
        plan.webcamRect = QRect(x, top, w, h);
        plan.webcamCornerRadius = place.cornerRadius;
    }
    return plan;
}

} // namespace mebo
