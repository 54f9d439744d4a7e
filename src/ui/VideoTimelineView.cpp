#include "ui/VideoTimelineView.h"

#include "video/VideoTimelineStrips.h"

#include "video/VideoEditorVM.h"
#include "video/VideoTimeline.h"
#include "video/VideoTimelineMenus.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

using List = RegionRef::List;

constexpr double kEdgeGrab = 5; // pixels either side of a span's edge that resize it
constexpr double kNewRegionLength = 2;

QColor rowColor(List list) {
    switch (list) {
    case List::trim:
        return QColor(0xd9, 0x4f, 0x4f);
    case List::speed:
        return QColor(0xe0, 0x9a, 0x2b);
    case List::annotation:
        return QColor(0x3f, 0x8c, 0xd9);
    case List::chapter:
        return QColor(0x6b, 0x5b, 0xc9);
    case List::recordingSegment:
        return QColor(0x4a, 0xa3, 0x6c);
    case List::systemAudioMute:
    case List::micMute:
        return QColor(0x8a, 0x8f, 0x99);
    case List::webcamHidden:
        return QColor(0x5c, 0x62, 0x6e);
    }
    return Qt::gray;
}

} // namespace

QString VideoTimelineView::rulerLabel(double t, double step) {
    const int hundredths = int(std::lround(std::max(0.0, t) * 100));
    const int whole = hundredths / 100;
    QString label = QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    if (step < 1) {
        label += QStringLiteral(".%1").arg(hundredths % 100, 2, 10, QLatin1Char('0'));
    }
    return label;
}

double VideoTimelineView::rulerStep(double duration, double width) {
    double step = 0.25;
    for (double s : {0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0}) {
        if (duration <= 0 || step / duration * width >= kMinLabelSpacing) {
            break;
        }
        step = s;
    }
    return step;
}

VideoTimelineView::VideoTimelineView(VideoEditorVM& vm, std::function<void(double)> seek, QWidget* parent)
    : QWidget(parent), vm_(vm), seek_(std::move(seek)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumHeight(kRulerHeight + int(rows().size()) * kRowHeight + 4);
    for (auto signal : {&VideoEditorVM::stateChanged, &VideoEditorVM::selectionChanged}) {
        connect(&vm_, signal, this, qOverload<>(&QWidget::update));
    }
    connect(&vm_, &VideoEditorVM::playheadChanged, this, qOverload<>(&QWidget::update));
}

const QList<RegionRef::List>& VideoTimelineView::rows() {
    static const QList<List> order{List::chapter, List::recordingSegment, List::trim,
                                   List::speed,   List::annotation,       List::systemAudioMute,
                                   List::micMute, List::webcamHidden};
    return order;
}

QString VideoTimelineView::rowTitle(List list) {
    switch (list) {
    case List::trim:
        return tr("Cuts");
    case List::speed:
        return tr("Speed");
    case List::annotation:
        return tr("Annotations");
    case List::chapter:
        return tr("Chapters");
    case List::recordingSegment:
        return tr("Segments");
    case List::systemAudioMute:
        return tr("System audio");
    case List::micMute:
        return tr("Microphone");
    case List::webcamHidden:
        return tr("Camera");
    }
    return {};
}

void VideoTimelineView::setStrips(const VideoTimelineStrips* strips) {
    if (strips_) {
        disconnect(strips_, nullptr, this, nullptr);
    }
    strips_ = strips;
    if (strips_) {
        connect(strips_, &VideoTimelineStrips::changed, this, qOverload<>(&QWidget::update));
    }
    setMinimumHeight(kRulerHeight + stripsHeight() + int(rows().size()) * kRowHeight + 4);
    updateGeometry();
    update();
}

