#include "editor/EditorVM.h"

#include "app/AppLogger.h"
#include "app/BackgroundTask.h"
#include "app/MainThread.h"
#include "document/ArrowLayer.h"
#include "document/CoverLayers.h"
#include "document/CutOutLayer.h"
#include "document/DocumentFlattener.h"
#include "document/EraserStrokeLayer.h"
#include "document/FillLayer.h"
#include "document/PasteImageLayer.h"
#include "document/RegionFillLayer.h"
#include "editor/FloodFill.h"
#include "editor/LayerArrangement.h"
#include "editor/StraightCut.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

bool isEraser(const LayerPtr& layer) {
    return dynamic_cast<const EraserStrokeLayer*>(layer.get()) != nullptr;
}

// Layers the selection commands may pick.
bool isSelectable(const LayerPtr& layer) {
    return layer && !layer->isLocked && !isEraser(layer);
}

LayerList erasersOf(const LayerList& layers) {
    LayerList out;
    for (const LayerPtr& l : layers) {
        if (isEraser(l)) {
            out.append(l);
        }
    }
    return out;
}

bool sameIdentities(const LayerList& a, const LayerList& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].get() != b[i].get()) {
            return false;
        }
    }
    return true;
}

} // namespace

EditorVM::EditorVM(const QImage& baseImage, const ToolStyles& styles, QObject* parent)
    : QObject(parent), base_(baseImage), canvasRect_(QRectF(baseImage.rect())), styles_(styles) {}

EditorVM::~EditorVM() {
    *alive_ = false;
}

void EditorVM::setCurrentTool(ToolKind tool) {
    if (tool == currentTool_) {
        return;
    }
    commitPending();
    currentTool_ = tool;
    Q_EMIT currentToolChanged(tool);
}

void EditorVM::setStyles(const ToolStyles& s) {
    const ToolStyles old = styles_;
    styles_ = s;
    auto announce = [this](bool changed, StyleGroup group) {
        if (changed) {
            Q_EMIT styleChanged(group);
        }
    };
    announce(old.strokeColor != s.strokeColor || old.strokeWidth != s.strokeWidth ||
                 old.fontSize != s.fontSize,
             StyleGroup::stroke);
    announce(!(old.arrow == s.arrow), StyleGroup::arrow);
    announce(!(old.line == s.line), StyleGroup::line);
    announce(!(old.shape == s.shape), StyleGroup::shape);
    announce(!(old.pen == s.pen), StyleGroup::pen);
    announce(!(old.text == s.text), StyleGroup::text);
    announce(!(old.callout == s.callout), StyleGroup::callout);
    announce(!(old.mosaic == s.mosaic), StyleGroup::mosaic);
    announce(!(old.step == s.step), StyleGroup::step);
    announce(!(old.stamp == s.stamp), StyleGroup::stamp);
    announce(!(old.magnify == s.magnify), StyleGroup::magnify);
    announce(!(old.highlighter == s.highlighter), StyleGroup::highlighter);
    announce(!(old.eraser == s.eraser), StyleGroup::eraser);
    announce(!(old.cutout == s.cutout), StyleGroup::cutout);
    announce(!(old.spotlight == s.spotlight), StyleGroup::spotlight);
    announce(!(old.simplify == s.simplify), StyleGroup::simplify);
    announce(!(old.fill == s.fill), StyleGroup::fill);
}

// --- selection -------------------------------------------------------------------------------

LayerList EditorVM::selectedLayers() const {
    if (!multi_.isEmpty()) {
        LayerList ordered;
        for (const LayerPtr& l : layers_) {
            if (multi_.contains(l)) {
                ordered.append(l);
            }
        }
        return ordered;
    }
    return selected_ ? LayerList{selected_} : LayerList{};
}

bool EditorVM::isSelected(const LayerPtr& layer) const {
    return layer && (layer == selected_ || multi_.contains(layer));
}

void EditorVM::selectLayer(const LayerPtr& layer) {
    const LayerPtr pick = layers_.contains(layer) ? layer : nullptr;
    if (pick == selected_ && multi_.isEmpty()) {
        return;
    }
    selected_ = pick;
    multi_.clear();
    Q_EMIT selectionChanged();
}

