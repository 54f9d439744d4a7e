#include "ui/RegionSelectionView.h"

#include "capture/WindowSnapper.h"
#include "ui/RecordingAreaPanel.h"

#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

constexpr double strokeWidth = 2.0;     // points
constexpr double snapStrokeWidth = 4.0; // points
constexpr double fontSize = 12.0;       // points
constexpr double headsUpPadX = 7.0, headsUpPadY = 4.0, headsUpGap = 6.0, headsUpRadius = 5.0;
constexpr double hintTopInset = 24.0;
constexpr int panelGap = 10;

QFont labelFont() {
    QFont f = QApplication::font();
    f.setPixelSize(int(fontSize));
    f.setWeight(QFont::Medium);
    return f;
}

QFont numberFont() {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(int(fontSize));
    f.setWeight(QFont::Medium);
    return f;
}

// A rounded black plate with white text runs laid out left to right.
struct TextRun {
    QString text;
    QFont font;
};

QSizeF runsSize(const QList<TextRun>& runs) {
    double w = 0, h = 0;
    for (int i = 0; i < runs.size(); ++i) {
        const QFontMetricsF fm(runs[i].font);
        w += fm.horizontalAdvance(runs[i].text) + (i > 0 ? headsUpGap : 0);
        h = std::max(h, fm.height());
    }
    return {w + 2 * headsUpPadX, h + 2 * headsUpPadY};
}

void paintRuns(QPainter& p, const QPointF& topLeft, const QList<TextRun>& runs) {
    const QSizeF size = runsSize(runs);
    const QRectF plate(topLeft, size);
    p.setPen(Qt::NoPen);
    p.setBrush(RegionSelectionView::headsUpBackground());
    p.drawRoundedRect(plate, headsUpRadius, headsUpRadius);
    p.setPen(Qt::white);
    double x = plate.left() + headsUpPadX;
    for (int i = 0; i < runs.size(); ++i) {
        const QFontMetricsF fm(runs[i].font);
        p.setFont(runs[i].font);
        const double w = fm.horizontalAdvance(runs[i].text);
        p.drawText(QRectF(x, plate.top(), w + 1, plate.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   runs[i].text);
        x += w + headsUpGap;
    }
}

Qt::CursorShape cursorFor(std::optional<RegionSelectionModel::HandlePos> h) {
    using H = RegionSelectionModel::HandlePos;
    if (!h) {
        return Qt::CrossCursor;
    }
    switch (*h) {
    case H::topLeft:
    case H::bottomRight:
        return Qt::SizeFDiagCursor;
    case H::topRight:
    case H::bottomLeft:
        return Qt::SizeBDiagCursor;
    case H::top:
    case H::bottom:
        return Qt::SizeVerCursor;
    case H::left:
    case H::right:
        return Qt::SizeHorCursor;
    case H::inside:
        return Qt::SizeAllCursor;
    }
    return Qt::CrossCursor;
}

} // namespace

RegionSelectionView::RegionSelectionView(const platform::DisplayInfo& display, const QRect& bounds,
                                         QImage picture, WindowSnapper* snapper, QWidget* parent)
    : QWidget(parent), display_(display), picture_(std::move(picture)), snapper_(snapper), model_(bounds) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

QColor RegionSelectionView::strokeColor() {
    return QColor::fromRgbF(0.22f, 0.67f, 1.0f, 1.0f);
}

QColor RegionSelectionView::maskColor() {
    return QColor::fromRgbF(0, 0, 0, 0.5f);
}

QColor RegionSelectionView::headsUpBackground() {
    return QColor::fromRgbF(0, 0, 0, 0.75f);
}

QPoint RegionSelectionView::toModel(const QPointF& local) const {
    const QRect b = model_.bounds();
    const double sx = width() > 0 ? double(b.width()) / width() : 1.0;
    const double sy = height() > 0 ? double(b.height()) / height() : 1.0;
    return QPoint(b.x() + int(std::floor(local.x() * sx)), b.y() + int(std::floor(local.y() * sy)));
}

QRect RegionSelectionView::toWidget(const QRect& r) const {
    const QRect b = model_.bounds();
    const double sx = b.width() > 0 ? double(width()) / b.width() : 1.0;
    const double sy = b.height() > 0 ? double(height()) / b.height() : 1.0;
    const int l = int(std::floor((r.x() - b.x()) * sx)), t = int(std::floor((r.y() - b.y()) * sy));
    const int rr = int(std::ceil((r.x() + r.width() - b.x()) * sx));
    const int bb = int(std::ceil((r.y() + r.height() - b.y()) * sy));
    return QRect(l, t, rr - l, bb - t);
}

