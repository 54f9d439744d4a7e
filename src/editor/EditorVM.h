#pragma once

#include "document/DrawingLayer.h"
#include "document/MagnifyLayer.h"
#include "editor/CompositeCache.h"
#include "editor/CoveredSources.h"
#include "editor/LayerArrangement.h"
#include "editor/LayerEncodeCache.h"
#include "editor/Snapshot.h"
#include "editor/ToolStyleSnapshot.h"
#include "editor/ToolStyles.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <memory>
#include <optional>

namespace mebo {

class ArrowLayer;
struct FloodFillResult;

// The model behind the annotation canvas: base image, layers, crop, current tool with the style
// of every tool, selection, undo and redo, change tracking and the project sidecar. Main thread
// only; the flood fill searches off it and applies here.
//
// Every user-visible change is one undo step holding the state before it. Layers are replaced,
// never changed, while they are in the list (the lock flag aside), so snapshots share them.
class EditorVM : public QObject {
    Q_OBJECT
public:
    explicit EditorVM(const QImage& baseImage, const ToolStyles& styles = {}, QObject* parent = nullptr);
    ~EditorVM() override;

    // --- state ---
    const QImage& baseImage() const { return base_; }
    const LayerList& layers() const { return layers_; }
    const QRectF& canvasRect() const { return canvasRect_; }
    QRectF fullImageRect() const { return QRectF(base_.rect()); }
    ToolKind currentTool() const { return currentTool_; }
    void setCurrentTool(ToolKind tool);

    const ToolStyles& styles() const { return styles_; }
    // Stores the settings and announces every group that changed.
    void setStyles(const ToolStyles& styles);

    const std::optional<QString>& saveTargetPath() const { return saveTargetPath_; }
    void setSaveTargetPath(const std::optional<QString>& path) { saveTargetPath_ = path; }

    // While a text field on the canvas is edited, the menu commands (selection, arrangement,
    // undo and redo) are ignored: they belong to the text.
    bool isTextEditing() const { return textEditing_; }
    void setTextEditing(bool editing) { textEditing_ = editing; }

    // --- selection ---
    const LayerPtr& selectedLayer() const { return selected_; }
    const LayerList& multiSelection() const { return multi_; }
    // The multi-selection when in use, else the single selection, in list order.
    LayerList selectedLayers() const;
    bool isSelected(const LayerPtr& layer) const;
    // Clears the multi-selection.
    void selectLayer(const LayerPtr& layer);
    // Layers not in the list are ignored; clears the single selection.
    void setMultiSelection(const LayerList& layers);

    void selectAll();
    void selectSimilar();
    void deselectAll();
    void invertSelection();
    void deleteSelection();
    void duplicateSelection();
    void lockSelection();
    void unlockAllLayers();

    // --- arrangement ---
    void bringForward();
    void sendBackward();
    void bringToFront();
    void sendToBack();
    void align(LayerAlignment alignment);
    void distribute(Qt::Orientation orientation);

    // --- changes, each one undo step ---
    void addLayer(const LayerPtr& layer, bool select = false);
    void addLayers(const LayerList& layers);
    // Nothing when `oldLayer` is not in the list or the two are the same object.
    void replaceLayer(const LayerPtr& oldLayer, const LayerPtr& replacement);
    // A new visible area; limited to the image. Nothing when empty or unchanged.
    void commitCrop(const QRectF& rect);
    // A pasted image on top, centred on `center` (the visible area's centre when unset) and scaled
    // down to fit the visible area. The new layer is selected.
    LayerPtr pasteImage(const QImage& image, const std::optional<QPointF>& center = std::nullopt);

    // Arrow keys: (dx, dy) for the selection when the current tool is selection. A run of nudges is
    // one undo step; any other change ends the run first.
    bool nudgeSelection(double dx, double dy);
    void endNudgeRun();

    // The arrow panel: every change while it edits the selected arrow is one undo step in total.
    void updateSelectedArrow(const std::shared_ptr<ArrowLayer>& edited);
    void commitArrowPropertyEdit();

    // The cut-out panel: replaces the selected cut-out by one with the new edge (one undo step).
    // A straight edge is refused: the straight cut is applyCutOut.
    void updateSelectedCutOut(CutOutEdgeStyle edgeStyle, double density, double depth);
    // Removes the strip [from, to) (rows for a horizontal cut, columns for a vertical one) from the
    // base image and joins the two parts; layers past the strip move with their part.
    bool applyCutOut(CutOutOrientation orientation, double from, double to);
    // Cuts the uniform borders off the base image (BorderTrim); the layers and the visible area
    // stay over the same pixels. False, and no step, when there is no border.
    bool trimBorders();
    bool canTrimBorders() const;

    // The fill tool at `point` (image pixels), in the current fill mode. Region and global fills
    // search off the main thread while regionBusy() is true.
    void fillAt(const QPointF& point);
    bool regionBusy() const { return regionBusy_; }

    // --- drags: the interaction takes the snapshot when it starts and pushes it only if
    // something changed; the layers are replaced without history meanwhile.
    Snapshot snapshot() const;
    void pushUndo(const Snapshot& before);
    void replaceLayerLive(const LayerPtr& oldLayer, const LayerPtr& replacement);
    void setLayersLive(const LayerList& layers);

