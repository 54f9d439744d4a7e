#include "ui/EditorCanvas.h"

#include "document/AnnotationTextLayout.h"
#include "document/CalloutLayer.h"
#include "document/TextLayer.h"
#include "editor/EditorVM.h"
#include "editor/PaintExtent.h"
#include "editor/ToolController.h"
#include "ui/CanvasOverlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSet>
#include <QTextEdit>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

constexpr double kMargin = 24; // around the picture when it fits
constexpr double kZoomStep = 1.25;
constexpr double kMinZoom = 0.05;
constexpr double kMaxZoom = 16.0;
constexpr int kSmoothDelayMs = 120;

bool isEraser(const LayerPtr& layer) {
    return layer && layer->toolKind == ToolKind::eraser;
}

QBrush checkerBrush() {
    QPixmap tile(16, 16);
    tile.fill(QColor(250, 250, 250));
    QPainter p(&tile);
    p.fillRect(0, 0, 8, 8, QColor(220, 220, 220));
    p.fillRect(8, 8, 8, 8, QColor(220, 220, 220));
    return QBrush(tile);
}

} // namespace

EditorCanvas::EditorCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EditorCanvas"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(240, 180);
    smoothTimer_.setSingleShot(true);
    smoothTimer_.setInterval(kSmoothDelayMs);
    connect(&smoothTimer_, &QTimer::timeout, this, &EditorCanvas::rebuildSmoothPicture);
}

EditorCanvas::~EditorCanvas() = default;

void EditorCanvas::setEditor(std::shared_ptr<EditorVM> editor) {
    if (editor == editor_) {
        return;
    }
    endTextEditor();
    answerRegion(std::nullopt);
    delete controller_;
    controller_ = nullptr;
    if (editor_) {
        disconnect(editor_.get(), nullptr, this, nullptr);
    }
    editor_ = std::move(editor);
    smooth_ = QImage();
    smoothRevision_ = -1;
    pan_ = {};
    shownLayers_.clear();
    if (editor_) {
        controller_ = new ToolController(*editor_, this);
        connect(controller_, &ToolController::changed, this, &EditorCanvas::refreshChanged);
        connect(controller_, &ToolController::textEditRequested, this, &EditorCanvas::beginTextEdit);
        connect(controller_, &ToolController::textEditEnded, this, &EditorCanvas::endTextEditor);
        EditorVM* vm = editor_.get();
        connect(vm, &EditorVM::layersChanged, this, &EditorCanvas::refreshChanged);
        connect(vm, &EditorVM::selectionChanged, this, &EditorCanvas::refreshChanged);
        connect(vm, &EditorVM::canvasRectChanged, this, [this] {
            clampPan();
            refreshAll();
        });
        connect(vm, &EditorVM::baseImageChanged, this, &EditorCanvas::refreshAll);
        connect(vm, &EditorVM::currentToolChanged, this, [this] {
            clampPan();
            refreshChanged();
        });
        controller_->setHitTolerance(CanvasOverlay::kHandleSize / scale());
    }
    refreshAll();
    Q_EMIT zoomChanged();
}

// --- geometry ----------------------------------------------------------------------------------

QRectF EditorCanvas::viewedRect() const {
    if (!editor_) {
        return {};
    }
    if (editor_->currentTool() == ToolKind::crop) {
        return editor_->fullImageRect();
    }
    const QRectF visible = editor_->canvasRect().normalized() & editor_->fullImageRect();
    return visible.isEmpty() ? editor_->fullImageRect() : visible;
}

double EditorCanvas::scale() const {
    if (zoom_) {
        return *zoom_;
    }
    const QRectF v = viewedRect();
    if (v.isEmpty()) {
        return 1;
    }
    const double fit = std::min((width() - 2 * kMargin) / v.width(), (height() - 2 * kMargin) / v.height());
    return std::clamp(fit, kMinZoom, 1.0);
}

QRectF EditorCanvas::pictureRect() const {
    const QRectF v = viewedRect();
    const QSizeF size = v.size() * scale();
    const QPointF centred((width() - size.width()) / 2, (height() - size.height()) / 2);
    return QRectF(centred + pan_, size);
}

