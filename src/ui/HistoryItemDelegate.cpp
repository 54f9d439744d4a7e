#include "ui/HistoryItemDelegate.h"

#include "library/HistoryListModel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace mebo {

namespace {

constexpr QSize kStripBox{148, 96};
constexpr QSize kGridBox{200, 130};
constexpr int kTextGap = 4;

QPainterPath rounded(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// A right-pointing triangle inside `r`.
QPainterPath playSymbol(const QRectF& r) {
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right(), r.center().y());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    return path;
}

// A pencil drawn at 45 degrees across the square `r`: body, tip.
void drawPencil(QPainter* p, const QRectF& r, const QColor& colour) {
    p->save();
    p->translate(r.center());
    p->rotate(-45);
    const qreal len = r.width() * 0.95;
    const qreal w = r.width() * 0.28;
    QPainterPath body;
    body.addRect(QRectF(-len / 2 + w * 0.9, -w / 2, len - w * 0.9 - w * 0.35, w));
    QPainterPath tip;
    tip.moveTo(-len / 2, 0);
    tip.lineTo(-len / 2 + w * 0.75, -w / 2);
    tip.lineTo(-len / 2 + w * 0.75, w / 2);
    tip.closeSubpath();
    QPainterPath eraser;
    eraser.addRect(QRectF(len / 2 - w * 0.25, -w / 2, w * 0.25, w));
    p->setPen(Qt::NoPen);
    p->setBrush(colour);
    p->drawPath(body);
    p->drawPath(tip);
    p->drawPath(eraser);
    p->restore();
}

// A landscape picture symbol (frame, sun, hill) for items without a thumbnail.
void drawPictureSymbol(QPainter* p, const QRectF& r, const QColor& colour) {
    p->save();
    QPen pen(colour, 1.5);
    pen.setJoinStyle(Qt::RoundJoin);
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    p->drawRoundedRect(r, 3, 3);
    p->setBrush(colour);
    p->setPen(Qt::NoPen);
    p->drawEllipse(QPointF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.32), r.width() * 0.08,
                   r.width() * 0.08);
    QPainterPath hill;
    hill.moveTo(r.left() + 2, r.bottom() - 2);
    hill.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.5);
    hill.lineTo(r.left() + r.width() * 0.6, r.top() + r.height() * 0.68);
    hill.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.55);
    hill.lineTo(r.right() - 2, r.bottom() - 2);
    hill.closeSubpath();
    p->drawPath(hill);
    p->restore();
}

} // namespace

HistoryItemDelegate::HistoryItemDelegate(Layout layout, QObject* parent)
    : QStyledItemDelegate(parent), layout_(layout) {}

QSize HistoryItemDelegate::thumbnailBox() const {
    return layout_ == Layout::strip ? kStripBox : kGridBox;
}

QFont HistoryItemDelegate::smallFont(const QFont& base) const {
    QFont f = base;
    if (f.pointSizeF() > 0) {
        f.setPointSizeF(f.pointSizeF() * (layout_ == Layout::strip ? 0.85 : 0.9));
    } else {
        f.setPixelSize(std::max(9, int(f.pixelSize() * 0.85)));
    }
    return f;
}

QRect HistoryItemDelegate::fittedRect(const QSize& image, const QRect& box) {
    if (image.isEmpty()) {
        return box;
    }
    const QSize fitted = image.scaled(box.size(), Qt::KeepAspectRatio);
    const QSize size(std::max(1, fitted.width()), std::max(1, fitted.height()));
    return QRect(box.left() + (box.width() - size.width()) / 2,
                 box.top() + (box.height() - size.height()) / 2, size.width(), size.height());
}

QRect HistoryItemDelegate::boxIn(const QRect& cell) const {
    const QSize size = thumbnailBox();
    return QRect(cell.left() + (cell.width() - size.width()) / 2, cell.top() + kPadding + 2, size.width(),
                 size.height());
}

QRect HistoryItemDelegate::pictureRect(const QRect& cell, const QModelIndex& index) const {
    const QImage thumb = index.data(HistoryListModel::ThumbnailRole).value<QImage>();
    return fittedRect(thumb.isNull() ? index.data(HistoryListModel::PixelSizeRole).toSize() : thumb.size(),
                      boxIn(cell));
}

