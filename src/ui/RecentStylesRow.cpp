#include "ui/RecentStylesRow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <algorithm>

namespace mebo {

namespace {

constexpr QSize kButton(32, 26);
constexpr QSize kPreview(24, 18);

QString describe(ToolKind tool, const ToolStyleSnapshot& s) {
    switch (tool) {
    case ToolKind::mosaic:
        return s.mosaicStyle == MosaicStyle::solid ? QStringLiteral("Solid cover")
                                                   : QStringLiteral("Block size %1").arg(s.mosaicBlockSize);
    case ToolKind::blur:
        return QStringLiteral("Blur radius %1").arg(s.blurRadius);
    case ToolKind::text:
    case ToolKind::callout:
        return QStringLiteral("%1, %2 px text").arg(s.color.name(), QString::number(s.fontSize));
    case ToolKind::stamp:
        return QStringLiteral("%1, %2 px").arg(s.stampSymbol, QString::number(s.stampSize));
    default:
        return QStringLiteral("%1, width %2").arg(s.color.name(), QString::number(s.strokeWidth));
    }
}

} // namespace

RecentStylesRow::RecentStylesRow(QWidget* parent) : QWidget(parent) {
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(4);
    row_->addStretch(1);
}

void RecentStylesRow::setStyles(ToolKind tool, const QList<ToolStyleSnapshot>& styles) {
    if (tool == tool_ && styles == styles_ && buttons_.size() == styles.size()) {
        return;
    }
    tool_ = tool;
    styles_ = styles;
    rebuild();
}

QPixmap RecentStylesRow::preview(ToolKind tool, const ToolStyleSnapshot& s, const QSize& size,
                                 const QPalette& palette, double dpr) {
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(QPointF(0, 0), QSizeF(size));
    switch (tool) {
    case ToolKind::mosaic:
    case ToolKind::blur: {
        // A few cells in greys: the cover, not a colour.
        const double cell = box.width() / 4;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                const int g = 110 + ((x * 37 + y * 61) % 5) * 25;
                p.fillRect(QRectF(x * cell, y * box.height() / 3, cell, box.height() / 3),
                           s.mosaicStyle == MosaicStyle::solid && tool == ToolKind::mosaic
                               ? s.mosaicSolidColor
                               : QColor(g, g, g));
            }
        }
        break;
    }
    case ToolKind::text:
    case ToolKind::callout: {
        QFont font = p.font();
        font.setPixelSize(int(box.height() * 0.8));
        font.setBold(s.textFontWeight >= TextFontWeight::semibold);
        p.setFont(font);
        p.setPen(s.color);
        p.drawText(box, Qt::AlignCenter, QStringLiteral("Aa"));
        break;
    }
    default: {
        // A diagonal stroke in the style's colour, as thick as its width (capped to fit).
        const double w = std::clamp(s.strokeWidth, 1.0, box.height() / 2);
        QPen pen(s.color, w, Qt::SolidLine, Qt::RoundCap);
        if (s.arrowLineStyle == ArrowLineStyle::dashed && tool == ToolKind::arrow) {
            pen.setStyle(Qt::DashLine);
        }
        p.setPen(pen);
        p.drawLine(QPointF(w, box.height() - w), QPointF(box.width() - w, w));
        break;
    }
    }
    // A frame keeps white and translucent presets visible.
    QColor frame = palette.color(QPalette::WindowText);
    frame.setAlphaF(0.15f);
    p.setPen(QPen(frame, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    return pixmap;
}

void RecentStylesRow::rebuild() {
    qDeleteAll(buttons_);
    buttons_.clear();
    for (int i = 0; i < styles_.size(); ++i) {
        const ToolStyleSnapshot style = styles_.at(i);
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setFixedSize(kButton);
        button->setIconSize(kPreview);
        button->setIcon(QIcon(preview(tool_, style, kPreview, palette(), devicePixelRatioF())));
        button->setToolTip(describe(tool_, style));
        connect(button, &QToolButton::clicked, this, [this, style] { Q_EMIT applyRequested(style); });
        row_->insertWidget(i, button);
        buttons_.append(button);
    }
}

void RecentStylesRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !buttons_.isEmpty()) {
        rebuild();
    }
}

} // namespace mebo
