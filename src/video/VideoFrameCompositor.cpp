#include "video/VideoFrameCompositor.h"

#include "document/ImageFilters.h"
#include "video/ClickRippleRenderer.h"
#include "video/CursorTrailRenderer.h"
#include "video/VideoChapters.h"
#include "video/WebcamMask.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

namespace mebo {

namespace {

QColor rgba(const ColorRGBA& stored, const std::array<double, 4>& defaults) {
    const auto c = rgbaComponents(stored, defaults);
    return QColor::fromRgbF(float(std::clamp(c[0], 0.0, 1.0)), float(std::clamp(c[1], 0.0, 1.0)),
                            float(std::clamp(c[2], 0.0, 1.0)), float(std::clamp(c[3], 0.0, 1.0)));
}

void boxBlurRows(QImage& image, int radius) {
    const int w = image.width();
    std::vector<QRgb> row(static_cast<size_t>(w));
    const int window = 2 * radius + 1;
    for (int y = 0; y < image.height(); ++y) {
        auto* px = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::copy(px, px + w, row.begin());
        int r = 0, g = 0, b = 0;
        auto at = [&](int x) { return row[size_t(std::clamp(x, 0, w - 1))]; };
        for (int x = -radius; x <= radius; ++x) {
            r += qRed(at(x)), g += qGreen(at(x)), b += qBlue(at(x));
        }
        for (int x = 0; x < w; ++x) {
            px[x] = qRgb(r / window, g / window, b / window);
            const QRgb in = at(x + radius + 1), out = at(x - radius);
            r += qRed(in) - qRed(out), g += qGreen(in) - qGreen(out), b += qBlue(in) - qBlue(out);
        }
    }
}

} // namespace

double VideoFrameCompositor::shadowRadius(double intensity, double scale) {
    const double i = std::isfinite(intensity) ? std::clamp(intensity, 0.0, 1.0) : 0.5;
    return 20.0 * i * scale;
}

double VideoFrameCompositor::shadowOpacity(double intensity) {
    const double i = std::isfinite(intensity) ? std::clamp(intensity, 0.0, 1.0) : 0.5;
    return 0.25 + 0.5 * i;
}

void VideoFrameCompositor::motionBlur(QImage& image, int radius) {
    if (radius <= 0 || image.isNull()) {
        return;
    }
    if (image.format() != QImage::Format_RGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    boxBlurRows(image, std::max(1, radius / 2));
    boxBlurRows(image, std::max(1, radius - radius / 2));
}

QImage VideoFrameCompositor::canvas(const VideoSnapshot& edit, const VideoExportPlan& plan, QSize videoSize,
                                    QPoint videoAt) {
    QImage out(plan.renderSize, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    const QRectF all(QPointF(0, 0), QSizeF(plan.renderSize));
    if (edit.wallpaperGradient) {
        p.fillRect(all, edit.wallpaperGradient->brushFor(all));
    } else {
        p.fillRect(all, rgba(edit.backgroundColorRGBA, {0, 0, 0, 1}));
    }
    if (edit.showBackground && edit.showShadow) {
        const double radius = shadowRadius(edit.shadowIntensity, plan.scale);
        if (radius >= 0.5) {
            // The video's rounded shape, blurred, slightly below the video.
            const int pad = int(std::ceil(radius * 3));
            QImage shape(videoSize + QSize(2 * pad, 2 * pad), QImage::Format_ARGB32_Premultiplied);
            shape.fill(Qt::transparent);
            {
                QPainter sp(&shape);
                sp.setRenderHint(QPainter::Antialiasing);
                sp.setPen(Qt::NoPen);
                sp.setBrush(QColor(0, 0, 0, int(255 * shadowOpacity(edit.shadowIntensity))));
                sp.drawRoundedRect(QRectF(pad, pad, videoSize.width(), videoSize.height()), plan.cornerRadius,
                                   plan.cornerRadius);
            }
            ImageFilters::gaussianBlur(shape, radius / 2);
            p.drawImage(videoAt + QPoint(-pad, -pad + int(std::lround(radius / 4))), shape);
        }
    }
    return out;
}

VideoFrameCompositor::VideoFrameCompositor(Inputs inputs) : in_(std::move(inputs)) {
    const VideoExportPlan& plan = in_.plan;
    videoSize_ = QSize(std::max(1, int(std::lround(plan.videoRect.width()))),
                       std::max(1, int(std::lround(plan.videoRect.height()))));
    videoAt_ = QPoint(int(std::lround(plan.videoRect.x())), int(std::lround(plan.videoRect.y())));
    if (plan.usesCanvas) {
        canvas_ = canvas(in_.edit, plan, videoSize_, videoAt_);
        if (plan.cornerRadius >= 0.5) {
            cornerMask_ = WebcamMask::maskImage(videoSize_, WebcamMaskShape::rounded, plan.cornerRadius);
        }
    }
    if (plan.webcamRect) {
        webcamMask_ = WebcamMask::maskImage(
            plan.webcamRect->size(), in_.edit.webcamLayout.value_or(WebcamLayout::defaultLayout()).maskShape,
            plan.webcamCornerRadius);
    }
    const QRect crop = plan.sourceCrop.isEmpty() ? QRect(QPoint(0, 0), plan.sourceSize) : plan.sourceCrop;
    overlayScale_ = double(videoSize_.width()) / std::max(1, crop.width());
    const double sy = double(videoSize_.height()) / std::max(1, crop.height());
    // The recorded rectangle is the whole source frame; bottom-left origin, y up.
    sourceFrame_ =
        QRectF(-crop.x() * overlayScale_, -(plan.sourceSize.height() - crop.y() - crop.height()) * sy,
               plan.sourceSize.width() * overlayScale_, plan.sourceSize.height() * sy);
    if (!in_.edit.annotationRegions.isEmpty()) {
        annotations_ = std::make_unique<VideoAnnotationPainter>(in_.edit.annotationRegions, videoSize_,
                                                                overlayScale_, in_.assetFolder);
    }
    if (!in_.edit.chapterSegments.isEmpty()) {
        const auto tiled = VideoChapters::exportSegments(in_.edit.chapterSegments, plan.sourceDuration);
        if (!tiled.isEmpty()) {
            chapters_ = std::make_unique<ChapterProgressBar>(tiled, plan.timeMap, plan.outputDuration,
                                                             in_.chapterStyle, plan.renderSize);
        }
    }
}

void VideoFrameCompositor::drawOverlays(QImage& video, double sourceTime) const {
    if (annotations_ && !annotations_->isEmpty()) {
        QPainter p(&video);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        annotations_->draw(p, video, sourceTime);
    }
    if (!in_.telemetry) {
        return;
    }
    const VideoSnapshot& e = in_.edit;
    if (e.showCursorTrail) {
        if (auto overlay = CursorTrailRenderer::render(in_.telemetry->points, e.cursorTrailColorRGBA,
                                                       sourceTime, e.cursorTrailWindowSec, sourceFrame_,
                                                       e.cursorTrailWidth * overlayScale_)) {
            overlay->compositeOver(video);
        }
    }
    if (e.showClickRipple) {
        if (auto overlay = ClickRippleRenderer::render(in_.telemetry->clicks, e.clickRippleColorRGBA,
                                                       sourceTime, e.clickRippleDurationSec, sourceFrame_,
                                                       e.clickRippleRadiusPx * overlayScale_)) {
            overlay->compositeOver(video);
        }
    }
}

QImage VideoFrameCompositor::render(const platform::CompositionFrame& frame) const {
    QImage video = frame.video;
    if (video.size() != videoSize_) {
        video = video.scaled(videoSize_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (video.format() != QImage::Format_RGB32) {
        video = video.convertToFormat(QImage::Format_RGB32);
    }
    drawOverlays(video, frame.sourceTime);
    if (in_.edit.motionBlurAmount > 0 && std::isfinite(in_.edit.motionBlurAmount)) {
        motionBlur(video, int(std::lround(10 * in_.edit.motionBlurAmount * overlayScale_)));
    }
    QImage out;
    if (in_.plan.usesCanvas) {
        out = canvas_.copy();
        QPainter p(&out);
        p.drawImage(videoAt_, video);
        p.end();
        if (!cornerMask_.isNull()) {
            // Outside the rounded shape the canvas shows again (only the corner squares differ).
            const int r = int(std::ceil(in_.plan.cornerRadius)) + 1;
            for (int y = 0; y < videoSize_.height(); ++y) {
                if (y >= r && y < videoSize_.height() - r) {
                    continue;
                }
                const int oy = videoAt_.y() + y;
                if (oy < 0 || oy >= out.height()) {
                    continue;
                }
                auto* dst = reinterpret_cast<QRgb*>(out.scanLine(oy));
                const auto* bg = reinterpret_cast<const QRgb*>(canvas_.constScanLine(oy));
                const uchar* m = cornerMask_.constScanLine(y);
                for (int x = 0; x < videoSize_.width(); ++x) {
                    if (x == r && x < videoSize_.width() - r) {
                        x = videoSize_.width() - r;
                    }
                    const int ox = videoAt_.x() + x;
                    const int a = m[x];
                    if (a == 255 || ox < 0 || ox >= out.width()) {
                        continue;
                    }
                    const QRgb v = dst[ox], b = bg[ox];
                    dst[ox] = qRgb((qRed(v) * a + qRed(b) * (255 - a)) / 255,
                                   (qGreen(v) * a + qGreen(b) * (255 - a)) / 255,
                                   (qBlue(v) * a + qBlue(b) * (255 - a)) / 255);
                }
            }
        }
    } else {
        out = video;
    }
    const bool webcamShown = !frame.overlay.isNull() && in_.plan.webcamRect &&
                             !VideoExportPlan::inRanges(in_.plan.webcamHidden, frame.outputTime);
    if (webcamShown || chapters_) {
        QPainter p(&out);
        if (webcamShown) {
            const QImage fitted = WebcamMask::coverFit(frame.overlay, in_.plan.webcamRect->size());
            p.drawImage(in_.plan.webcamRect->topLeft(), WebcamMask::apply(fitted, webcamMask_));
        }
        if (chapters_) {
            chapters_->draw(p, frame.outputTime);
        }
    }
    return out;
}

} // namespace mebo
