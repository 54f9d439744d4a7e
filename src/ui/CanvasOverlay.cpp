#include "ui/CanvasOverlay.h"

#include "document/EraserStrokeLayer.h"
#include "editor/EditorVM.h"
#include "editor/ToolController.h"

#include <QPainter>
#include <QPainterPath>

namespace mebo {

namespace {

// Outlines are drawn twice, dark under light, so they read on any picture.
void dashedFrame(QPainter& painter, const QRectF& rect, const QColor& accent) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 110), 1));
    painter.drawRect(rect);
    QPen dash(accent, 1, Qt::DashLine);
    dash.setDashPattern({4, 3});
    painter.setPen(dash);
    painter.drawRect(rect);
}

void paintHandle(QPainter& painter, const LayerHandle& handle, const QPointF& at, const QColor& accent) {
    const double s = CanvasOverlay::kHandleSize;
    painter.setPen(QPen(accent, 1.5));
    switch (handle.kind) {
    case HandleKind::mid:
    case HandleKind::mid2:
    case HandleKind::quarter1:
    case HandleKind::quarter2: {
        // Curve handles are diamonds in the accent colour, apart from the end points.
        QPainterPath diamond;
        const double r = s * 0.55;
        diamond.moveTo(at + QPointF(0, -r));
        diamond.lineTo(at + QPointF(r, 0));
        diamond.lineTo(at + QPointF(0, r));
        diamond.lineTo(at + QPointF(-r, 0));
        diamond.closeSubpath();
        painter.setBrush(handle.kind == HandleKind::mid ? accent : QColor(Qt::white));
        painter.drawPath(diamond);
        break;
    }
    case HandleKind::magnifySource:
        painter.setBrush(QColor(255, 255, 255, 200));
        painter.drawEllipse(at, s * 0.7, s * 0.7);
        painter.drawLine(at - QPointF(s * 0.4, 0), at + QPointF(s * 0.4, 0));
        painter.drawLine(at - QPointF(0, s * 0.4), at + QPointF(0, s * 0.4));
        break;
    case HandleKind::start:
    case HandleKind::end:
    case HandleKind::calloutTail:
        painter.setBrush(Qt::white);
        painter.drawEllipse(at, s / 2, s / 2);
        break;
    default:
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(QRectF(at - QPointF(s / 2, s / 2), QSizeF(s, s)), 2, 2);
        break;
    }
}

} // namespace

void CanvasOverlay::paintPreview(QPainter& painter, EditorVM& editor, const ToolController& controller) {
    const LayerPtr& preview = controller.previewLayer();
    if (!preview) {
        return;
    }
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                           QPainter::TextAntialiasing);
    if (auto* eraser = dynamic_cast<const EraserStrokeLayer*>(preview.get())) {
        // An eraser stroke changes the base image, so while drawn it shows as a light trail.
        QPainterPath path;
        for (int i = 0; i < eraser->points.size(); ++i) {
            i == 0 ? path.moveTo(eraser->points[i]) : path.lineTo(eraser->points[i]);
        }
        painter.setPen(
            QPen(QColor(255, 255, 255, 170), eraser->width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    } else {
        preview->draw(painter, editor.erasedBase());
    }
    painter.restore();
}

void CanvasOverlay::paintCropFrame(QPainter& painter, const EditorVM& editor, const ToWidget& toWidget,
                                   const QRectF& pictureRect) {
    const QRectF crop = toWidget(editor.canvasRect());
    QPainterPath outside;
    outside.addRect(pictureRect);
    outside.addRect(crop);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 120));
    painter.drawPath(outside); // odd-even fill: only the frame around the crop
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
    for (int i = 1; i < 3; ++i) { // thirds
        const double x = crop.left() + crop.width() * i / 3;
        const double y = crop.top() + crop.height() * i / 3;
        painter.drawLine(QPointF(x, crop.top()), QPointF(x, crop.bottom()));
        painter.drawLine(QPointF(crop.left(), y), QPointF(crop.right(), y));
    }
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawRect(crop);
    painter.restore();
}

void CanvasOverlay::paintSelection(QPainter& painter, const EditorVM& editor,
                                   const ToolController& controller, const ToWidget& toWidget,
                                   const QPalette& palette) {
    const QColor accent = palette.color(QPalette::Highlight);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const LayerPtr& layer : editor.selectedLayers()) {
        if (layer == controller.editedLayer()) {
            continue;
        }
        dashedFrame(painter, toWidget(layer->bounds()).adjusted(-2, -2, 2, 2), accent);
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const LayerHandle& handle : controller.handles()) {
        paintHandle(painter, handle, toWidget(QRectF(handle.position, QSizeF())).topLeft(), accent);
    }
    painter.restore();
}

void CanvasOverlay::paintMarquee(QPainter& painter, const ToolController& controller,
                                 const ToWidget& toWidget, const QPalette& palette) {
    const auto band = controller.rubberBand();
    if (!band || controller.marquee() == ToolController::Marquee::none) {
        return;
    }
    const QRectF r = toWidget(*band);
    painter.save();
    switch (controller.marquee()) {
    case ToolController::Marquee::crop:
        painter.setPen(QPen(Qt::white, 1.5, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r);
        break;
    case ToolController::Marquee::cutOut:
        // The strip that will be removed.
        painter.setPen(QPen(QColor(255, 59, 48), 1.5, Qt::DashLine));
        painter.setBrush(QColor(255, 59, 48, 60));
        painter.drawRect(r);
        break;
    default: {
        QColor fill = palette.color(QPalette::Highlight);
        fill.setAlpha(40);
        painter.setBrush(fill);
        painter.setPen(QPen(palette.color(QPalette::Highlight), 1));
        painter.drawRect(r);
        break;
    }
    }
    painter.restore();
}

void CanvasOverlay::paintMarkedBoxes(QPainter& painter, const QList<QRectF>& widgetRects) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor red(0xe0, 0x1b, 0x24);
    QColor fill = red;
    fill.setAlpha(40);
    for (const QRectF& r : widgetRects) {
        const QRectF box = r.adjusted(-2, -2, 2, 2);
        painter.setPen(QPen(Qt::white, 3.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box, 3, 3);
        painter.setPen(QPen(red, 2, Qt::DashLine));
        painter.setBrush(fill);
        painter.drawRoundedRect(box, 3, 3);
    }
    painter.restore();
}

void CanvasOverlay::paintRegionBand(QPainter& painter, const QRectF& widgetRect, const QPalette& palette) {
    painter.save();
    QColor fill = palette.color(QPalette::Highlight);
    fill.setAlpha(50);
    painter.setBrush(fill);
    QPen pen(palette.color(QPalette::Highlight), 1.5, Qt::DashLine);
    painter.setPen(pen);
    painter.drawRect(widgetRect);
    painter.restore();
}

} // namespace mebo
