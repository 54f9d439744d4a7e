#include "editor/ToolController.h"

#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/CutOutLayer.h"
#include "document/EraserStrokeLayer.h"
#include "document/LineLayer.h"
#include "document/MagnifyLayer.h"
#include "document/PenLayer.h"
#include "document/StampLayer.h"
#include "document/StepLayer.h"
#include "document/TextLayer.h"
#include "editor/EditorVM.h"
#include "editor/LayerHandles.h"
#include "editor/ToolLayerFactory.h"

#include <QLineF>
#include <cmath>
#include <numbers>

namespace mebo {

namespace {

bool selectable(const LayerPtr& l) {
    return l && !l->isLocked && l->toolKind != ToolKind::eraser;
}

bool isStrokeTool(ToolKind tool) {
    return tool == ToolKind::pen || tool == ToolKind::eraser;
}

double sign(double v) {
    return v < 0 ? -1 : 1;
}

// A copy of a text or callout layer holding `text`.
LayerPtr withText(const LayerPtr& layer, const QString& text) {
    if (auto* t = dynamic_cast<const TextLayer*>(layer.get())) {
        auto c = std::make_shared<TextLayer>(*t);
        c->text = text;
        return c;
    }
    if (auto* t = dynamic_cast<const CalloutLayer*>(layer.get())) {
        auto c = std::make_shared<CalloutLayer>(*t);
        c->text = text;
        c->rect = c->rectFittingText(); // the body grows with its text
        return c;
    }
    return nullptr;
}

QString textOf(const LayerPtr& layer) {
    if (auto* t = dynamic_cast<const TextLayer*>(layer.get())) {
        return t->text;
    }
    if (auto* t = dynamic_cast<const CalloutLayer*>(layer.get())) {
        return t->text;
    }
    return {};
}

} // namespace

ToolController::ToolController(EditorVM& vm, QObject* parent) : QObject(parent), vm_(vm) {
    // Handles follow the selection and the layers they sit on.
    connect(&vm_, &EditorVM::selectionChanged, this, &ToolController::changed);
    connect(&vm_, &EditorVM::layersChanged, this, &ToolController::changed);
}

void ToolController::setHitTolerance(double tolerance) {
    hitTolerance_ = std::max(0.0, tolerance);
}

// --- pointer ---------------------------------------------------------------------------------

void ToolController::pointerDown(const QPointF& point, Qt::KeyboardModifiers modifiers, int clickCount) {
    if (textLayer_ || vm_.isTextEditing() || mode_ != Mode::idle) {
        return;
    }
    vm_.endNudgeRun();
    tool_ = vm_.currentTool();
    down_ = point;

    // Editing an existing text: a double-click, or a click of the text or callout tool on one.
    const bool textTool = tool_ == ToolKind::text || tool_ == ToolKind::callout;
    if (clickCount >= 2 && (tool_ == ToolKind::selection || textTool)) {
        if (LayerPtr hit = textLayerAt(point, true, true)) {
            beginTextEdit(hit, false);
            return;
        }
    }
    if (textTool) {
        if (LayerPtr hit = textLayerAt(point, tool_ == ToolKind::text, tool_ == ToolKind::callout)) {
            beginTextEdit(hit, false);
            return;
        }
    }

    // The selected layer's handles win over everything but the crop.
    if (tool_ != ToolKind::crop) {
        if (const auto h = handleAt(point)) {
            mode_ = Mode::handle;
            handle_ = *h;
            before_ = vm_.snapshot();
            wasMulti_ = false;
            originals_ = {vm_.selectedLayer()};
            current_ = originals_;
            moved_ = false;
            Q_EMIT changed();
            return;
        }
    }

    switch (tool_) {
    case ToolKind::selection:
        selectionPress(point, modifiers);
        break;
    case ToolKind::text:
        beginTextEdit(ToolLayerFactory::text(vm_.styles(), point), true);
        break;
    case ToolKind::step: {
        addCreated(ToolLayerFactory::step(vm_.styles(), point), ToolKind::step);
        ToolStyles next = vm_.styles();
        ++next.step.count;
        vm_.setStyles(next);
        break;
    }
    case ToolKind::stamp:
        addCreated(ToolLayerFactory::stamp(vm_.styles(), point), ToolKind::stamp);
        break;
    case ToolKind::magnify:
        addCreated(ToolLayerFactory::magnify(vm_.styles(), point), ToolKind::magnify);
        break;
    case ToolKind::fill:
        vm_.fillAt(point);
        vm_.recordRecentStyle(ToolKind::fill);
        break;
    case ToolKind::chapter:
        break;
    default:
        mode_ = Mode::create;
        points_ = {point};
        updateCreation(point, modifiers);
        Q_EMIT changed();
        break;
    }
}

void ToolController::selectionPress(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    const LayerPtr hit = layerAt(point);
    if (modifiers & Qt::ShiftModifier) {
        if (!hit) {
            mode_ = Mode::marquee;
            marquee_ = Marquee::selection;
            bandAdds_ = true;
            return;
        }
        // Shift-click toggles the layer in the multi-selection.
        LayerList picked = vm_.selectedLayers();
        if (picked.contains(hit)) {
            picked.removeAll(hit);
        } else {
            picked.append(hit);
        }
        selectExactly(picked);
        return;
    }
    if (!hit) {
        mode_ = Mode::marquee;
        marquee_ = Marquee::selection;
        bandAdds_ = false;
        return;
    }
    if (!vm_.isSelected(hit)) {
        vm_.selectLayer(hit);
    }
    mode_ = Mode::move;
    before_ = vm_.snapshot();
    wasMulti_ = !vm_.multiSelection().isEmpty();
    originals_.clear();
    for (const LayerPtr& l : vm_.selectedLayers()) {
        if (selectable(l)) {
            originals_.append(l);
        }
    }
    current_ = originals_;
    moved_ = false;
}

void ToolController::pointerMove(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    switch (mode_) {
    case Mode::idle:
        return;
    case Mode::create:
        if ((isStrokeTool(tool_) || tool_ == ToolKind::mosaic || tool_ == ToolKind::blur) &&
            QLineF(points_.last(), point).length() >= kMinStrokeStep) {
            points_.append(point);
        }
        updateCreation(point, modifiers);
        break;
    case Mode::move: {
        const QPointF delta = point - down_;
        if (!moved_ && QLineF(down_, point).length() < kDragThreshold) {
            return;
        }
        moved_ = true;
        for (int i = 0; i < originals_.size(); ++i) {
            const LayerPtr next = originals_[i]->translated(delta.x(), delta.y());
            vm_.replaceLayerLive(current_[i], next);
            current_[i] = next;
        }
        break;
    }
    case Mode::handle: {
        const LayerPtr next = LayerHandles::dragged(*originals_.first(), handle_, point);
        if (next) {
            vm_.replaceLayerLive(current_.first(), next);
            current_.first() = next;
            moved_ = true;
        }
        break;
    }
    case Mode::marquee:
        band_ = QRectF(down_, point).normalized();
        break;
    }
    Q_EMIT changed();
}

void ToolController::pointerUp(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    if (mode_ == Mode::idle) {
        return;
    }
    if (point != down_) {
        pointerMove(point, modifiers);
    }
    switch (mode_) {
    case Mode::create:
        finishCreation(point, modifiers);
        break;
    case Mode::move:
    case Mode::handle:
        if (moved_) {
            vm_.pushUndo(before_);
        }
        break;
    case Mode::marquee:
        finishMarquee(point, modifiers);
        break;
    case Mode::idle:
        break;
    }
    reset();
    Q_EMIT changed();
}

void ToolController::cancelInteraction() {
    if (mode_ == Mode::idle) {
        return;
    }
    if ((mode_ == Mode::move || mode_ == Mode::handle) && moved_) {
        restoreDragStart();
    }
    reset();
    Q_EMIT changed();
}

void ToolController::restoreDragStart() {
    vm_.setLayersLive(before_.layers);
    if (wasMulti_) {
        vm_.setMultiSelection(originals_);
    } else if (!originals_.isEmpty()) {
        vm_.selectLayer(originals_.first());
    }
}

void ToolController::reset() {
    mode_ = Mode::idle;
    points_.clear();
    preview_.reset();
    band_.reset();
    marquee_ = Marquee::none;
    bandAdds_ = false;
    before_ = {};
    originals_.clear();
    current_.clear();
    moved_ = false;
}

// --- creation --------------------------------------------------------------------------------

QRectF ToolController::dragRect(const QPointF& point, Qt::KeyboardModifiers modifiers) const {
    QPointF to = point;
    if (modifiers & Qt::ShiftModifier) {
        const QPointF d = point - down_;
        const double side = std::max(std::abs(d.x()), std::abs(d.y()));
        to = down_ + QPointF(sign(d.x()) * side, sign(d.y()) * side);
    }
    return QRectF(down_, to).normalized();
}

QPointF ToolController::lineEnd(const QPointF& point, Qt::KeyboardModifiers modifiers) const {
    if (!(modifiers & Qt::ShiftModifier)) {
        return point;
    }
    // Shift: the nearest multiple of 45 degrees, keeping the length.
    const QPointF d = point - down_;
    const double step = std::numbers::pi / 4;
    const double angle = std::round(std::atan2(d.y(), d.x()) / step) * step;
    const double length = std::hypot(d.x(), d.y());
    return down_ + QPointF(length * std::cos(angle), length * std::sin(angle));
}

// The strip a cut-out drag marks: across the whole image, over the dragged rows (horizontal) or
// columns (vertical).
std::optional<QRectF> ToolController::cutStrip(const QPointF& point) const {
    const QRectF image = vm_.fullImageRect();
    if (vm_.styles().cutout.orientation == CutOutOrientation::horizontal) {
        const double a = std::clamp(std::min(down_.y(), point.y()), image.top(), image.bottom());
        const double b = std::clamp(std::max(down_.y(), point.y()), image.top(), image.bottom());
        if (b - a < kMinExtent) {
            return std::nullopt;
        }
        return QRectF(image.left(), a, image.width(), b - a);
    }
    const double a = std::clamp(std::min(down_.x(), point.x()), image.left(), image.right());
    const double b = std::clamp(std::max(down_.x(), point.x()), image.left(), image.right());
    if (b - a < kMinExtent) {
        return std::nullopt;
    }
    return QRectF(a, image.top(), b - a, image.height());
}

void ToolController::updateCreation(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    const ToolStyles& s = vm_.styles();
    preview_.reset();
    band_.reset();
    if (ToolLayerFactory::isBoxTool(tool_)) {
        preview_ = ToolLayerFactory::boxLayer(
            tool_, s, ToolLayerFactory::creationBox(tool_, s, dragRect(point, modifiers)), points_,
            vm_.baseImage());
    } else if (tool_ == ToolKind::arrow) {
        preview_ = ToolLayerFactory::arrow(s, down_, lineEnd(point, modifiers));
    } else if (tool_ == ToolKind::line) {
        preview_ = ToolLayerFactory::line(s, down_, lineEnd(point, modifiers));
    } else if (tool_ == ToolKind::pen) {
        preview_ = ToolLayerFactory::pen(s, points_);
    } else if (tool_ == ToolKind::eraser) {
        preview_ = ToolLayerFactory::eraser(s, points_);
    } else if (tool_ == ToolKind::callout) {
        preview_ = ToolLayerFactory::callout(s, dragRect(point, modifiers));
    } else if (tool_ == ToolKind::crop) {
        band_ = dragRect(point, modifiers);
        marquee_ = Marquee::crop;
    } else if (tool_ == ToolKind::cutout) {
        if (const auto strip = cutStrip(point)) {
            const CutOutToolStyle& c = s.cutout;
            if (c.edgeStyle == CutOutEdgeStyle::straight) {
                band_ = strip;
                marquee_ = Marquee::cutOut;
            } else {
                preview_ =
                    std::make_shared<CutOutLayer>(*strip, c.orientation, c.edgeStyle, c.density, c.depth);
            }
        }
    }
}

void ToolController::finishCreation(const QPointF& point, Qt::KeyboardModifiers modifiers) {
    const ToolStyles& s = vm_.styles();
    auto bigEnough = [](const QRectF& r) { return r.width() >= kMinExtent && r.height() >= kMinExtent; };

    if (ToolLayerFactory::isBoxTool(tool_)) {
        const bool lasso =
            (tool_ == ToolKind::mosaic || tool_ == ToolKind::blur) && s.mosaic.shape == MosaicShape::polygon;
        if (lasso) {
            // The lasso's own box; the points are its outline.
            const QRectF box = QPolygonF(points_).boundingRect();
            if (points_.size() >= 3 && bigEnough(box)) {
                addCreated(ToolLayerFactory::boxLayer(tool_, s, box, points_), tool_);
            }
            return;
        }
        const QRectF r = ToolLayerFactory::creationBox(tool_, s, dragRect(point, modifiers));
        if (bigEnough(r)) {
            addCreated(ToolLayerFactory::boxLayer(tool_, s, r, {}, vm_.baseImage()), tool_);
        }
        return;
    }
    switch (tool_) {
    case ToolKind::arrow:
    case ToolKind::line: {
        const QPointF end = lineEnd(point, modifiers);
        if (QLineF(down_, end).length() < kMinExtent) {
            return;
        }
        addCreated(tool_ == ToolKind::arrow ? LayerPtr(ToolLayerFactory::arrow(s, down_, end))
                                            : LayerPtr(ToolLayerFactory::line(s, down_, end)),
                   tool_);
        return;
    }
    case ToolKind::pen:
    case ToolKind::eraser: {
        // A click, or a jitter within a pixel or two, draws no stroke.
        const QRectF box = QPolygonF(points_).boundingRect();
        if (points_.size() >= 2 && std::max(box.width(), box.height()) >= kMinExtent) {
            addCreated(tool_ == ToolKind::pen ? LayerPtr(ToolLayerFactory::pen(s, points_))
                                              : LayerPtr(ToolLayerFactory::eraser(s, points_)),
                       tool_);
        }
        return;
    }
    case ToolKind::callout: {
        QRectF body = dragRect(point, modifiers);
        if (!bigEnough(body)) {
            body = QRectF(down_.x() - kDefaultCalloutWidth / 2, down_.y() - kDefaultCalloutHeight / 2,
                          kDefaultCalloutWidth, kDefaultCalloutHeight);
        }
        beginTextEdit(ToolLayerFactory::callout(s, body), true);
        return;
    }
    case ToolKind::crop: {
        const QRectF r = ToolLayerFactory::creationBox(tool_, s, dragRect(point, modifiers));
        if (bigEnough(r)) {
            vm_.commitCrop(r);
        }
        return;
    }
    case ToolKind::cutout: {
        const auto strip = cutStrip(point);
        if (!strip) {
            return;
        }
        const CutOutToolStyle& c = s.cutout;
        const bool horizontal = c.orientation == CutOutOrientation::horizontal;
        if (c.edgeStyle == CutOutEdgeStyle::straight) {
            if (vm_.applyCutOut(c.orientation, horizontal ? strip->top() : strip->left(),
                                horizontal ? strip->bottom() : strip->right())) {
                vm_.recordRecentStyle(ToolKind::cutout);
            }
        } else {
            addCreated(std::make_shared<CutOutLayer>(*strip, c.orientation, c.edgeStyle, c.density, c.depth),
                       ToolKind::cutout);
        }
        return;
    }
    default:
        return;
    }
}

void ToolController::finishMarquee(const QPointF& point, Qt::KeyboardModifiers) {
    const QRectF band = QRectF(down_, point).normalized();
    const bool dragged = band.width() >= kMinExtent || band.height() >= kMinExtent;
    if (!dragged) {
        // A click on nothing.
        if (!bandAdds_) {
            vm_.deselectAll();
        }
        return;
    }
    LayerList picked = bandAdds_ ? vm_.selectedLayers() : LayerList{};
    for (const LayerPtr& l : vm_.layers()) {
        if (selectable(l) && l->bounds().intersects(band) && !picked.contains(l)) {
            picked.append(l);
        }
    }
    selectExactly(picked);
}

void ToolController::addCreated(const LayerPtr& layer, ToolKind tool) {
    if (!layer) {
        return;
    }
    vm_.addLayer(layer, true);
    vm_.recordRecentStyle(tool);
}

// --- text ------------------------------------------------------------------------------------

LayerPtr ToolController::layerAt(const QPointF& point) const {
    const LayerList& layers = vm_.layers();
    for (auto it = layers.crbegin(); it != layers.crend(); ++it) {
        const LayerPtr& l = *it;
        if (!selectable(l)) {
            continue;
        }
        // A cut-out is hit on a band along its edges as wide as the canvas asks.
        const auto* cut = dynamic_cast<const CutOutLayer*>(l.get());
        if (cut ? cut->hitTest(point, hitTolerance_) : l->hitTest(point)) {
            return l;
        }
    }
    return nullptr;
}

LayerPtr ToolController::textLayerAt(const QPointF& point, bool text, bool callout) const {
    const LayerList& layers = vm_.layers();
    for (auto it = layers.crbegin(); it != layers.crend(); ++it) {
        const LayerPtr& l = *it;
        const bool kind = (text && l->toolKind == ToolKind::text && dynamic_cast<TextLayer*>(l.get())) ||
                          (callout && dynamic_cast<CalloutLayer*>(l.get()));
        if (kind && !l->isLocked && l->hitTest(point)) {
            return l;
        }
    }
    return nullptr;
}

void ToolController::beginTextEdit(const LayerPtr& layer, bool isNew) {
    reset();
    textLayer_ = layer;
    textIsNew_ = isNew;
    vm_.setTextEditing(true);
    Q_EMIT textEditRequested(layer, isNew);
    Q_EMIT changed();
}

void ToolController::endTextEdit() {
    textLayer_.reset();
    textIsNew_ = false;
    vm_.setTextEditing(false);
    Q_EMIT textEditEnded();
    Q_EMIT changed();
}

void ToolController::commitText(const QString& text) {
    if (!textLayer_) {
        return;
    }
    const LayerPtr layer = textLayer_;
    const bool isNew = textIsNew_;
    // The editor ignores selection commands while a text is edited, so end that first.
    endTextEdit();
    const bool blank = text.trimmed().isEmpty();
    if (isNew) {
        if (!blank) {
            addCreated(withText(layer, text), layer->toolKind);
        }
        return;
    }
    if (!vm_.layers().contains(layer)) {
        return;
    }
    if (blank) {
        vm_.selectLayer(layer);
        vm_.deleteSelection();
    } else if (text != textOf(layer)) {
        vm_.replaceLayer(layer, withText(layer, text));
    }
}

void ToolController::cancelText() {
    if (textLayer_) {
        endTextEdit();
    }
}

// --- handles, cursor and keys ----------------------------------------------------------------

QList<LayerHandle> ToolController::handles() const {
    const LayerPtr& sel = vm_.selectedLayer();
    if (!sel || sel->isLocked || !vm_.multiSelection().isEmpty() || sel == textLayer_) {
        return {};
    }
    return LayerHandles::of(*sel);
}

std::optional<LayerHandle> ToolController::handleAt(const QPointF& point) const {
    std::optional<LayerHandle> best;
    double bestDistance = hitTolerance_;
    for (const LayerHandle& h : handles()) {
        const double d = QLineF(h.position, point).length();
        if (d <= bestDistance) {
            best = h;
            bestDistance = d;
        }
    }
    return best;
}

Qt::CursorShape ToolController::hoverCursor(const QPointF& point) const {
    if (textLayer_) {
        return Qt::ArrowCursor;
    }
    if (mode_ == Mode::move) {
        return Qt::SizeAllCursor;
    }
    if (mode_ == Mode::handle) {
        return LayerHandles::cursor(handle_.kind);
    }
    const ToolKind tool = vm_.currentTool();
    if (tool != ToolKind::crop) {
        if (const auto h = handleAt(point)) {
            return LayerHandles::cursor(h->kind);
        }
    }
    switch (tool) {
    case ToolKind::selection:
        return layerAt(point) ? Qt::SizeAllCursor : Qt::ArrowCursor;
    case ToolKind::text:
        return textLayerAt(point, true, false) ? Qt::PointingHandCursor : Qt::IBeamCursor;
    case ToolKind::callout:
        return textLayerAt(point, false, true) ? Qt::PointingHandCursor : Qt::CrossCursor;
    case ToolKind::fill:
    case ToolKind::step:
    case ToolKind::stamp:
    case ToolKind::magnify:
        return Qt::PointingHandCursor;
    case ToolKind::cutout:
        return vm_.styles().cutout.orientation == CutOutOrientation::horizontal ? Qt::SplitVCursor
                                                                                : Qt::SplitHCursor;
    default:
        return Qt::CrossCursor;
    }
}

bool ToolController::keyPress(int key, Qt::KeyboardModifiers modifiers) {
    if (textLayer_ || vm_.isTextEditing()) {
        return false;
    }
    const double step = (modifiers & Qt::ShiftModifier) ? 10 : 1;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (mode_ != Mode::idle) {
            return false;
        }
        const double dx = key == Qt::Key_Left ? -step : key == Qt::Key_Right ? step : 0;
        const double dy = key == Qt::Key_Up ? -step : key == Qt::Key_Down ? step : 0;
        return vm_.nudgeSelection(dx, dy);
    }
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        vm_.endNudgeRun();
        if (mode_ != Mode::idle || vm_.selectedLayers().isEmpty()) {
            return false;
        }
        vm_.deleteSelection();
        return true;
    case Qt::Key_Escape:
        vm_.endNudgeRun();
        if (mode_ != Mode::idle) {
            cancelInteraction();
            return true;
        }
        if (vm_.selectedLayers().isEmpty()) {
            return false;
        }
        vm_.deselectAll();
        return true;
    default:
        vm_.endNudgeRun();
        return false;
    }
}

bool ToolController::keyRelease(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
        vm_.endNudgeRun();
        return true;
    }
    return false;
}

void ToolController::selectExactly(const LayerList& picked) {
    if (picked.isEmpty()) {
        vm_.deselectAll();
    } else if (picked.size() == 1) {
        vm_.selectLayer(picked.first());
    } else {
        vm_.setMultiSelection(picked);
    }
}

} // namespace mebo