QSize HistoryItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const QFontMetrics fm(smallFont(option.font));
    const QSize box = thumbnailBox();
    return QSize(box.width() + 2 * (kPadding + 2),
                 kPadding + 2 + box.height() + kTextGap + 2 * fm.height() + kPadding + 2);
}

void HistoryItemDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = option.palette;
    const QRectF cell = QRectF(option.rect).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const bool current =
        !currentId_.isEmpty() && index.data(HistoryListModel::IdRole).toString() == currentId_;

    // Cell background: a light tint of the highlight for the selection, a faint one for hover.
    if (selected || hovered) {
        QColor fill = pal.color(QPalette::Highlight);
        fill.setAlpha(selected ? 56 : 24);
        p->setPen(Qt::NoPen);
        p->setBrush(fill);
        p->drawRoundedRect(cell, kRadius + 2, kRadius + 2);
    }

    const QRect box = boxIn(option.rect);
    const QImage thumb = index.data(HistoryListModel::ThumbnailRole).value<QImage>();
    const QSize pixelSize = index.data(HistoryListModel::PixelSizeRole).toSize();
    // The frame follows the capture's proportions even before its thumbnail is there.
    const QRectF picture = fittedRect(thumb.isNull() ? pixelSize : thumb.size(), box);
    const QPainterPath frame = rounded(picture, kRadius);

    if (thumb.isNull()) {
        p->setPen(Qt::NoPen);
        p->setBrush(pal.color(QPalette::Midlight));
        p->drawPath(frame);
        const qreal s = std::min<qreal>(28, std::min(picture.width(), picture.height()) * 0.5);
        if (index.data(HistoryListModel::IsVideoRole).toBool()) {
            p->setBrush(pal.color(QPalette::PlaceholderText));
            p->drawPath(
                playSymbol(QRectF(picture.center() - QPointF(s * 0.35, s * 0.4), QSizeF(s * 0.7, s * 0.8))));
        } else {
            drawPictureSymbol(p, QRectF(picture.center() - QPointF(s / 2, s * 0.4), QSizeF(s, s * 0.8)),
                              pal.color(QPalette::PlaceholderText));
        }
    } else {
        p->save();
        p->setClipPath(frame);
        p->setRenderHint(QPainter::SmoothPixmapTransform);
        p->drawImage(picture, thumb);
        p->restore();
    }
    // A hairline edge keeps white captures apart from a light background.
    QColor edge = pal.color(QPalette::WindowText);
    edge.setAlpha(40);
    p->setPen(QPen(edge, 1));
    p->setBrush(Qt::NoBrush);
    p->drawPath(rounded(picture.adjusted(0.5, 0.5, -0.5, -0.5), kRadius));
    if (current) {
        p->setPen(QPen(pal.color(QPalette::Highlight), 2.5));
        p->drawPath(rounded(picture.adjusted(-2.5, -2.5, 2.5, 2.5), kRadius + 2));
    }

    QFont badgeFont = smallFont(option.font);
    badgeFont.setBold(true);
    const QFontMetricsF badgeMetrics(badgeFont);
    // Video: play symbol and duration, bottom left on the picture.
    if (index.data(HistoryListModel::IsVideoRole).toBool()) {
        const QString duration = index.data(HistoryListModel::DurationTextRole).toString();
        const qreal tri = 7;
        const qreal width =
            8 + tri + (duration.isEmpty() ? 0 : 4 + badgeMetrics.horizontalAdvance(duration)) + 8;
        const QRectF badge(picture.left() + 5, picture.bottom() - 5 - kBadgeHeight, width, kBadgeHeight);
        QColor back = pal.color(QPalette::ToolTipBase);
        back.setAlpha(215);
        p->setPen(Qt::NoPen);
        p->setBrush(back);
        p->drawRoundedRect(badge, kBadgeHeight / 2.0, kBadgeHeight / 2.0);
        p->setBrush(pal.color(QPalette::ToolTipText));
        p->drawPath(playSymbol(QRectF(badge.left() + 8, badge.center().y() - tri / 2 - 0.5, tri, tri + 1)));
        if (!duration.isEmpty()) {
            p->setFont(badgeFont);
            p->setPen(pal.color(QPalette::ToolTipText));
            p->drawText(QRectF(badge.left() + 8 + tri + 4, badge.top(), width, badge.height()),
                        Qt::AlignLeft | Qt::AlignVCenter, duration);
        }
    }
    // Annotations: a pencil in a highlight-coloured disc, top right on the picture.
    if (index.data(HistoryListModel::HasSidecarRole).toBool()) {
        const QRectF disc(picture.right() - 5 - kBadgeHeight, picture.top() + 5, kBadgeHeight, kBadgeHeight);
        p->setPen(QPen(pal.color(QPalette::HighlightedText), 1.2));
        p->setBrush(pal.color(QPalette::Highlight));
        p->drawEllipse(disc);
        drawPencil(p, disc.adjusted(4, 4, -4, -4), pal.color(QPalette::HighlightedText));
    }

    // Tags: chips along the top of the picture, as many as fit, then "+N".
    const QStringList tags = index.data(HistoryListModel::TagsRole).toStringList();
    if (!tags.isEmpty()) {
        const qreal right = picture.right() - 5 -
                            (index.data(HistoryListModel::HasSidecarRole).toBool() ? kBadgeHeight + 4 : 0);
        qreal x = picture.left() + 5;
        QColor back = pal.color(QPalette::Highlight);
        back.setAlpha(225);
        p->setFont(badgeFont);
        for (qsizetype i = 0; i < tags.size(); ++i) {
            const qsizetype rest = tags.size() - i;
            const QString more = QStringLiteral("+%1").arg(rest);
            const qreal room = right - x - (rest > 1 ? badgeMetrics.horizontalAdvance(more) + 16 : 0);
            QString text = badgeMetrics.elidedText(tags.at(i), Qt::ElideRight, std::max<qreal>(0, room - 12));
            if (text.isEmpty() || text == QStringLiteral("…")) {
                text = more; // nothing of this one fits: say how many are left
            }
            const qreal w = badgeMetrics.horizontalAdvance(text) + 12;
            if (x + w > right + 0.5) {
                break;
            }
            const QRectF chip(x, picture.top() + 5, w, kBadgeHeight);
            p->setPen(Qt::NoPen);
            p->setBrush(back);
            p->drawRoundedRect(chip, kBadgeHeight / 2.0, kBadgeHeight / 2.0);
            p->setPen(pal.color(QPalette::HighlightedText));
            p->drawText(chip, Qt::AlignCenter, text);
            x += w + 4;
            if (text == more) {
                break;
            }
        }
    }

    // Name, then time (and size in the grid), below the box.
    const QFont font = smallFont(option.font);
    const QFontMetrics fm(font);
    p->setFont(font);
    const int textWidth = box.width();
    QRect line(box.left(), box.bottom() + 1 + kTextGap, textWidth, fm.height());
    const QString title = index.data(HistoryListModel::TitleRole).toString();
    p->setPen(pal.color(QPalette::Text));
    p->drawText(line, Qt::AlignHCenter | Qt::AlignVCenter, fm.elidedText(title, Qt::ElideMiddle, textWidth));
    line.translate(0, fm.height());
    QString detail = index.data(HistoryListModel::TimeTextRole).toString();
    if (layout_ == Layout::grid && pixelSize.isValid()) {
        detail += QStringLiteral("  ·  %1 × %2").arg(pixelSize.width()).arg(pixelSize.height());
    }
    p->setPen(pal.color(QPalette::PlaceholderText));
    p->drawText(line, Qt::AlignHCenter | Qt::AlignVCenter, fm.elidedText(detail, Qt::ElideRight, textWidth));

    if (option.state & QStyle::State_HasFocus && option.widget && option.widget->hasFocus()) {
        QColor ring = pal.color(QPalette::Highlight);
        ring.setAlpha(110);
        p->setPen(QPen(ring, 1, Qt::DotLine));
        p->setBrush(Qt::NoBrush);
        p->drawRoundedRect(cell, kRadius + 2, kRadius + 2);
    }
    p->restore();
}

} // namespace mebo