void EditorVM::setMultiSelection(const LayerList& layers) {
    LayerList kept;
    for (const LayerPtr& l : layers) {
        if (layers_.contains(l) && !kept.contains(l)) {
            kept.append(l);
        }
    }
    selected_.reset();
    multi_ = kept;
    Q_EMIT selectionChanged();
}

void EditorVM::selectAll() {
    if (textEditing_) {
        return;
    }
    LayerList all;
    std::copy_if(layers_.begin(), layers_.end(), std::back_inserter(all), isSelectable);
    setMultiSelection(all);
}

void EditorVM::selectSimilar() {
    if (textEditing_ || !isSelectable(selected_)) {
        return;
    }
    const ToolKind kind = selected_->toolKind;
    LayerList similar;
    std::copy_if(layers_.begin(), layers_.end(), std::back_inserter(similar),
                 [kind](const LayerPtr& l) { return isSelectable(l) && l->toolKind == kind; });
    setMultiSelection(similar);
}

void EditorVM::deselectAll() {
    if (textEditing_ || (!selected_ && multi_.isEmpty())) {
        return;
    }
    selected_.reset();
    multi_.clear();
    Q_EMIT selectionChanged();
}

void EditorVM::invertSelection() {
    if (textEditing_) {
        return;
    }
    const LayerList current = selectedLayers();
    LayerList inverted;
    std::copy_if(layers_.begin(), layers_.end(), std::back_inserter(inverted),
                 [&](const LayerPtr& l) { return isSelectable(l) && !current.contains(l); });
    setMultiSelection(inverted);
}

void EditorVM::deleteSelection() {
    const LayerList doomed = selectedLayers();
    if (textEditing_ || doomed.isEmpty()) {
        return;
    }
    commitPending();
    pushUndo(snapshot());
    LayerList kept;
    std::copy_if(layers_.begin(), layers_.end(), std::back_inserter(kept),
                 [&](const LayerPtr& l) { return !doomed.contains(l); });
    selected_.reset();
    multi_.clear();
    applyLayers(kept);
    Q_EMIT selectionChanged();
}

void EditorVM::duplicateSelection() {
    if (textEditing_) {
        return;
    }
    const bool single = multi_.isEmpty();
    const LayerList sources = selectedLayers();
    if (sources.isEmpty()) {
        return;
    }
    commitPending();
    pushUndo(snapshot());
    LayerList copies;
    for (const LayerPtr& l : sources) {
        copies.append(l->translated(20, 20));
    }
    applyLayers(layers_ + copies);
    if (single) {
        selected_ = copies.first();
        multi_.clear();
    } else {
        selected_.reset();
        multi_ = copies;
    }
    Q_EMIT selectionChanged();
}

void EditorVM::lockSelection() {
    const LayerList targets = selectedLayers();
    if (textEditing_ || targets.isEmpty()) {
        return;
    }
    // The lock is not part of the document (never saved, never undone), so it is set in place.
    for (const LayerPtr& l : targets) {
        l->isLocked = true;
    }
    selected_.reset();
    multi_.clear();
    Q_EMIT selectionChanged();
    Q_EMIT layersChanged();
}

void EditorVM::unlockAllLayers() {
    if (textEditing_) {
        return;
    }
    bool any = false;
    for (const LayerPtr& l : layers_) {
        any = any || l->isLocked;
        l->isLocked = false;
    }
    if (any) {
        Q_EMIT layersChanged();
    }
}

// --- arrangement -----------------------------------------------------------------------------

void EditorVM::moveSelectedTo(int index) {
    const int from = int(layers_.indexOf(selected_));
    if (from >= 0 && index != from) {
        LayerList moved = layers_;
        moved.move(from, index);
        reorder(moved);
    }
}

void EditorVM::reorder(const LayerList& reordered) {
    if (!sameIdentities(reordered, layers_)) {
        commitPending();
        pushUndo(snapshot());
        applyLayers(reordered);
    }
}

void EditorVM::bringForward() {
    if (textEditing_) {
        return;
    }
    if (multi_.isEmpty()) {
        moveSelectedTo(std::min(int(layers_.size()) - 1, int(layers_.indexOf(selected_)) + 1));
    } else {
        reorder(LayerArrangement::forward(layers_, multi_));
    }
}

void EditorVM::sendBackward() {
    if (textEditing_) {
        return;
    }
    if (multi_.isEmpty()) {
        const int i = int(layers_.indexOf(selected_));
        moveSelectedTo(i < 0 ? i : std::max(0, i - 1));
    } else {
        reorder(LayerArrangement::backward(layers_, multi_));
    }
}