QPointF EditorCanvas::toImage(const QPointF& widgetPoint) const {
    const QRectF pic = pictureRect();
    return viewedRect().topLeft() + (widgetPoint - pic.topLeft()) / scale();
}

QPointF EditorCanvas::toWidget(const QPointF& imagePoint) const {
    return pictureRect().topLeft() + (imagePoint - viewedRect().topLeft()) * scale();
}

QRectF EditorCanvas::toWidget(const QRectF& imageRect) const {
    return QRectF(toWidget(imageRect.topLeft()), imageRect.size() * scale());
}

void EditorCanvas::clampPan() {
    const QSizeF size = viewedRect().size() * scale();
    auto clampAxis = [](double pan, double content, double room) {
        if (content + 2 * kMargin <= room) {
            return 0.0;
        }
        const double limit = (content - room) / 2 + kMargin;
        return std::clamp(pan, -limit, limit);
    };
    pan_ = QPointF(clampAxis(pan_.x(), size.width(), width()), clampAxis(pan_.y(), size.height(), height()));
}

void EditorCanvas::setZoom(std::optional<double> zoom) {
    if (zoom) {
        zoom = std::clamp(*zoom, kMinZoom, kMaxZoom);
    }
    if (zoom == zoom_) {
        return;
    }
    // Keep the image point at the centre of the canvas where it is.
    const QPointF centre(width() / 2.0, height() / 2.0);
    const QPointF anchor = toImage(centre);
    zoom_ = zoom;
    if (zoom_) {
        pan_ += centre - toWidget(anchor);
    } else {
        pan_ = {};
    }
    clampPan();
    if (controller_) {
        controller_->setHitTolerance(CanvasOverlay::kHandleSize / scale());
    }
    placeTextEditor();
    refreshAll();
    Q_EMIT zoomChanged();
}

void EditorCanvas::zoomIn() {
    setZoom(scale() * kZoomStep);
}

void EditorCanvas::zoomOut() {
    setZoom(scale() / kZoomStep);
}

void EditorCanvas::panBy(const QPointF& delta) {
    const QPointF before = pan_;
    pan_ += delta;
    clampPan();
    if (pan_ != before) {
        placeTextEditor();
        refreshAll();
    }
}

// --- painting ----------------------------------------------------------------------------------

QRectF EditorCanvas::overlayExtent() const {
    if (!editor_ || !controller_) {
        return {};
    }
    QRectF extent;
    for (const LayerPtr& layer : editor_->selectedLayers()) {
        extent |= layer->bounds();
    }
    for (const LayerHandle& h : controller_->handles()) {
        extent |= QRectF(h.position, QSizeF(1, 1));
    }
    if (const LayerPtr& preview = controller_->previewLayer()) {
        extent |= QRectF(layerPaintExtent(*preview, editor_->baseImage().rect()));
    }
    if (const auto band = controller_->rubberBand()) {
        extent |= *band;
    }
    if (regionBand_) {
        extent |= *regionBand_;
    }
    return extent;
}

void EditorCanvas::setMarkedBoxes(const QList<QRectF>& boxes) {
    if (boxes != markedBoxes_) {
        markedBoxes_ = boxes;
        refreshAll();
    }
}

void EditorCanvas::refreshAll() {
    smoothTimer_.stop();
    update();
}

void EditorCanvas::refreshChanged() {
    if (!editor_ || viewedRect() != shownViewed_) {
        refreshAll();
        return;
    }
    const QRect imageRect = editor_->baseImage().rect();
    QRectF dirty = shownOverlay_ | overlayExtent();
    const LayerList& now = editor_->layers();
    bool everything = false;
    auto add = [&](const LayerPtr& layer) {
        if (!layer) {
            return;
        }
        if (isEraser(layer)) {
            everything = true; // it changes the base under every layer
            return;
        }
        dirty |= QRectF(layerPaintExtent(*layer, imageRect));
    };
    if (now.size() == shownLayers_.size()) {
        for (qsizetype i = 0; i < now.size(); ++i) {
            if (now[i] != shownLayers_[i]) {
                add(now[i]);
                add(shownLayers_[i]);
            }
        }
    } else {
        const QSet<LayerPtr> before(shownLayers_.begin(), shownLayers_.end());
        const QSet<LayerPtr> after(now.begin(), now.end());
        for (const LayerPtr& l : now) {
            if (!before.contains(l)) {
                add(l);
            }
        }
        for (const LayerPtr& l : shownLayers_) {
            if (!after.contains(l)) {
                add(l);
            }
        }
    }
    if (everything) {
        refreshAll();
        return;
    }
    if (dirty.isEmpty()) {
        return;
    }
    const double pad = CanvasOverlay::kHandleSize + 4;
    update(toWidget(dirty).toAlignedRect().adjusted(-pad, -pad, pad, pad));
}

