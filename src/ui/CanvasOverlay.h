#pragma once

#include <QList>
#include <QPalette>
#include <QRectF>
#include <functional>
#include <optional>

class QPainter;

namespace mebo {

class EditorVM;
class ToolController;

// What the canvas draws over the picture: the layer being created, the crop frame, selection
// outlines, handles and marquees. Everything is drawn in widget pixels so lines and handles keep
// their size at every zoom.
class CanvasOverlay {
public:
    using ToWidget = std::function<QRectF(const QRectF&)>;

    // Handles are drawn this many widget pixels across; a press this close hits them.
    static constexpr double kHandleSize = 10;

    // The preview layer is drawn in image space (the painter's transform maps image pixels).
    static void paintPreview(QPainter& painter, EditorVM& editor, const ToolController& controller);
    // The crop tool: the area outside the visible rectangle dimmed, the rectangle framed.
    static void paintCropFrame(QPainter& painter, const EditorVM& editor, const ToWidget& toWidget,
                               const QRectF& pictureRect);
    static void paintSelection(QPainter& painter, const EditorVM& editor, const ToolController& controller,
                               const ToWidget& toWidget, const QPalette& palette);
    static void paintMarquee(QPainter& painter, const ToolController& controller, const ToWidget& toWidget,
                             const QPalette& palette);
    // The rectangle being picked for text recognition.
    static void paintRegionBand(QPainter& painter, const QRectF& widgetRect, const QPalette& palette);
    // Boxes offered for covering (Smart Redact's ticked items), before anything is covered.
    static void paintMarkedBoxes(QPainter& painter, const QList<QRectF>& widgetRects);
};

} // namespace mebo