void EditorVM::bringToFront() {
    if (textEditing_) {
        return;
    }
    if (multi_.isEmpty()) {
        moveSelectedTo(int(layers_.size()) - 1);
    } else {
        reorder(LayerArrangement::toFront(layers_, multi_));
    }
}

void EditorVM::sendToBack() {
    if (textEditing_) {
        return;
    }
    if (multi_.isEmpty()) {
        moveSelectedTo(layers_.contains(selected_) ? 0 : -1);
    } else {
        reorder(LayerArrangement::toBack(layers_, multi_));
    }
}

void EditorVM::align(LayerAlignment alignment) {
    const LayerList targets = selectedLayers();
    if (textEditing_ || targets.size() < 2) {
        return;
    }
    replaceAsOneStep(LayerArrangement::aligned(targets, alignment));
}

void EditorVM::distribute(Qt::Orientation orientation) {
    const LayerList targets = selectedLayers();
    if (textEditing_ || targets.size() < 3) {
        return;
    }
    replaceAsOneStep(LayerArrangement::distributed(targets, orientation));
}

void EditorVM::replaceAsOneStep(const QHash<const DrawingLayer*, LayerPtr>& replacements) {
    if (replacements.isEmpty()) {
        return;
    }
    commitPending();
    pushUndo(snapshot());
    replaceMany(replacements);
}

// --- changes ---------------------------------------------------------------------------------

void EditorVM::addLayer(const LayerPtr& layer, bool select) {
    if (!layer) {
        return;
    }
    commitPending();
    pushUndo(snapshot());
    applyLayers(layers_ + LayerList{layer});
    if (select) {
        selectLayer(layer);
    }
}

void EditorVM::addLayers(const LayerList& added) {
    LayerList valid;
    std::copy_if(added.begin(), added.end(), std::back_inserter(valid),
                 [](const LayerPtr& l) { return l != nullptr; });
    if (valid.isEmpty()) {
        return;
    }
    commitPending();
    pushUndo(snapshot());
    applyLayers(layers_ + valid);
}

void EditorVM::replaceLayer(const LayerPtr& oldLayer, const LayerPtr& replacement) {
    if (!replacement || oldLayer == replacement || !layers_.contains(oldLayer)) {
        return;
    }
    commitPending();
    pushUndo(snapshot());
    replaceMany({{oldLayer.get(), replacement}});
}

void EditorVM::replaceMany(const QHash<const DrawingLayer*, LayerPtr>& replacements) {
    LayerList next = layers_;
    for (LayerPtr& l : next) {
        l = replacements.value(l.get(), l);
    }
    bool selectionMoved = false;
    if (selected_ && replacements.contains(selected_.get())) {
        selected_ = replacements.value(selected_.get());
        selectionMoved = true;
    }
    for (LayerPtr& l : multi_) {
        if (replacements.contains(l.get())) {
            l = replacements.value(l.get());
            selectionMoved = true;
        }
    }
    applyLayers(next);
    if (selectionMoved) {
        Q_EMIT selectionChanged();
    }
}

void EditorVM::commitCrop(const QRectF& rect) {
    const QRectF r = QRectF(rect.normalized().toAlignedRect()).intersected(fullImageRect());
    if (r.isEmpty() || r == canvasRect_) {
        return;
    }
    commitPending();
    pushUndo(snapshot());
    canvasRect_ = r;
    ++renderRevision_;
    Q_EMIT canvasRectChanged();
}

LayerPtr EditorVM::pasteImage(const QImage& image, const std::optional<QPointF>& center) {
    if (image.isNull()) {
        return nullptr;
    }
    auto layer = std::make_shared<PasteImageLayer>();
    layer->image = image;
    QSizeF size = image.size();
    const QSizeF room = canvasRect_.size() * 0.9;
    if (size.width() > room.width() || size.height() > room.height()) {
        size = size.scaled(room, Qt::KeepAspectRatio);
    }
    const QPointF c = center.value_or(canvasRect_.center());
    layer->rect = QRectF(c.x() - size.width() / 2, c.y() - size.height() / 2, size.width(), size.height());
    addLayer(layer, true);
    return layer;
}