QImage RegionSelectionView::cut(const QRect& rect) const {
    const QRect b = model_.bounds();
    const QRect r = rect.normalized().intersected(b);
    if (r.isEmpty() || picture_.isNull() || b.isEmpty()) {
        return {};
    }
    // The picture is in device pixels; the display may be scaled.
    const double sx = double(picture_.width()) / b.width();
    const double sy = double(picture_.height()) / b.height();
    const int l = int(std::floor((r.x() - b.x()) * sx)), t = int(std::floor((r.y() - b.y()) * sy));
    const int rr = int(std::ceil((r.x() + r.width() - b.x()) * sx));
    const int bb = int(std::ceil((r.y() + r.height() - b.y()) * sy));
    return picture_.copy(QRect(l, t, rr - l, bb - t).intersected(picture_.rect()));
}

void RegionSelectionView::refresh() {
    updatePanel();
    updateCursor();
    update();
}

void RegionSelectionView::detach() {
    snapper_ = nullptr;
    onFinished = nullptr;
    onSelectionTaken = nullptr;
    if (panel_) {
        panel_->onStart = nullptr;
    }
}

void RegionSelectionView::hoverAt(const QPoint& point) {
    const auto phase = model_.phase();
    if (!snapper_ || !model_.allowsWindowSnap() ||
        (phase != RegionSelectionModel::Phase::hovering && phase != RegionSelectionModel::Phase::adjusting &&
         phase != RegionSelectionModel::Phase::pressing)) {
        return;
    }
    model_.setHoveredRegion(snapper_->hitTest(point));
}

void RegionSelectionView::hoverAtPointer() {
    const QPoint local = mapFromGlobal(QCursor::pos());
    if (rect().contains(local)) {
        hoverAt(toModel(QPointF(local)));
        refresh();
    }
}

bool RegionSelectionView::applyKey(int key, Qt::KeyboardModifiers modifiers) {
    const auto result = model_.keyPress(key, modifiers);
    if (result.finish) {
        deliver(*result.finish);
    }
    return result.consumed;
}

void RegionSelectionView::clearSelection() {
    if (!model_.selection()) {
        return;
    }
    model_.clearSelection();
    refresh();
}

void RegionSelectionView::deliver(const RegionSelectionModel::Finish& f) {
    update();
    // A copy: the owner detaches this view (clearing the callback) while handling the outcome.
    if (const auto finished = onFinished) {
        finished(f);
    }
}

void RegionSelectionView::afterInput(bool hadSelection) {
    if (!hadSelection && model_.selection() && onSelectionTaken) {
        onSelectionTaken();
    }
    refresh();
}

void RegionSelectionView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint p = toModel(event->position());
    if (const auto button = model_.scrollButtonRect(); button && button->contains(p)) {
        if (const auto f = model_.scrollShortcut()) {
            deliver(*f);
            return;
        }
    }
    const bool had = model_.selection().has_value();
    hoverAt(p);
    model_.mouseDown(p);
    afterInput(had);
}

void RegionSelectionView::wheelEvent(QWheelEvent* event) {
    // Ctrl with the wheel over a selection: capture it scrolling.
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        if (const auto f = model_.scrollShortcut()) {
            deliver(*f);
            return;
        }
    }
    event->ignore();
}

void RegionSelectionView::mouseMoveEvent(QMouseEvent* event) {
    pointerInside_ = true;
    const QPoint p = toModel(event->position());
    const bool had = model_.selection().has_value();
    model_.mouseMove(p);
    hoverAt(p);
    afterInput(had);
}

void RegionSelectionView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint p = toModel(event->position());
    const bool had = model_.selection().has_value();
    const auto f = model_.mouseUp(p, event->modifiers().testFlag(Qt::ShiftModifier));
    if (f) {
        deliver(*f);
        return;
    }
    hoverAt(p);
    afterInput(had);
}

void RegionSelectionView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (const auto f = model_.doubleClick(toModel(event->position()))) {
        deliver(*f);
        return;
    }
    mousePressEvent(event); // otherwise as a second press
}

void RegionSelectionView::enterEvent(QEnterEvent*) {
    pointerInside_ = true;
    update();
}

void RegionSelectionView::resizeEvent(QResizeEvent*) {
    updatePanel();
}