    // --- history ---
    bool canUndo() const { return !undoStack_.isEmpty() || pendingNudge_.has_value(); }
    bool canRedo() const { return !redoStack_.isEmpty(); }
    void undo();
    void redo();
    const QList<Snapshot>& undoStack() const { return undoStack_; }
    const QList<Snapshot>& redoStack() const { return redoStack_; }

    // --- recent styles ---
    QList<ToolStyleSnapshot> recentStyles(ToolKind tool) const { return recentStyles_.value(tool); }
    // Remembers the tool's current style (most recent first, no duplicates, kMaxRecentStyles).
    void recordRecentStyle(ToolKind tool);
    void applyRecentStyle(ToolKind tool, const ToolStyleSnapshot& style);
    static constexpr int kMaxRecentStyles = 6;

    // --- change tracking and the sidecar ---
    QByteArray fingerprint() const;
    bool hasUnsavedChanges() const;
    const std::optional<QByteArray>& pristineFingerprint() const { return pristine_; }
    // Throws MeboDocumentError (or DocumentFileError for the file itself).
    void writeSidecar(const QString& path);
    // Replaces the content by the project's; on any error throws and leaves the editor as it was.
    void loadSidecar(const QString& path);

    // --- caches, keyed by revisions ---
    int baseRevision() const { return baseRevision_; }
    int layersRevision() const { return layersRevision_; }
    int renderRevision() const { return renderRevision_; }
    int eraserRevision() const { return eraserRevision_; }
    // PNG of the base image; decodeFailed("PNG encode failed") when none can be made.
    QByteArray basePngBytes();
    // PNG bytes known to decode to the current base image (the capture's own file), so the first
    // sidecar write need not encode it again.
    void seedBasePng(const QByteArray& png) { pngCache_ = png; }
    // The base with the eraser strokes applied.
    const QImage& erasedBase();
    // The whole image with every layer, uncropped. Rebuilt after a change from the longest
    // unchanged bottom part of the list that is still cached.
    const QImage& composite();
    // The composite cropped to the visible area: what exports write.
    QImage flattened();
    // The base-image pixels a magnifier shows, cropped once per base, layers revision and lens.
    MagnifySource magnifierSource(const std::shared_ptr<const MagnifyLayer>& lens);

Q_SIGNALS:
    void layersChanged();
    void canvasRectChanged();
    void baseImageChanged();
    void currentToolChanged(mebo::ToolKind tool);
    void styleChanged(mebo::StyleGroup group);
    void selectionChanged();
    void historyChanged();
    void regionBusyChanged(bool busy);
    void recentStylesChanged(mebo::ToolKind tool);

private:
    void commitPending();
    void applyLayers(const LayerList& layers);
    void installSnapshot(const Snapshot& s);
    void setBaseImage(const QImage& image);
    void pruneSelection();
    void replaceMany(const QHash<const DrawingLayer*, LayerPtr>& replacements);
    void moveSelectedTo(int index);
    // A new order of the same layers, one undo step when it differs.
    void reorder(const LayerList& reordered);
    void replaceAsOneStep(const QHash<const DrawingLayer*, LayerPtr>& replacements);
    void setRegionBusy(bool busy);
    void finishFill(quint64 generation, int baseRevision, const QPointF& seed, bool global,
                    const std::shared_ptr<const FloodFillResult>& result);
    // Draws one layer over the erased base; lenses take their cached source.
    void drawLayer(QPainter& painter, const LayerPtr& layer);
    // The picture a layer that reads it sees: the erased base with the covers below it.
    const QImage& readSource(const DrawingLayer* layer);

    QImage base_;
    LayerList layers_;
    QRectF canvasRect_;
    ToolKind currentTool_ = ToolKind::arrow;
    ToolStyles styles_;
    std::optional<QString> saveTargetPath_;
    bool textEditing_ = false;

    LayerPtr selected_;
    LayerList multi_;

    QList<Snapshot> undoStack_;
    QList<Snapshot> redoStack_;
    std::optional<Snapshot> pendingNudge_; // arrowKeyMergeSnapshot
    std::optional<Snapshot> arrowPropPreEdit_;
    std::optional<QByteArray> pristine_;
    QHash<ToolKind, QList<ToolStyleSnapshot>> recentStyles_;

    bool regionBusy_ = false;
    quint64 fillGeneration_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    int baseRevision_ = 0;
    int layersRevision_ = 0;
    int renderRevision_ = 0;
    int eraserRevision_ = 0;
    LayerList eraserSignature_;

    std::optional<QByteArray> pngCache_; // for baseRevision_
    QImage erasedCache_;
    int erasedBaseRev_ = -1;
    int erasedEraserRev_ = -1;
    CompositeCache compositeCache_;
    CoveredSources coveredSources_;
    int compositeRenderRev_ = -1;
    struct MagnifierEntry {
        int baseRevision;
        int layersRevision;
        std::weak_ptr<const MagnifyLayer> lens;
        MagnifySource source;
    };
    QHash<const MagnifyLayer*, MagnifierEntry> magnifierCache_;
    mutable LayerEncodeCache encodeCache_;
    mutable std::optional<std::pair<int, bool>> trimmable_; // base revision, whether it has borders
};

} // namespace mebo
