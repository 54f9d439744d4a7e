#include "ui/VideoPictureView.h"

#include "video/VideoEditorVM.h"
#include "video/VideoPlayer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace mebo {

namespace {

constexpr double kCornerGrab = 12;    // pixels around the bottom-right corner that resize
constexpr double kMinFraction = 0.02; // the smallest annotation side, of the frame

} // namespace

VideoPictureView::VideoPictureView(VideoEditorVM& vm, VideoPlayer& player, QWidget* parent)
    : QWidget(parent), vm_(vm), player_(player) {
    setMinimumSize(320, 180);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(&player_, &VideoPlayer::pictureChanged, this, qOverload<>(&QWidget::update));
    connect(&vm_, &VideoEditorVM::selectionChanged, this, qOverload<>(&QWidget::update));
}

QRectF VideoPictureView::pictureRect() const {
    const QSize picture = player_.outputSize();
    if (picture.isEmpty()) {
        return {};
    }
    const QSizeF fit = QSizeF(picture).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return {QPointF((width() - fit.width()) / 2, (height() - fit.height()) / 2), fit};
}

QRectF VideoPictureView::toWidget(const QRectF& f) const {
    const QRectF pic = pictureRect();
    const QSize out = player_.outputSize();
    if (pic.isEmpty() || out.isEmpty()) {
        return {};
    }
    const double s = pic.width() / out.width();
    const QRectF video = player_.videoRect();
    return {pic.x() + (video.x() + f.x() * video.width()) * s,
            pic.y() + (video.y() + f.y() * video.height()) * s, f.width() * video.width() * s,
            f.height() * video.height() * s};
}

QPointF VideoPictureView::toFractions(const QPointF& p) const {
    const QRectF whole = toWidget(QRectF(0, 0, 1, 1));
    if (whole.isEmpty()) {
        return {};
    }
    return {(p.x() - whole.x()) / whole.width(), (p.y() - whole.y()) / whole.height()};
}

void VideoPictureView::setCropEditing(bool on) {
    if (on == cropEditing_) {
        return;
    }
    cropEditing_ = on;
    cropDrag_.reset();
    drag_.reset();
    player_.setCropEditing(on);
    setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    update();
}

QRectF VideoPictureView::shownCrop() const {
    if (cropDrag_) {
        return cropDrag_->current;
    }
    return vm_.state().cropRect.value_or(QRectF(0, 0, 1, 1));
}

void VideoPictureView::paintCrop(QPainter& p) const {
    const QRectF frame = toWidget(QRectF(0, 0, 1, 1));
    const QRectF crop = toWidget(shownCrop());
    // What is cut away dims; the crop keeps its light.
    QPainterPath outside;
    outside.addRect(frame);
    QPainterPath inside;
    inside.addRect(crop);
    p.fillPath(outside.subtracted(inside), QColor(0, 0, 0, 140));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(crop);
    // The rule of thirds, faint.
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    for (int i = 1; i < 3; ++i) {
        const double x = crop.left() + crop.width() * i / 3, y = crop.top() + crop.height() * i / 3;
        p.drawLine(QPointF(x, crop.top()), QPointF(x, crop.bottom()));
        p.drawLine(QPointF(crop.left(), y), QPointF(crop.right(), y));
    }
    p.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
    p.setBrush(Qt::white);
    for (int h = 0; h < int(CropDrag::Handle::move); ++h) {
        const QPointF at =
            toWidget(QRectF(CropDrag::handlePoint(shownCrop(), CropDrag::Handle(h)), QSizeF())).topLeft();
        p.drawRect(QRectF(at - QPointF(4, 4), QSizeF(8, 8)));
    }
}

void VideoPictureView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    const QImage& img = player_.picture();
    if (img.isNull()) {
        p.setPen(palette().color(QPalette::BrightText));
        p.drawText(rect(), Qt::AlignCenter, player_.isOpen() ? QString() : player_.error());
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(pictureRect(), img);
    if (cropEditing_) {
        paintCrop(p);
        return;
    }
    // The selected annotation's frame and its resize corner, or the one being dragged.
    std::optional<QRectF> outline;
    if (drag_) {
        outline = drag_->current;
    } else if (const auto& sel = vm_.selection(); sel && sel->list == RegionRef::List::annotation) {
        for (const AnnotationRegion& a : vm_.annotationsAt(vm_.playhead())) {
            if (a.id == sel->id) {
                outline = a.rect;
            }
        }
    }
    if (outline) {
        const QRectF r = toWidget(*outline);
        p.setPen(QPen(palette().color(QPalette::Highlight), 1.5, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        p.setBrush(palette().color(QPalette::Highlight));
        p.drawEllipse(r.bottomRight(), 4, 4);
    }
}

void VideoPictureView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPointF pos = event->position();
    if (cropEditing_) {
        const QRectF frame = toWidget(QRectF(0, 0, 1, 1));
        if (frame.isEmpty()) {
            return;
        }
        const QRectF crop = shownCrop();
        const QSizeF grab(kCropGrab / frame.width(), kCropGrab / frame.height());
        if (const auto handle = CropDrag::handleAt(crop, toFractions(pos), grab)) {
            cropDrag_ = CropGrab{*handle, crop, toFractions(pos), crop};
        }
        return;
    }
    const auto shown = vm_.annotationsAt(vm_.playhead());
    // The top-most (last drawn) annotation under the pointer.
    for (auto it = shown.crbegin(); it != shown.crend(); ++it) {
        const QRectF r = toWidget(it->rect);
        const bool corner = QLineF(pos, r.bottomRight()).length() <= kCornerGrab;
        if (!corner && !r.contains(pos)) {
            continue;
        }
        vm_.select(RegionRef{RegionRef::List::annotation, it->id});
        drag_ = Drag{*it, toFractions(pos), corner, it->rect};
        update();
        return;
    }
    vm_.select(std::nullopt);
}

void VideoPictureView::mouseMoveEvent(QMouseEvent* event) {
    if (cropDrag_) {
        const QPointF delta = toFractions(event->position()) - cropDrag_->grab;
        const QRectF video = player_.videoRect();
        cropDrag_->current = CropDrag::drag(cropDrag_->handle, cropDrag_->original, delta,
                                            vm_.state().cropAspectLocked, video.size());
        update();
        return;
    }
    if (!drag_) {
        return;
    }
    const QPointF at = toFractions(event->position());
    const QPointF delta = at - drag_->grab;
    QRectF r = drag_->original.rect;
    if (drag_->resize) {
        r.setWidth(std::clamp(r.width() + delta.x(), kMinFraction, 1 - r.x()));
        r.setHeight(std::clamp(r.height() + delta.y(), kMinFraction, 1 - r.y()));
    } else {
        // Kept inside the frame.
        r.moveTo(std::clamp(r.x() + delta.x(), 0.0, std::max(0.0, 1 - r.width())),
                 std::clamp(r.y() + delta.y(), 0.0, std::max(0.0, 1 - r.height())));
    }
    drag_->current = r;
    update();
}

void VideoPictureView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && cropDrag_) {
        const CropGrab done = *cropDrag_;
        cropDrag_.reset();
        if (done.current != done.original) {
            vm_.setCrop(done.current);
        }
        update();
        return;
    }
    if (event->button() != Qt::LeftButton || !drag_) {
        return;
    }
    AnnotationRegion moved = drag_->original;
    moved.rect = drag_->current;
    const bool changed = moved.rect != drag_->original.rect;
    drag_.reset();
    if (changed) {
        vm_.updateAnnotation(moved);
    }
    update();
}

} // namespace mebo