void VideoTimelineView::paintStrips(QPainter& p) {
    if (!strips_) {
        return;
    }
    const QPalette& pal = palette();
    const int top = kRulerHeight;
    const QRect pictures(kGutter, top, width() - kGutter, kPictureBandHeight);
    const QRect sound(kGutter, top + kPictureBandHeight, width() - kGutter, kSoundBandHeight);
    p.fillRect(QRect(0, top, width(), stripsHeight()), pal.color(QPalette::AlternateBase).darker(104));
    const double d = VideoTimeline::sanitizedDuration(vm_.duration());

    // Each picture fills its stretch of the timeline, repeated when zoomed in (a film strip).
    p.save();
    p.setClipRect(pictures.adjusted(0, 2, 0, -2));
    const QList<VideoTimelineStrips::Thumbnail>& thumbs = strips_->thumbnails();
    const int n = int(VideoTimelineStrips::thumbnailTimes(d).size());
    for (int i = 0; i < thumbs.size() && n > 0; ++i) {
        const QImage& img = thumbs[i].image;
        if (img.isNull()) {
            continue;
        }
        const double x0 = xOfTime(i * d / n), x1 = xOfTime((i + 1) * d / n);
        if (x1 < pictures.left() || x0 > pictures.right()) {
            continue;
        }
        const int h = kPictureBandHeight - 4;
        const int w = std::max(1, img.width() * h / std::max(1, img.height()));
        for (double x = x0; x < x1; x += w) {
            p.drawImage(QRectF(x, top + 2, std::min<double>(w, x1 - x), h), img,
                        QRectF(0, 0, std::min<double>(w, x1 - x) * img.width() / w, img.height()));
        }
    }
    p.restore();

    // The sound's peaks, one bar per pixel column, mirrored about the middle.
    const QVector<float>& peaks = strips_->peaks();
    if (!peaks.isEmpty() && d > 0) {
        p.save();
        p.setClipRect(sound);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(pal.color(QPalette::Highlight));
        const double mid = sound.center().y() + 0.5;
        const double half = kSoundBandHeight / 2.0 - 2;
        const double covered = strips_->peaksDone() * d;
        const int first = std::max(sound.left(), int(std::floor(xOfTime(0))));
        const int last = std::min(sound.right(), int(std::ceil(xOfTime(d))));
        for (int x = first; x <= last; ++x) {
            const double t0 = timeAtX(x), t1 = timeAtX(x + 1);
            if (t0 >= covered) {
                break;
            }
            const int b0 = std::clamp(int(t0 / d * peaks.size()), 0, int(peaks.size()) - 1);
            const int b1 = std::clamp(int(std::ceil(t1 / d * peaks.size())), b0 + 1, int(peaks.size()));
            const float peak = *std::max_element(peaks.begin() + b0, peaks.begin() + b1);
            const double h = std::max(0.5, double(peak) * half);
            p.drawLine(QPointF(x, mid - h), QPointF(x, mid + h));
        }
        p.restore();
    }
    p.fillRect(QRect(0, top, kGutter - 4, stripsHeight()), pal.color(QPalette::Window));
    p.setPen(pal.color(QPalette::Text));
    p.drawText(QRect(8, top, kGutter - 12, kPictureBandHeight), Qt::AlignVCenter | Qt::AlignLeft,
               tr("Video"));
    p.drawText(QRect(8, top + kPictureBandHeight, kGutter - 12, kSoundBandHeight),
               Qt::AlignVCenter | Qt::AlignLeft, tr("Sound"));
}

QSize VideoTimelineView::sizeHint() const {
    return {800, minimumHeight()};
}

double VideoTimelineView::scaleWidth() const {
    return std::max(1.0, (width() - kGutter - SpanDrag::kInsets) * zoom_);
}

void VideoTimelineView::setZoom(double zoom) {
    const double z = std::clamp(zoom, 1.0, kMaxZoom);
    if (z == zoom_) {
        return;
    }
    // Zoom around the playhead: it stays where it was on screen.
    const double anchor = xOfTime(vm_.playhead());
    const double fraction = vm_.duration() > 0 ? vm_.playhead() / vm_.duration() : 0;
    zoom_ = z;
    scroll_ = fraction * scaleWidth() - (anchor - kGutter - SpanDrag::kInsets / 2);
    scroll_ = std::clamp(scroll_, 0.0, std::max(0.0, scaleWidth() - (width() - kGutter - SpanDrag::kInsets)));
    update();
}

