#include "editor/BorderTrim.h"
#include "editor/EditorVM.h"

namespace mebo {

bool EditorVM::canTrimBorders() const {
    // Menus ask on every opening; the scan is done once per base image.
    if (!trimmable_ || trimmable_->first != baseRevision_) {
        trimmable_ = std::make_pair(baseRevision_, BorderTrim::keptRect(base_).has_value());
    }
    return trimmable_->second;
}

bool EditorVM::trimBorders() {
    const std::optional<QRect> kept = BorderTrim::keptRect(base_);
    if (!kept) {
        return false;
    }
    commitPending();
    pushUndo(snapshot());
    const QPointF shift = -QPointF(kept->topLeft());
    LayerList next;
    next.reserve(layers_.size());
    for (const LayerPtr& l : layers_) {
        if (shift.isNull()) {
            next.append(l);
            continue;
        }
        LayerPtr moved = l->translated(shift.x(), shift.y());
        if (moved != l) {
            moved->isLocked = l->isLocked; // a fresh copy: trimming is not an unlock
        }
        next.append(moved);
    }
    const QRectF visible = canvasRect_.translated(shift).intersected(QRectF(QPointF(), QSizeF(kept->size())));
    canvasRect_ = visible.isEmpty() ? QRectF(QPointF(), QSizeF(kept->size())) : visible;
    setBaseImage(base_.copy(*kept));
    const bool hadSelection = selected_ || !multi_.isEmpty();
    selected_.reset();
    multi_.clear();
    applyLayers(next);
    Q_EMIT canvasRectChanged();
    if (hadSelection) {
        Q_EMIT selectionChanged();
    }
    return true;
}

} // namespace mebo
