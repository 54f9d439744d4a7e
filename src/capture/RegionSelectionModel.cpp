#include "capture/RegionSelectionModel.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>

namespace mebo {

RegionSelectionModel::RegionSelectionModel(const QRect& bounds, SnapIntent intent)
    : bounds_(bounds.normalized()), intent_(intent) {}

void RegionSelectionModel::preselect(const QRect& rect) {
    if (phase_ == Phase::finished) {
        return;
    }
    const QRect r = rect.normalized().intersected(bounds_);
    if (r.isEmpty()) {
        return;
    }
    selection_ = r;
    locked_ = false;
    selectionTitle_.clear();
    activeHandle_.reset();
    phase_ = Phase::adjusting;
}

void RegionSelectionModel::clearSelection() {
    if (phase_ == Phase::finished) {
        return;
    }
    selection_.reset();
    locked_ = false;
    selectionTitle_.clear();
    activeHandle_.reset();
    phase_ = Phase::hovering;
}

void RegionSelectionModel::setHoveredRegion(const std::optional<SnapRegion>& region) {
    hovered_ = region;
}

bool RegionSelectionModel::hasAdjustableSelection() const {
    return selection_.has_value() && !locked_ && (phase_ == Phase::adjusting || phase_ == Phase::resizing);
}

std::optional<SnapRegion> RegionSelectionModel::highlightedRegion() const {
    if (!allowsWindowSnap_ || !hovered_) {
        return std::nullopt;
    }
    if (phase_ != Phase::hovering && phase_ != Phase::pressing && phase_ != Phase::adjusting) {
        return std::nullopt;
    }
    if (selection_ && (selection_->contains(pointer_) || handleAt(pointer_))) {
        return std::nullopt;
    }
    return hovered_;
}

QPointF RegionSelectionModel::anchor(const QRect& r, HandlePos h) {
    // Edges sit on the rectangle's outline: right and bottom are x + width and y + height.
    const double l = r.x(), t = r.y(), rr = r.x() + r.width(), b = r.y() + r.height();
    const double mx = (l + rr) / 2.0, my = (t + b) / 2.0;
    switch (h) {
    case HandlePos::topLeft:
        return {l, t};
    case HandlePos::top:
        return {mx, t};
    case HandlePos::topRight:
        return {rr, t};
    case HandlePos::left:
        return {l, my};
    case HandlePos::right:
        return {rr, my};
    case HandlePos::bottomLeft:
        return {l, b};
    case HandlePos::bottom:
        return {mx, b};
    case HandlePos::bottomRight:
        return {rr, b};
    case HandlePos::inside:
        break;
    }
    return {mx, my};
}

std::optional<RegionSelectionModel::HandlePos> RegionSelectionModel::handleAt(const QPoint& p) const {
    if (!selection_ || locked_ || (phase_ != Phase::adjusting && phase_ != Phase::resizing)) {
        return std::nullopt;
    }
    const double half = handleHitSize / 2.0;
    for (int i = 0; i < 8; ++i) {
        const auto h = HandlePos(i);
        const QPointF a = anchor(*selection_, h);
        if (std::abs(p.x() - a.x()) <= half && std::abs(p.y() - a.y()) <= half) {
            return h;
        }
    }
    if (selection_->contains(p)) {
        return HandlePos::inside;
    }
    return std::nullopt;
}

QList<QRectF> RegionSelectionModel::handleRects() const {
    QList<QRectF> out;
    if (!hasAdjustableSelection()) {
        return out;
    }
    const double half = handleSize / 2.0;
    for (int i = 0; i < 8; ++i) {
        const QPointF a = anchor(*selection_, HandlePos(i));
        out << QRectF(a.x() - half, a.y() - half, handleSize, handleSize);
    }
    return out;
}

QPoint RegionSelectionModel::clampPoint(const QPoint& p) const {
    // The far edges are inclusive: a rectangle may reach the display's right and bottom borders.
    return QPoint(std::clamp(p.x(), bounds_.x(), bounds_.x() + bounds_.width()),
                  std::clamp(p.y(), bounds_.y(), bounds_.y() + bounds_.height()));
}

QRect RegionSelectionModel::rectFromEdges(int l, int t, int r, int b) const {
    const QPoint a = clampPoint(QPoint(l, t));
    const QPoint z = clampPoint(QPoint(r, b));
    return QRect(std::min(a.x(), z.x()), std::min(a.y(), z.y()), std::abs(z.x() - a.x()),
                 std::abs(z.y() - a.y()));
}

void RegionSelectionModel::mouseDown(const QPoint& p) {
    if (phase_ == Phase::finished) {
        return;
    }
    pointer_ = p;
    pressPoint_ = p;
    if (const auto h = handleAt(p)) {
        activeHandle_ = h;
        resizeOrigin_ = *selection_;
        phase_ = Phase::resizing;
        return;
    }
    activeHandle_.reset();
    phase_ = Phase::pressing;
}

void RegionSelectionModel::mouseMove(const QPoint& p) {
    if (phase_ == Phase::finished) {
        return;
    }
    pointer_ = p;
    switch (phase_) {
    case Phase::pressing: {
        const double moved = std::hypot(double(p.x() - pressPoint_.x()), double(p.y() - pressPoint_.y()));
        if (moved < dragThreshold) {
            return;
        }
        phase_ = Phase::dragging;
        locked_ = false;
        selectionTitle_.clear();
        selection_ = rectFromEdges(pressPoint_.x(), pressPoint_.y(), p.x(), p.y());
        return;
    }
    case Phase::dragging:
        selection_ = rectFromEdges(pressPoint_.x(), pressPoint_.y(), p.x(), p.y());
        return;
    case Phase::resizing:
        applyResize(p);
        return;
    case Phase::hovering:
    case Phase::adjusting:
    case Phase::finished:
        return;
    }
}

void RegionSelectionModel::applyResize(const QPoint& p) {
    const int dx = p.x() - pressPoint_.x();
    const int dy = p.y() - pressPoint_.y();
    const QRect o = resizeOrigin_;
    int l = o.x(), t = o.y(), r = o.x() + o.width(), b = o.y() + o.height();
    switch (*activeHandle_) {
    case HandlePos::inside: {
        // Moving keeps the size; the rectangle stops at the display's edges.
        const int nx = std::clamp(o.x() + dx, bounds_.x(), bounds_.x() + bounds_.width() - o.width());
        const int ny = std::clamp(o.y() + dy, bounds_.y(), bounds_.y() + bounds_.height() - o.height());
        const QRect moved(nx, ny, o.width(), o.height());
        if (moved != *selection_) {
            selectionTitle_.clear();
        }
        selection_ = moved;
        return;
    }
    case HandlePos::topLeft:
        l += dx;
        t += dy;
        break;
    case HandlePos::top:
        t += dy;
        break;
    case HandlePos::topRight:
        r += dx;
        t += dy;
        break;
    case HandlePos::left:
        l += dx;
        break;
    case HandlePos::right:
        r += dx;
        break;
    case HandlePos::bottomLeft:
        l += dx;
        b += dy;
        break;
    case HandlePos::bottom:
        b += dy;
        break;
    case HandlePos::bottomRight:
        r += dx;
        b += dy;
        break;
    }
    // An edge dragged across its opposite flips the rectangle (it stays standardised).
    const QRect resized = rectFromEdges(l, t, r, b);
    if (resized != *selection_) {
        selectionTitle_.clear();
    }
    selection_ = resized;
}

std::optional<RegionSelectionModel::Finish> RegionSelectionModel::mouseUp(const QPoint& p, bool shift) {
    if (phase_ == Phase::finished) {
        return std::nullopt;
    }
    mouseMove(p);
    if (picksPoint_) {
        // The colour picker: the point released on, whatever moved before.
        return finish(Finish{Finish::Kind::region, QRect(clampPoint(p), QSize(1, 1)), std::nullopt, false});
    }
    switch (phase_) {
    case Phase::pressing: {
        return click(shift);
    }
    case Phase::dragging:
        if (!selection_ || selection_->isEmpty()) {
            clearSelection();
            return std::nullopt;
        }
        // A dragged rectangle waits to be corrected: Return, Enter, Space or a double click
        // inside it takes it.
        phase_ = Phase::adjusting;
        return std::nullopt;
    case Phase::resizing:
        activeHandle_.reset();
        phase_ = Phase::adjusting;
        return std::nullopt;
    case Phase::hovering:
    case Phase::adjusting:
    case Phase::finished:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<RegionSelectionModel::Finish> RegionSelectionModel::click(bool shift) {
    const std::optional<SnapRegion> region = highlightedRegion();
    if (!region) {
        // A click on nothing keeps what was there.
        phase_ = selection_ ? Phase::adjusting : Phase::hovering;
        return std::nullopt;
    }
    const QRect rect = region->rect.normalized().intersected(bounds_);
    if (rect.isEmpty()) {
        phase_ = selection_ ? Phase::adjusting : Phase::hovering;
        return std::nullopt;
    }
    // Shift keeps the clicked region as an adjustable rectangle; in recording-area mode a plain
    // click locks the window's frame as the selection.
    if (recordingArea_ || shift) {
        selection_ = rect;
        locked_ = recordingArea_ && !shift;
        selectionTitle_ = region->title;
        phase_ = Phase::adjusting;
        return std::nullopt;
    }
    const bool asWindow = region->windowId != 0 && !region->isContentArea && intent_ != SnapIntent::scroll;
    return finish(Finish{asWindow ? Finish::Kind::window : Finish::Kind::region, rect,
                         asWindow ? region : std::nullopt, false});
}

RegionSelectionModel::Finish RegionSelectionModel::finish(Finish f) {
    phase_ = Phase::finished;
    activeHandle_.reset();
    return f;
}

RegionSelectionModel::Finish RegionSelectionModel::cancel() {
    return finish(Finish{});
}

std::optional<RegionSelectionModel::Finish> RegionSelectionModel::doubleClick(const QPoint& p) {
    if (phase_ != Phase::adjusting || recordingArea_ || !hasAdjustableSelection() || selection_->isEmpty() ||
        !selection_->contains(p)) {
        return std::nullopt;
    }
    return finish(Finish{Finish::Kind::region, *selection_, std::nullopt, true});
}

bool RegionSelectionModel::nudge(int key, bool resize) {
    const int dx = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
    const int dy = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
    if ((dx == 0 && dy == 0) || phase_ != Phase::adjusting || !hasAdjustableSelection()) {
        return false;
    }
    const QRect r = *selection_;
    QRect next;
    if (resize) {
        // Shift: the right or bottom edge follows the arrow; at least one point remains.
        next = QRect(r.topLeft(), QSize(std::max(1, r.width() + dx), std::max(1, r.height() + dy)))
                   .intersected(bounds_);
    } else {
        const int nx = std::clamp(r.x() + dx, bounds_.x(), bounds_.x() + bounds_.width() - r.width());
        const int ny = std::clamp(r.y() + dy, bounds_.y(), bounds_.y() + bounds_.height() - r.height());
        next = QRect(nx, ny, r.width(), r.height());
    }
    if (next != r) {
        selectionTitle_.clear();
        selection_ = next;
    }
    return true;
}

RegionSelectionModel::KeyResult RegionSelectionModel::keyPress(int key, Qt::KeyboardModifiers modifiers) {
    if (phase_ == Phase::finished) {
        return {};
    }
    if (key == Qt::Key_Escape) {
        return {true, cancel()};
    }
    if (nudge(key, modifiers & Qt::ShiftModifier)) {
        return {true, std::nullopt};
    }
    const bool confirmKey = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    if (confirmKey && !recordingArea_ && phase_ == Phase::adjusting && hasAdjustableSelection() &&
        !selection_->isEmpty()) {
        return {true, finish(Finish{Finish::Kind::region, *selection_, std::nullopt, true})};
    }
    return {};
}

std::optional<QRect> RegionSelectionModel::scrollButtonRect() const {
    if (!scrollShortcutEnabled_ || recordingArea_ || !hasAdjustableSelection() || phase_ == Phase::resizing) {
        return std::nullopt;
    }
    const QRect& r = *selection_;
    const int room = scrollButtonSize + 2 * scrollButtonInset;
    if (r.width() < room || r.height() < room) {
        return std::nullopt;
    }
    return QRect(r.x() + r.width() - scrollButtonInset - scrollButtonSize,
                 r.y() + r.height() - scrollButtonInset - scrollButtonSize, scrollButtonSize,
                 scrollButtonSize);
}

std::optional<RegionSelectionModel::Finish> RegionSelectionModel::scrollShortcut() {
    if (!scrollShortcutEnabled_ || recordingArea_ || !selection_ || selection_->isEmpty() ||
        phase_ == Phase::finished || phase_ == Phase::dragging || phase_ == Phase::resizing) {
        return std::nullopt;
    }
    return finish(Finish{Finish::Kind::scroll, *selection_, std::nullopt, false});
}

std::optional<RegionSelectionModel::Finish> RegionSelectionModel::startRecording() {
    if (!recordingArea_ || !selection_ || selection_->isEmpty() || phase_ == Phase::finished ||
        phase_ == Phase::dragging || phase_ == Phase::resizing) {
        return std::nullopt;
    }
    return finish(Finish{Finish::Kind::region, *selection_, std::nullopt, false});
}

QString RegionSelectionModel::withScroll(const QString& head) const {
    // The shortcut is Ctrl on this platform.
    return scrollShortcutEnabled_ ? head + QStringLiteral(" · Ctrl Scroll · ESC cancel")
                                  : head + QStringLiteral(" · ESC cancel");
}

QPoint RegionSelectionModel::loupeOrigin(const QPoint& pointer, const QSize& loupe, const QRect& bounds) {
    constexpr int gap = 20; // clear of the cursor
    int x = pointer.x() + gap;
    int y = pointer.y() + gap;
    if (x + loupe.width() > bounds.x() + bounds.width()) {
        x = pointer.x() - gap - loupe.width();
    }
    if (y + loupe.height() > bounds.y() + bounds.height()) {
        y = pointer.y() - gap - loupe.height();
    }
    return QPoint(std::max(x, bounds.x()), std::max(y, bounds.y()));
}

QString RegionSelectionModel::detailHint() const {
    if (picksPoint_ || recordingArea_ || !selection_ || phase_ != Phase::adjusting ||
        !hasAdjustableSelection()) {
        return {};
    }
    return QStringLiteral("Double-click inside also captures · Arrows move it · ⇧ Arrows resize it");
}

QString RegionSelectionModel::hintText() const {
    if (picksPoint_) {
        return QStringLiteral("Click to copy the colour · ESC cancel");
    }
    const bool drawing = phase_ == Phase::dragging || phase_ == Phase::resizing;
    if (recordingArea_ && selection_) {
        return locked_ && !drawing ? QStringLiteral("Selection locked · Use panel to start recording")
                                   : QStringLiteral("Drag handles · Use panel to start recording");
    }
    if (selection_ && (phase_ == Phase::adjusting || phase_ == Phase::resizing)) {
        return QStringLiteral("Drag handles · Enter confirm · ESC cancel");
    }
    if (intent_ == SnapIntent::scroll) {
        return QStringLiteral("Drag scroll region · ⇧ Adjust · ESC cancel");
    }
    if (phase_ == Phase::dragging || !allowsWindowSnap_) {
        return withScroll(QStringLiteral("⇧ Adjust"));
    }
    const bool overContent = hovered_ && hovered_->isContentArea;
    if (overContent) {
        return withScroll(QStringLiteral("Click content area · Drag select · ⇧ Adjust"));
    }
    if (intent_ == SnapIntent::window) {
        return withScroll(QStringLiteral("Click window · Drag select · ⇧ Adjust"));
    }
    return withScroll(QStringLiteral("Drag select · Click window · ⇧ Adjust"));
}

std::optional<QRect> RegionSelectionModel::headsUpRect() const {
    if (phase_ == Phase::finished) {
        return std::nullopt;
    }
    if (selection_) {
        return selection_;
    }
    if (const auto h = highlightedRegion()) {
        const QRect r = h->rect.normalized().intersected(bounds_);
        if (!r.isEmpty()) {
            return r;
        }
    }
    return std::nullopt;
}

QString RegionSelectionModel::headsUpSize() const {
    const auto r = headsUpRect();
    return r ? sizeText(r->size()) : QString();
}

QString RegionSelectionModel::headsUpTitle() const {
    if (phase_ == Phase::finished) {
        return {};
    }
    if (selection_) {
        return selectionTitle_;
    }
    if (const auto h = highlightedRegion()) {
        return h->title;
    }
    return {};
}

QString RegionSelectionModel::sizeText(const QSize& size) {
    return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height());
}

} // namespace mebo
