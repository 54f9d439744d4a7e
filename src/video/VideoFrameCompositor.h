#pragma once

#include "platform/VideoComposer.h"
#include "video/ChapterProgressBar.h"
#include "video/CursorTelemetryFile.h"
#include "video/VideoAnnotationPainter.h"
#include "video/VideoExportPlan.h"
#include "video/VideoSnapshot.h"

#include <QImage>
#include <memory>
#include <optional>

namespace mebo {

// Renders every output frame of an export from a copy of the edit taken when the export starts:
// overlays at the frame's source time (annotations, cursor trail, click ripples), motion blur,
// the canvas (background colour or gradient with the drop shadow, padding, aspect, rounded
// corners), the webcam in its mask, and the chapter bar. The video arrives cropped and already
// scaled to its place, so all work happens at the output's resolution. What does not change
// between frames (the canvas with its shadow, the corner and webcam masks, the annotation layers)
// is made once. One rendering thread.
class VideoFrameCompositor {
public:
    struct Inputs {
        VideoSnapshot edit;
        VideoExportPlan plan;
        std::optional<CursorTelemetryFile> telemetry;
        QString assetFolder;
        VideoChapterDisplayStyle chapterStyle = VideoChapterDisplayStyle::titles;
    };

    explicit VideoFrameCompositor(Inputs inputs);

    // The size the cropped source is scaled to before it reaches render() (the video's place).
    QSize videoSize() const { return videoSize_; }
    QImage render(const platform::CompositionFrame& frame) const;

    // The canvas behind the video: the background colour (or gradient) and the video's shadow.
    static QImage canvas(const VideoSnapshot& edit, const VideoExportPlan& plan, QSize videoSize,
                         QPoint videoAt);
    // A horizontal blur of `radius` pixels (two box passes), the look of a sideways motion blur.
    static void motionBlur(QImage& image, int radius);
    // The shadow's blur radius (render pixels) and opacity for an intensity 0...1.
    static double shadowRadius(double intensity, double scale);
    static double shadowOpacity(double intensity);

private:
    void drawOverlays(QImage& video, double sourceTime) const;

    Inputs in_;
    QSize videoSize_;
    QPoint videoAt_;
    QImage canvas_;
    QImage cornerMask_; // coverage of the rounded video, Grayscale8 of videoSize_; null without corners
    QImage webcamMask_;
    std::unique_ptr<VideoAnnotationPainter> annotations_;
    std::unique_ptr<ChapterProgressBar> chapters_;
    double overlayScale_ = 1; // video pixels per source pixel
    QRectF sourceFrame_;      // the whole source frame in the video picture's bottom-left space
};

} // namespace mebo