void EditorCanvas::rebuildSmoothPicture() {
    if (!editor_ || (controller_ && controller_->isInteracting())) {
        return;
    }
    const double s = scale();
    if (s >= 1) {
        smooth_ = QImage();
        return;
    }
    const QRectF v = viewedRect();
    const QSize target = (v.size() * s).toSize();
    smooth_ = editor_->composite()
                  .copy(v.toAlignedRect())
                  .scaled(target.expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    smoothRevision_ = editor_->renderRevision();
    smoothBaseRevision_ = editor_->baseRevision();
    smoothScale_ = s;
    smoothViewed_ = v;
    update();
}

void EditorCanvas::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QColor backdrop = palette()
                                .color(QPalette::Window)
                                .darker(palette().color(QPalette::Window).lightness() > 128 ? 112 : 130);
    p.fillRect(event->rect(), backdrop);
    if (!editor_) {
        return;
    }
    const QRectF pic = pictureRect();
    const QRectF viewed = viewedRect();
    const double s = scale();

    // A soft shadow under the picture (not needed for repaints inside it).
    if (!pic.contains(QRectF(event->rect()))) {
        p.setPen(Qt::NoPen);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 1; i <= 4; ++i) {
            p.setBrush(QColor(0, 0, 0, 14));
            p.drawRoundedRect(pic.adjusted(-i, -i + 2, i, i + 2), i, i);
        }
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    // Erased and cut-away pixels are transparent.
    if (editor_->baseImage().hasAlphaChannel() || editor_->eraserRevision() > 0) {
        p.fillRect(pic, checkerBrush());
    }

    const QImage& composite = editor_->composite();
    const bool smoothFits = !smooth_.isNull() && smoothRevision_ == editor_->renderRevision() &&
                            smoothBaseRevision_ == editor_->baseRevision() && smoothScale_ == s &&
                            smoothViewed_ == viewed;
    if (smoothFits) {
        p.drawImage(pic.topLeft(), smooth_);
    } else {
        // Enlarged pixels stay sharp; reduced pictures are filtered, and replaced by the
        // area-averaged copy once the interaction pauses.
        p.setRenderHint(QPainter::SmoothPixmapTransform, s < 2);
        p.drawImage(pic, composite, viewed);
        if (s < 1) {
            smoothTimer_.start();
        }
    }

    // The layer being drawn, in image space.
    p.save();
    p.setClipRect(pic);
    p.translate(pic.topLeft());
    p.scale(s, s);
    p.translate(-viewed.topLeft());
    CanvasOverlay::paintPreview(p, *editor_, *controller_);
    p.restore();

    const auto map = [this](const QRectF& r) { return toWidget(r); };
    if (editor_->currentTool() == ToolKind::crop) {
        CanvasOverlay::paintCropFrame(p, *editor_, map, pic);
    }
    CanvasOverlay::paintSelection(p, *editor_, *controller_, map, palette());
    CanvasOverlay::paintMarquee(p, *controller_, map, palette());
    if (!markedBoxes_.isEmpty()) {
        QList<QRectF> boxes;
        for (const QRectF& b : markedBoxes_) {
            boxes << toWidget(b);
        }
        CanvasOverlay::paintMarkedBoxes(p, boxes);
    }
    if (regionBand_) {
        CanvasOverlay::paintRegionBand(p, toWidget(*regionBand_), palette());
    }

    shownLayers_ = editor_->layers();
    shownOverlay_ = overlayExtent();
    shownViewed_ = viewed;
}

void EditorCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    clampPan();
    if (controller_) {
        controller_->setHitTolerance(CanvasOverlay::kHandleSize / scale());
    }
    placeTextEditor();
    refreshAll();
    if (!zoom_) {
        Q_EMIT zoomChanged(); // fitting: the scale follows the size
    }
}