double VideoTimelineView::xOfTime(double t) const {
    const double d = VideoTimeline::sanitizedDuration(vm_.duration());
    const double f = d > 0 ? VideoTimeline::clampTime(t, d) / d : 0;
    return kGutter + SpanDrag::kInsets / 2 + f * scaleWidth() - scroll_;
}

double VideoTimelineView::timeAtX(double x) const {
    return SpanDrag::timeAtX(x - kGutter - SpanDrag::kInsets / 2 + scroll_, scaleWidth() + SpanDrag::kInsets,
                             vm_.duration());
}

int VideoTimelineView::rowTop(List list) const {
    return kRulerHeight + stripsHeight() + int(rows().indexOf(list)) * kRowHeight;
}

std::optional<List> VideoTimelineView::rowAt(int y) const {
    const int top = kRulerHeight + stripsHeight();
    if (y < top) {
        return std::nullopt;
    }
    const int i = (y - top) / kRowHeight;
    return i < rows().size() ? std::optional<List>(rows()[i]) : std::nullopt;
}

void VideoTimelineView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    const double d = VideoTimeline::sanitizedDuration(vm_.duration());

    // The ruler: a tick every step seconds, the step growing until labels do not collide.
    p.fillRect(QRect(0, 0, width(), kRulerHeight), pal.color(QPalette::AlternateBase));
    const double step = rulerStep(d, scaleWidth());
    p.setPen(pal.color(QPalette::Mid));
    QFont small = font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
    p.setFont(small);
    for (double t = 0; d > 0 && t <= d + 1e-9; t += step) {
        const double x = xOfTime(t);
        if (x < kGutter || x > width()) {
            continue;
        }
        p.setPen(pal.color(QPalette::Mid));
        p.drawLine(QPointF(x, kRulerHeight - 6), QPointF(x, kRulerHeight));
        p.setPen(pal.color(QPalette::Text));
        const QString label = rulerLabel(t, step);
        // A label that would run past the edge is left out rather than cut (the tick stays).
        if (x + 3 + p.fontMetrics().horizontalAdvance(label) > width()) {
            continue;
        }
        p.drawText(QRectF(x + 3, 2, 60, kRulerHeight - 6), Qt::AlignLeft | Qt::AlignVCenter, label);
    }

    paintStrips(p);
    const std::optional<RegionRef>& selected = vm_.selection();
    for (List list : rows()) {
        const int top = rowTop(list);
        const QRect row(0, top, width(), kRowHeight);
        p.setPen(pal.color(QPalette::Midlight));
        p.drawLine(row.bottomLeft(), row.bottomRight());
        p.setPen(pal.color(QPalette::Text));
        p.setClipRect(QRect(kGutter, top, width() - kGutter, kRowHeight));
        for (const VideoEditorVM::TimelineSpan& s : vm_.spans(list)) {
            TimeRange span = s.span;
            const bool isSelected = selected && selected->list == list && selected->id == s.id;
            if (drag_ && drag_->ref == RegionRef{list, s.id}) {
                span = drag_->current;
            }
            const QRectF box(xOfTime(span.start), top + 3,
                             std::max(2.0, xOfTime(span.end) - xOfTime(span.start)), kRowHeight - 6);
            QColor fill = rowColor(list);
            if (!s.enabled) {
                fill.setAlpha(90);
            }
            p.setBrush(fill);
            p.setPen(isSelected ? QPen(pal.color(QPalette::Highlight), 2) : Qt::NoPen);
            p.drawRoundedRect(box, 4, 4);
            if (!s.label.isEmpty() && box.width() > 24) {
                p.setPen(Qt::white);
                p.drawText(box.adjusted(6, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft,
                           p.fontMetrics().elidedText(s.label, Qt::ElideRight, int(box.width() - 10)));
            }
        }
        p.setClipping(false);
        p.fillRect(QRect(0, top, kGutter - 4, kRowHeight), pal.color(QPalette::Window));
        p.setPen(pal.color(QPalette::Text));
        const bool off = (list == List::systemAudioMute && !vm_.state().systemAudioTrackEnabled) ||
                         (list == List::micMute && !vm_.state().micTrackEnabled);
        p.drawText(QRect(8, top, kGutter - 12, kRowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                   off ? rowTitle(list) + tr(" (off)") : rowTitle(list));
    }

    // The playhead over everything.
    const double px = xOfTime(vm_.playhead());
    if (px >= kGutter) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 2));
        p.drawLine(QPointF(px, 0), QPointF(px, height()));
    }
}