bool EditorVM::nudgeSelection(double dx, double dy) {
    const LayerList targets = selectedLayers();
    if (textEditing_ || currentTool_ != ToolKind::selection || targets.isEmpty() || (dx == 0 && dy == 0)) {
        return false;
    }
    if (!pendingNudge_) {
        // The run's first press: hold the snapshot instead of pushing it.
        if (arrowPropPreEdit_) {
            commitArrowPropertyEdit();
        }
        pendingNudge_ = snapshot();
        redoStack_.clear();
    }
    QHash<const DrawingLayer*, LayerPtr> moved;
    for (const LayerPtr& l : targets) {
        moved.insert(l.get(), l->translated(dx, dy));
    }
    replaceMany(moved);
    Q_EMIT historyChanged();
    return true;
}

void EditorVM::endNudgeRun() {
    if (pendingNudge_) {
        const Snapshot before = *pendingNudge_;
        pendingNudge_.reset();
        pushUndo(before);
    }
}

void EditorVM::commitPending() {
    endNudgeRun();
    commitArrowPropertyEdit();
}

void EditorVM::updateSelectedArrow(const std::shared_ptr<ArrowLayer>& edited) {
    if (!edited || !dynamic_cast<const ArrowLayer*>(selected_.get()) || edited == selected_) {
        return;
    }
    if (!arrowPropPreEdit_) {
        endNudgeRun();
        arrowPropPreEdit_ = snapshot();
    }
    replaceMany({{selected_.get(), edited}});
}

void EditorVM::commitArrowPropertyEdit() {
    if (!arrowPropPreEdit_) {
        return;
    }
    const Snapshot before = *arrowPropPreEdit_;
    arrowPropPreEdit_.reset();
    if (!sameIdentities(before.layers, layers_)) {
        pushUndo(before);
    }
}

void EditorVM::updateSelectedCutOut(CutOutEdgeStyle edgeStyle, double density, double depth) {
    const auto* cut = dynamic_cast<const CutOutLayer*>(selected_.get());
    if (!cut) {
        return;
    }
    if (edgeStyle == CutOutEdgeStyle::straight) {
        logWarning(QStringLiteral("[CutOut] updateSelectedCutOut 收到 straight; line trim 應走 applyCutOut"));
        return;
    }
    constexpr double kSame = 1e-6;
    if (edgeStyle == cut->edgeStyle() && std::abs(density - cut->density()) < kSame &&
        std::abs(depth - cut->depth()) < kSame) {
        return;
    }
    auto replacement =
        std::make_shared<CutOutLayer>(cut->rect(), cut->orientation(), edgeStyle, density, depth);
    replaceLayer(selected_, replacement);
}

bool EditorVM::applyCutOut(CutOutOrientation orientation, double from, double to) {
    const std::optional<StraightCut> cut = StraightCut::make(base_, orientation, from, to);
    if (!cut) {
        return false;
    }
    const QImage joined = cut->apply(base_);
    if (joined.isNull()) {
        return false;
    }
    commitPending();
    pushUndo(snapshot());
    LayerList next;
    for (const LayerPtr& l : layers_) {
        next.append(cut->moved(l));
    }
    canvasRect_ = cut->mapped(canvasRect_, joined.rect());
    setBaseImage(joined);
    selected_.reset();
    multi_.clear();
    applyLayers(next);
    Q_EMIT canvasRectChanged();
    Q_EMIT selectionChanged();
    return true;
}

// --- fill ------------------------------------------------------------------------------------

void EditorVM::fillAt(const QPointF& point) {
    const FillToolStyle fill = styles_.fill;
    if (fill.mode == FillMode::fullImage) {
        auto layer = std::make_shared<FillLayer>();
        layer->color = fill.color;
        layer->setAlpha(fill.fullImageAlpha);
        layer->gradient = fill.fullImageGradient;
        addLayer(layer);
        return;
    }
    if (regionBusy_) {
        return;
    }
    const bool global = fill.mode == FillMode::global;
    const quint64 generation = ++fillGeneration_;
    const int baseRevision = baseRevision_;
    const double tolerance = fill.regionTolerance;
    setRegionBusy(true);
    std::weak_ptr<bool> alive = alive_;
    startUserInitiatedTask([this, alive, generation, baseRevision, image = base_, point, tolerance, global] {
        auto found =
            global ? FloodFill::global(image, point, tolerance) : FloodFill::region(image, point, tolerance);
        std::shared_ptr<const FloodFillResult> result =
            found ? std::make_shared<const FloodFillResult>(std::move(*found)) : nullptr;
        runOnMain([this, alive, generation, baseRevision, point, global, result] {
            // The editor may be gone (another capture opened) before the search ends.
            if (const auto live = alive.lock(); live && *live) {
                finishFill(generation, baseRevision, point, global, result);
            }
        });
    });
}