// --- input -------------------------------------------------------------------------------------

void EditorCanvas::answerRegion(std::optional<QRectF> picked) {
    if (!regionDone_) {
        return;
    }
    // Cleared before the answer runs: it may ask for another region.
    auto done = std::move(regionDone_);
    regionDone_ = nullptr;
    regionBand_.reset();
    unsetCursor();
    refreshAll();
    done(picked);
}

void EditorCanvas::pickRegion(std::function<void(std::optional<QRectF>)> done) {
    answerRegion(std::nullopt);
    regionDone_ = std::move(done);
    regionBand_.reset();
    setCursor(Qt::CrossCursor);
    setFocus();
}

void EditorCanvas::press(QMouseEvent* event, int clickCount) {
    setFocus();
    if (!editor_) {
        return;
    }
    const QPointF pos = event->position();
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_)) {
        panFrom_ = pos;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (regionDone_) {
        regionStart_ = toImage(pos);
        regionBand_ = QRectF(regionStart_, QSizeF());
        return;
    }
    if (textEdit_) {
        commitTextEdit(); // a click elsewhere ends the text edit and is not used further
        return;
    }
    controller_->pointerDown(toImage(pos), event->modifiers(), clickCount);
}

void EditorCanvas::mousePressEvent(QMouseEvent* event) {
    press(event, 1);
}

void EditorCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    press(event, 2);
}

void EditorCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!editor_) {
        return;
    }
    const QPointF pos = event->position();
    if (panFrom_) {
        panBy(pos - *panFrom_);
        panFrom_ = pos;
        return;
    }
    if (regionDone_) {
        if (regionBand_) {
            const QRectF before = *regionBand_;
            regionBand_ = QRectF(regionStart_, toImage(pos)).normalized() & editor_->canvasRect();
            update(toWidget(before | *regionBand_).toAlignedRect().adjusted(-4, -4, 4, 4));
        }
        return;
    }
    const QPointF at = toImage(pos);
    if (event->buttons() & Qt::LeftButton) {
        controller_->pointerMove(at, event->modifiers());
    }
    if (!spaceHeld_) {
        setCursor(pictureRect().contains(pos) || controller_->isInteracting() ? controller_->hoverCursor(at)
                                                                              : Qt::ArrowCursor);
    }
}

void EditorCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (!editor_) {
        return;
    }
    if (panFrom_) {
        panFrom_.reset();
        setCursor(spaceHeld_ ? Qt::OpenHandCursor : Qt::ArrowCursor);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (regionDone_) {
        const bool dragged = regionBand_ && regionBand_->width() >= 1 && regionBand_->height() >= 1;
        answerRegion(dragged ? regionBand_ : std::nullopt);
        return;
    }
    controller_->pointerUp(toImage(event->position()), event->modifiers());
    // A finished gesture is a moment to draw the crisp picture again.
    if (scale() < 1) {
        smoothTimer_.start();
    }
}

void EditorCanvas::wheelEvent(QWheelEvent* event) {
    if (!editor_) {
        return;
    }
    const QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        const QPointF pos = event->position();
        const QPointF anchor = toImage(pos);
        const double factor = std::pow(kZoomStep, delta.y() / 120.0);
        setZoom(scale() * factor);
        panBy(pos - toWidget(anchor)); // the point under the pointer stays put
    } else if (event->modifiers() & Qt::ShiftModifier) {
        panBy(QPointF(delta.y(), 0) / 2);
    } else {
        panBy(QPointF(delta.x(), delta.y()) / 2);
    }
    event->accept();
}

void EditorCanvas::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() &&
        !(controller_ && controller_->isInteracting())) {
        spaceHeld_ = true;
        setCursor(Qt::OpenHandCursor);
        return;
    }
    if (regionDone_ && event->key() == Qt::Key_Escape) {
        answerRegion(std::nullopt);
        return;
    }
    if (controller_ && controller_->keyPress(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void EditorCanvas::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        return;
    }
    if (event->key() == Qt::Key_Space) {
        spaceHeld_ = false;
        unsetCursor();
        return;
    }
    if (controller_ && controller_->keyRelease(event->key(), event->modifiers())) {
        return;
    }
    QWidget::keyReleaseEvent(event);
}