void RegionSelectionView::leaveEvent(QEvent*) {
    pointerInside_ = false;
    update();
    // The pointer went to another display: nothing here is under it any more.
    if (model_.phase() != RegionSelectionModel::Phase::pressing && model_.highlightedRegion()) {
        model_.setHoveredRegion(std::nullopt);
        update();
    }
}

void RegionSelectionView::updateCursor() {
    setCursor(cursorFor(model_.handleAt(model_.pointer())));
}

void RegionSelectionView::updatePanel() {
    if (!model_.isRecordingArea()) {
        return;
    }
    if (!panel_) {
        panel_ = new RecordingAreaPanel(this);
        panel_->onStart = [this] {
            if (const auto f = model_.startRecording()) {
                deliver(*f);
            }
        };
    }
    const auto sel = model_.selection();
    const auto phase = model_.phase();
    const bool show = sel && !sel->isEmpty() && phase != RegionSelectionModel::Phase::dragging &&
                      phase != RegionSelectionModel::Phase::resizing &&
                      phase != RegionSelectionModel::Phase::finished;
    if (!show) {
        panel_->hide();
        return;
    }
    // Centred below the selection, else above it, else inside its bottom edge: never over the
    // recorded pixels when there is room.
    const QRect r = toWidget(*sel);
    const QSize s = panel_->sizeHint();
    int x = std::clamp(r.center().x() - s.width() / 2, 0, std::max(0, width() - s.width()));
    int y = r.bottom() + 1 + panelGap;
    if (y + s.height() > height()) {
        y = r.top() - panelGap - s.height();
        if (y < 0) {
            y = std::max(0, r.bottom() + 1 - panelGap - s.height());
        }
    }
    panel_->setGeometry(QRect(QPoint(x, y), s));
    panel_->show();
    panel_->raise();
}