void EditorVM::finishFill(quint64 generation, int baseRevision, const QPointF& seed, bool global,
                          const std::shared_ptr<const FloodFillResult>& result) {
    if (generation != fillGeneration_) {
        return;
    }
    setRegionBusy(false);
    // A mask found on a base image that has since been replaced would cover the wrong pixels.
    if (!result || baseRevision != baseRevision_) {
        return;
    }
    // Inside a cover the fill paints all or nothing: its mask must not trace what the cover hides.
    QImage mask = result->mask;
    QRect maskRect = result->maskRect;
    if (!CoverLayers::settleFillMask(mask, maskRect, seed, layers_, base_.size())) {
        return;
    }
    const FillToolStyle fill = styles_.fill;
    auto layer = std::make_shared<RegionFillLayer>();
    layer->color = fill.color;
    layer->alpha = fill.regionAlpha;
    layer->mask = mask;
    layer->maskRect = QRectF(maskRect);
    layer->seedPoint = seed;
    layer->tolerance = fill.regionTolerance;
    layer->transparent = fill.regionTransparent;
    layer->globalMode = global;
    layer->shadow = ShadowStyle::soft;
    layer->opacity = 1;
    addLayer(layer);
}

void EditorVM::setRegionBusy(bool busy) {
    if (busy != regionBusy_) {
        regionBusy_ = busy;
        Q_EMIT regionBusyChanged(busy);
    }
}

// --- drags and history -----------------------------------------------------------------------

Snapshot EditorVM::snapshot() const {
    return Snapshot{base_, layers_, canvasRect_};
}

void EditorVM::pushUndo(const Snapshot& before) {
    undoStack_.append(before);
    SnapshotLimits::trim(undoStack_);
    redoStack_.clear();
    Q_EMIT historyChanged();
}

void EditorVM::replaceLayerLive(const LayerPtr& oldLayer, const LayerPtr& replacement) {
    if (replacement && oldLayer != replacement && layers_.contains(oldLayer)) {
        replaceMany({{oldLayer.get(), replacement}});
    }
}

void EditorVM::setLayersLive(const LayerList& layers) {
    applyLayers(layers);
    pruneSelection();
}

void EditorVM::undo() {
    if (textEditing_) {
        return;
    }
    commitPending();
    if (undoStack_.isEmpty()) {
        return;
    }
    const Snapshot restored = undoStack_.takeLast();
    redoStack_.append(snapshot());
    SnapshotLimits::trim(redoStack_);
    installSnapshot(restored);
}

void EditorVM::redo() {
    if (textEditing_) {
        return;
    }
    commitPending();
    if (redoStack_.isEmpty()) {
        return;
    }
    const Snapshot restored = redoStack_.takeLast();
    undoStack_.append(snapshot());
    SnapshotLimits::trim(undoStack_);
    installSnapshot(restored);
}

void EditorVM::installSnapshot(const Snapshot& s) {
    if (!(s.baseImage.cacheKey() == base_.cacheKey())) {
        setBaseImage(s.baseImage);
    }
    const bool canvasChanged = s.canvasRect != canvasRect_;
    canvasRect_ = s.canvasRect;
    applyLayers(s.layers);
    compositeCache_.dropPicture();
    compositeRenderRev_ = -1;
    if (selected_ && !layers_.contains(selected_)) {
        selected_.reset();
    }
    multi_.clear();
    if (canvasChanged) {
        Q_EMIT canvasRectChanged();
    }
    Q_EMIT selectionChanged();
    Q_EMIT historyChanged();
}

void EditorVM::setBaseImage(const QImage& image) {
    base_ = image;
    ++baseRevision_;
    ++renderRevision_;
    pngCache_.reset();
    erasedCache_ = QImage();
    compositeCache_.clear();
    magnifierCache_.clear();
    coveredSources_.clear();
    Q_EMIT baseImageChanged();
}