void VideoTimelineView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || event->position().x() < kGutter) {
        return;
    }
    const QPointF pos = event->position();
    const double t = timeAtX(pos.x());
    const std::optional<List> list = rowAt(int(pos.y()));
    if (list) {
        // The top-most span under the pointer (the last drawn).
        const auto spans = vm_.spans(*list);
        for (auto it = spans.crbegin(); it != spans.crend(); ++it) {
            const double x0 = xOfTime(it->span.start), x1 = xOfTime(it->span.end);
            if (pos.x() < x0 - kEdgeGrab || pos.x() > x1 + kEdgeGrab) {
                continue;
            }
            const RegionRef ref{*list, it->id};
            vm_.select(ref);
            SpanDrag::Mode mode = SpanDrag::Mode::move;
            if (pos.x() <= x0 + kEdgeGrab && x1 - x0 > 2 * kEdgeGrab) {
                mode = SpanDrag::Mode::leftEdge;
            } else if (pos.x() >= x1 - kEdgeGrab && x1 - x0 > 2 * kEdgeGrab) {
                mode = SpanDrag::Mode::rightEdge;
            }
            // Chapters tile the video: only their edges move, so a drag inside one seeks.
            if (*list == List::chapter && mode == SpanDrag::Mode::move) {
                break;
            }
            drag_ = Drag{ref, mode, it->span, t, it->span};
            return;
        }
        vm_.select(std::nullopt);
    }
    scrubbing_ = true;
    seek_(t);
}

void VideoTimelineView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (drag_) {
        drag_->current = SpanDrag::drag(drag_->mode, drag_->original, drag_->grabTime, timeAtX(pos.x()),
                                        vm_.duration(), event->modifiers() & Qt::ShiftModifier);
        update();
        return;
    }
    if (scrubbing_) {
        seek_(timeAtX(pos.x()));
        return;
    }
    // The pointer tells what a press would do.
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (const auto list = rowAt(int(pos.y())); list && pos.x() >= kGutter) {
        for (const auto& s : vm_.spans(*list)) {
            const double x0 = xOfTime(s.span.start), x1 = xOfTime(s.span.end);
            if (std::abs(pos.x() - x0) <= kEdgeGrab || std::abs(pos.x() - x1) <= kEdgeGrab) {
                shape = Qt::SizeHorCursor;
            } else if (pos.x() > x0 && pos.x() < x1 && *list != List::chapter) {
                shape = Qt::OpenHandCursor;
            }
        }
    }
    setCursor(shape);
}

void VideoTimelineView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    scrubbing_ = false;
    if (!drag_) {
        return;
    }
    const Drag done = *drag_;
    drag_.reset();
    if (done.current != done.original && vm_.setRegionSpan(done.ref, done.current)) {
        Q_EMIT spanEdited();
    }
    update();
}

void VideoTimelineView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        setZoom(zoom_ * std::pow(1.25, delta.y() / 120.0));
    } else {
        const double visible = width() - kGutter - SpanDrag::kInsets;
        const int d = delta.x() != 0 ? delta.x() : delta.y();
        scroll_ = std::clamp(scroll_ - d, 0.0, std::max(0.0, scaleWidth() - visible));
        update();
    }
    event->accept();
}