void RegionSelectionView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect b = model_.bounds();
    if (b.isEmpty()) {
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRectF(rect()), picture_, QRectF(picture_.rect()));

    // Everything below is drawn in model points.
    p.scale(double(width()) / b.width(), double(height()) / b.height());
    p.translate(-b.topLeft());
    p.setRenderHint(QPainter::Antialiasing, true);

    const auto sel = model_.selection();
    const auto snap = model_.highlightedRegion();
    QPainterPath mask;
    mask.setFillRule(Qt::OddEvenFill);
    mask.addRect(QRectF(b));
    if (sel && !sel->isEmpty()) {
        mask.addRect(QRectF(*sel));
    } else if (snap) {
        const QRect clear = snap->rect.normalized().intersected(b);
        if (!clear.isEmpty()) {
            mask.addRect(QRectF(clear));
        }
    }
    p.fillPath(mask, maskColor());

    if (snap) {
        const QRectF r = QRectF(snap->rect.normalized().intersected(b));
        if (!r.isEmpty()) {
            // Inside the window's frame, so it shows at display edges too.
            const double h = snapStrokeWidth / 2;
            p.setPen(QPen(strokeColor(), snapStrokeWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(h, h, -h, -h));
        }
    }
    if (sel && !sel->isEmpty()) {
        // Just outside the selection, pulled in where it would leave the display.
        const double h = strokeWidth / 2;
        QRectF outline = QRectF(*sel).adjusted(-h, -h, h, h);
        outline = outline.intersected(QRectF(b).adjusted(h, h, -h, -h));
        p.setPen(QPen(strokeColor(), strokeWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(outline);
        p.setPen(QPen(strokeColor(), 1.0));
        p.setBrush(Qt::white);
        for (const QRectF& handle : model_.handleRects()) {
            p.drawRect(handle);
        }
        if (const auto button = model_.scrollButtonRect()) {
            // A round button with a down arrow over a page: "scroll this".
            const QRectF r(*button);
            p.setPen(Qt::NoPen);
            p.setBrush(headsUpBackground());
            p.drawRoundedRect(r, 8, 8);
            p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            const QPointF c = r.center();
            p.drawLine(c + QPointF(0, -8), c + QPointF(0, 7));
            p.drawPolyline(QPolygonF({c + QPointF(-5, 2), c + QPointF(0, 7), c + QPointF(5, 2)}));
        }
    }
    paintHeadsUp(p);
    paintHint(p);
    paintLoupe(p);
}

QPoint RegionSelectionView::picturePixel(const QPoint& modelPoint) const {
    const QRect b = model_.bounds();
    if (b.isEmpty() || picture_.isNull()) {
        return {};
    }
    const double sx = double(picture_.width()) / b.width();
    const double sy = double(picture_.height()) / b.height();
    return QPoint(std::clamp(int(std::floor((modelPoint.x() - b.x()) * sx)), 0, picture_.width() - 1),
                  std::clamp(int(std::floor((modelPoint.y() - b.y()) * sy)), 0, picture_.height() - 1));
}

void RegionSelectionView::paintLoupe(QPainter& p) {
    const auto phase = model_.phase();
    if (!pointerInside_ || picture_.isNull() || phase == RegionSelectionModel::Phase::finished ||
        (phase == RegionSelectionModel::Phase::adjusting && !model_.picksPoint() &&
         model_.handleAt(model_.pointer()) == RegionSelectionModel::HandlePos::inside)) {
        return;
    }
    constexpr int cells = 11, cell = 9; // an odd number of pixels around the pointer, enlarged
    const QPoint px = picturePixel(model_.pointer());
    const QRgb colour = picture_.pixel(px);
    const QString coords = QStringLiteral("%1, %2").arg(model_.pointer().x()).arg(model_.pointer().y());
    const QString hex = QColor(colour).name(QColor::HexRgb).toUpper();
    const QList<TextRun> runs{TextRun{coords, numberFont()}, TextRun{hex, numberFont()}};
    const QSizeF label = runsSize(runs);
    const int side = cells * cell;
    const QSize loupe(std::max(side, int(std::ceil(label.width()))),
                      side + 4 + int(std::ceil(label.height())));
    const QPoint at = RegionSelectionModel::loupeOrigin(model_.pointer(), loupe, model_.bounds());
    const QRectF box(at, QSizeF(side, side));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect source(px - QPoint(cells / 2, cells / 2), QSize(cells, cells));
    p.fillRect(box, Qt::black);
    p.drawImage(box, picture_.copy(source)); // outside the picture: black
    // The pixel under the pointer, framed.
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    const QRectF centre(box.left() + (cells / 2) * cell, box.top() + (cells / 2) * cell, cell, cell);
    p.drawRect(centre);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(centre.adjusted(-1, -1, 1, 1));
    p.setPen(QPen(strokeColor(), 2));
    p.drawRect(box);
    p.restore();
    paintRuns(p, QPointF(box.left(), box.bottom() + 4), runs);
}

void RegionSelectionView::paintHeadsUp(QPainter& p) {
    const auto anchor = model_.headsUpRect();
    if (!anchor) {
        return;
    }
    QList<TextRun> runs;
    const QString title = model_.headsUpTitle();
    if (!title.isEmpty()) {
        const QFont f = labelFont();
        runs << TextRun{QFontMetricsF(f).elidedText(title, Qt::ElideRight, 360), f};
    }
    runs << TextRun{model_.headsUpSize(), numberFont()};
    const QSizeF size = runsSize(runs);
    const QRectF b(model_.bounds());
    // Above the rectangle's top-left corner, else just inside it.
    QPointF at(anchor->x(), anchor->y() - headsUpGap - size.height());
    if (at.y() < b.top()) {
        at.setY(anchor->y() + headsUpGap + (model_.selection() ? model_.handleSize : snapStrokeWidth));
        at.setX(at.x() + headsUpGap);
    }
    at.setX(std::clamp(at.x(), b.left(), std::max(b.left(), b.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), b.top(), std::max(b.top(), b.bottom() + 1 - size.height())));
    paintRuns(p, at, runs);
}

void RegionSelectionView::paintHint(QPainter& p) {
    if (model_.phase() == RegionSelectionModel::Phase::finished) {
        return;
    }
    const QList<TextRun> runs{TextRun{model_.hintText(), labelFont()}};
    const QSizeF size = runsSize(runs);
    const QRectF b(model_.bounds());
    QRectF plate(QPointF(b.center().x() - size.width() / 2, b.top() + hintTopInset), size);
    // Out of the way of a selection or label near the top.
    if (const auto a = model_.headsUpRect(); a && plate.adjusted(0, 0, 0, 40).intersects(QRectF(*a))) {
        plate.moveTop(b.bottom() + 1 - hintTopInset - size.height());
    }
    paintRuns(p, plate.topLeft(), runs);
    const QString detail = model_.detailHint();
    if (!detail.isEmpty()) {
        const QList<TextRun> more{TextRun{detail, labelFont()}};
        const QSizeF moreSize = runsSize(more);
        paintRuns(p, QPointF(b.center().x() - moreSize.width() / 2, plate.bottom() + 4), more);
    }
}

} // namespace mebo
