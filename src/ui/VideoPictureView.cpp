#include "ui/VideoPictureView.h"

#include "video/VideoEditorVM.h"
#include "video/VideoPlayer.h"

#include <QMouseEvent>
#include <QPainter>
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