void VideoTimelineView::contextMenuEvent(QContextMenuEvent* event) {
    const std::optional<List> list = rowAt(event->pos().y());
    if (list && event->pos().x() >= kGutter) {
        showRowMenu(*list, timeAtX(event->pos().x()), event->globalPos());
    }
}

void VideoTimelineView::showRowMenu(List list, double t, const QPoint& globalPos) {
    QMenu menu(this);
    const double d = vm_.duration();
    auto addAt = [this, t, d](List which) {
        const double start = std::clamp(SpanDrag::snapped(t), 0.0, std::max(0.0, d - SpanDrag::kMinLength));
        vm_.addRegion(which, {start, std::min(d, start + kNewRegionLength)});
    };
    if (list == List::trim || list == List::speed || list == List::annotation) {
        const QString title = list == List::trim    ? tr("Add Cut Here")
                              : list == List::speed ? tr("Add Speed Region Here")
                                                    : tr("Add Text Annotation Here");
        menu.addAction(title, this, [addAt, list] { addAt(list); });
    }
    if (list == List::chapter) {
        for (const VideoTimelineMenus::Item& item :
             VideoTimelineMenus::chapterMenu(!vm_.spans(list).isEmpty())) {
            QAction* a = menu.addAction(item.title);
            a->setEnabled(item.enabled);
            if (item.action == VideoTimelineMenus::Action::splitChapter) {
                a->setShortcut(QKeySequence(QStringLiteral("Ctrl+B")));
                connect(a, &QAction::triggered, this, [this] { vm_.splitChapterAtPlayhead(); });
            } else if (item.action == VideoTimelineMenus::Action::renameChapter) {
                connect(a, &QAction::triggered, this, [this, t] {
                    for (const auto& s : vm_.spans(List::chapter)) {
                        if (s.span.start <= t && (t < s.span.end || s.span.end >= vm_.duration())) {
                            const auto typed = askChapterTitle ? askChapterTitle(s.label) : std::nullopt;
                            if (typed) {
                                vm_.renameChapter(s.id, *typed);
                            }
                            return;
                        }
                    }
                });
            }
        }
    }
    if (list == List::recordingSegment) {
        for (const auto& s : vm_.spans(list)) {
            if (s.span.start <= t && t < s.span.end) {
                menu.addAction(s.enabled ? tr("Disable Segment") : tr("Enable Segment"), this,
                               [this, id = s.id, on = !s.enabled] { vm_.setSegmentEnabled(id, on); });
            }
        }
    }
    if (list == List::systemAudioMute || list == List::micMute || list == List::webcamHidden) {
        const bool enabled =
            list == List::systemAudioMute ? vm_.state().systemAudioTrackEnabled : vm_.state().micTrackEnabled;
        for (const VideoTimelineMenus::Item& item :
             VideoTimelineMenus::trackMenu(list, int(vm_.spans(list).size()), enabled)) {
            QAction* a = menu.addAction(item.title);
            a->setEnabled(item.enabled);
            connect(a, &QAction::triggered, this, [this, list, item, enabled] {
                switch (item.action) {
                case VideoTimelineMenus::Action::disableFiveSeconds:
                    vm_.disableForFiveSeconds(list);
                    break;
                case VideoTimelineMenus::Action::clearTrack:
                    vm_.clearTrack(list);
                    break;
                case VideoTimelineMenus::Action::toggleTrack:
                    list == List::systemAudioMute ? vm_.setSystemAudioTrackEnabled(!enabled)
                                                  : vm_.setMicTrackEnabled(!enabled);
                    break;
                default:
                    break;
                }
            });
        }
    }
    if (const auto& sel = vm_.selection(); sel && sel->list == list) {
        menu.addSeparator();
        menu.addAction(tr("Delete"), this, [this, ref = *sel] { vm_.deleteRegion(ref); });
    }
    if (!menu.isEmpty()) {
        menu.exec(globalPos);
    }
}

} // namespace mebo