void EditorVM::applyLayers(const LayerList& layers) {
    layers_ = layers;
    ++layersRevision_;
    ++renderRevision_;
    const LayerList erasers = erasersOf(layers_);
    if (!sameIdentities(erasers, eraserSignature_)) {
        eraserSignature_ = erasers;
        ++eraserRevision_;
    }
    Q_EMIT layersChanged();
}

void EditorVM::pruneSelection() {
    bool changed = false;
    if (selected_ && !layers_.contains(selected_)) {
        selected_.reset();
        changed = true;
    }
    const qsizetype before = multi_.size();
    multi_.removeIf([this](const LayerPtr& l) { return !layers_.contains(l); });
    if (changed || multi_.size() != before) {
        Q_EMIT selectionChanged();
    }
}

// --- recent styles ---------------------------------------------------------------------------

void EditorVM::recordRecentStyle(ToolKind tool) {
    QList<ToolStyleSnapshot>& list = recentStyles_[tool];
    const ToolStyleSnapshot current = ToolStyleSnapshot::capture(tool, styles_);
    list.removeAll(current);
    list.prepend(current);
    while (list.size() > kMaxRecentStyles) {
        list.removeLast();
    }
    Q_EMIT recentStylesChanged(tool);
}

void EditorVM::applyRecentStyle(ToolKind tool, const ToolStyleSnapshot& style) {
    ToolStyles next = styles_;
    style.applyTo(tool, next);
    setStyles(next);
}

// --- caches ----------------------------------------------------------------------------------

const QImage& EditorVM::erasedBase() {
    if (erasedBaseRev_ != baseRevision_ || erasedEraserRev_ != eraserRevision_ || erasedCache_.isNull()) {
        erasedCache_ = DocumentFlattener::applyErasers(base_, eraserSignature_);
        erasedBaseRev_ = baseRevision_;
        erasedEraserRev_ = eraserRevision_;
    }
    return erasedCache_;
}

MagnifySource EditorVM::magnifierSource(const std::shared_ptr<const MagnifyLayer>& lens) {
    auto it = magnifierCache_.find(lens.get());
    if (it != magnifierCache_.end() && it->baseRevision == baseRevision_ &&
        it->layersRevision == layersRevision_ && it->lens.lock() == lens) {
        return it->source;
    }
    if (magnifierCache_.size() > 64) {
        magnifierCache_.clear();
    }
    MagnifySource source = lens->sourceFrom(readSource(lens.get()));
    magnifierCache_.insert(lens.get(), MagnifierEntry{baseRevision_, layersRevision_, lens, source});
    return source;
}

void EditorVM::drawLayer(QPainter& painter, const LayerPtr& layer) {
    if (auto lens = std::dynamic_pointer_cast<const MagnifyLayer>(layer)) {
        lens->drawWithSource(painter, magnifierSource(lens));
    } else {
        layer->draw(painter, CoverLayers::readsPicture(*layer) ? readSource(layer.get()) : erasedBase());
    }
}

const QImage& EditorVM::readSource(const DrawingLayer* layer) {
    // A layer not in the list yet (being drawn) lies above all of it.
    const auto it =
        std::find_if(layers_.begin(), layers_.end(), [layer](const LayerPtr& l) { return l.get() == layer; });
    const qsizetype at = it == layers_.end() ? -1 : qsizetype(it - layers_.begin());
    return coveredSources_.sourceFor(erasedBase(), {baseRevision_, eraserRevision_}, layers_,
                                     at < 0 ? layers_.size() : at);
}

const QImage& EditorVM::composite() {
    if (compositeRenderRev_ == renderRevision_ && !compositeCache_.current().isNull()) {
        return compositeCache_.current();
    }
    LayerList drawable;
    std::copy_if(layers_.begin(), layers_.end(), std::back_inserter(drawable),
                 [](const LayerPtr& l) { return l && !isEraser(l); });
    compositeRenderRev_ = renderRevision_;
    return compositeCache_.picture(
        erasedBase(), {baseRevision_, eraserRevision_}, drawable,
        [this](QPainter& p, const LayerPtr& l) { drawLayer(p, l); }, CoveredSources::dependents(drawable));
}

QImage EditorVM::flattened() {
    const QRect crop = canvasRect_.normalized().toAlignedRect().intersected(base_.rect());
    if (crop.isEmpty()) {
        return {};
    }
    const QImage& whole = composite();
    return crop == whole.rect() ? whole : whole.copy(crop);
}

} // namespace mebo