// --- in-place text editing ---------------------------------------------------------------------

void EditorCanvas::beginTextEdit(const LayerPtr& layer, bool) {
    endTextEditor();
    textLayer_ = layer;
    auto* edit = new QTextEdit(this);
    edit->setObjectName(QStringLiteral("CanvasTextEditor"));
    edit->setAcceptRichText(false);
    edit->setFrameShape(QFrame::NoFrame);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setLineWrapMode(QTextEdit::NoWrap);

    QString text;
    QColor ink;
    AnnotationTextLayout::Style style;
    if (auto* t = dynamic_cast<const TextLayer*>(layer.get())) {
        text = t->text;
        ink = t->color;
        style = AnnotationTextLayout::styleOf(*t);
    } else if (auto* c = dynamic_cast<const CalloutLayer*>(layer.get())) {
        text = c->text;
        ink = c->textColor;
        style = AnnotationTextLayout::styleOf(*c);
        edit->setLineWrapMode(QTextEdit::WidgetWidth);
    }
    QFont font = style.fontFamily.isEmpty() ? this->font() : QFont(style.fontFamily);
    font.setPixelSize(std::max(8, int(std::lround(style.fontSize * scale()))));
    font.setItalic(style.italic);
    font.setWeight(AnnotationTextLayout::qtWeight(style.fontWeight));
    edit->setFont(font);
    // The text is typed in its own colour on a backdrop it reads on; the layer shows again,
    // drawn by the layer code, when the edit ends.
    const bool lightInk = ink.lightnessF() > 0.6;
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, lightInk ? QColor(28, 28, 30, 235) : QColor(255, 255, 255, 235));
    pal.setColor(QPalette::Text, ink.alpha() < 40 ? (lightInk ? Qt::white : Qt::black) : ink);
    edit->setPalette(pal);
    edit->setStyleSheet(
        QStringLiteral("QTextEdit#CanvasTextEditor { border: 1.5px dashed %1; border-radius: 3px; }")
            .arg(palette().color(QPalette::Highlight).name()));
    edit->setPlainText(text);
    edit->installEventFilter(this);
    connect(edit, &QTextEdit::textChanged, this, &EditorCanvas::placeTextEditor);
    textEdit_ = edit;
    placeTextEditor();
    edit->show();
    edit->setFocus();
    edit->selectAll();
    update();
}

void EditorCanvas::placeTextEditor() {
    if (!textEdit_ || !textLayer_) {
        return;
    }
    QRectF box;
    if (auto* t = dynamic_cast<const TextLayer*>(textLayer_.get())) {
        box = t->box();
    } else if (auto* c = dynamic_cast<const CalloutLayer*>(textLayer_.get())) {
        box = c->rect;
    }
    QRectF at = toWidget(box);
    const QSizeF doc = textEdit_->document()->size();
    const double minWidth = 160;
    at.setWidth(std::max({at.width(), doc.width() + 12, minWidth}));
    at.setHeight(std::max(at.height(), doc.height() + 8));
    textEdit_->setGeometry(at.toAlignedRect());
}

bool EditorCanvas::eventFilter(QObject* watched, QEvent* event) {
    if (watched == textEdit_) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape) {
                if (controller_) {
                    controller_->cancelText();
                }
                return true;
            }
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (enter && (key->modifiers() & Qt::ControlModifier)) {
                commitTextEdit();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Leaving the field (another tool, another window) keeps what was typed.
            auto* focus = static_cast<QFocusEvent*>(event);
            if (focus->reason() != Qt::PopupFocusReason && focus->reason() != Qt::ActiveWindowFocusReason) {
                QMetaObject::invokeMethod(this, &EditorCanvas::commitTextEdit, Qt::QueuedConnection);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EditorCanvas::commitTextEdit() {
    if (!textEdit_ || !controller_ || !controller_->isEditingText()) {
        return;
    }
    controller_->commitText(textEdit_->toPlainText());
}

void EditorCanvas::endTextEditor() {
    textLayer_.reset();
    if (textEdit_) {
        QTextEdit* edit = textEdit_;
        textEdit_ = nullptr;
        edit->removeEventFilter(this);
        edit->hide();
        edit->deleteLater();
        setFocus();
        update();
    }
}

} // namespace mebo
