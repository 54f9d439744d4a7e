#include "ui/ColorButton.h"

#include <QColorDialog>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace mebo {

ColorButton::ColorButton(Role role, QWidget* parent) : QToolButton(parent), role_(role) {
    setAutoRaise(role == Role::swatch);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(role == Role::swatch ? Qt::NoFocus : Qt::StrongFocus);
    connect(this, &QToolButton::clicked, this, &ColorButton::onClicked);
}

void ColorButton::setColor(const QColor& color) {
    if (color == color_ && !unset_) {
        return;
    }
    color_ = color;
    unset_ = false;
    if (role_ == Role::swatch) {
        setToolTip(color.name(color.alpha() < 255 ? QColor::HexArgb : QColor::HexRgb));
    }
    update();
}

void ColorButton::setUnset(bool unset) {
    if (unset != unset_) {
        unset_ = unset;
        update();
    }
}

QSize ColorButton::sizeHint() const {
    return role_ == Role::swatch ? QSize(18, 18) : QSize(40, 24);
}

void ColorButton::paintSwatch(QPainter& painter, const QRectF& rect, const QColor& color,
                              const QPalette& palette, double radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    painter.setClipPath(shape);
    if (color.alpha() < 255) {
        // The checkerboard shows through a translucent colour.
        const double cell = 4;
        painter.fillRect(rect, Qt::white);
        for (double y = rect.top(); y < rect.bottom(); y += cell) {
            for (double x = rect.left(); x < rect.right(); x += cell) {
                if ((int((x - rect.left()) / cell) + int((y - rect.top()) / cell)) % 2 == 1) {
                    painter.fillRect(QRectF(x, y, cell, cell), QColor(204, 204, 204));
                }
            }
        }
    }
    painter.fillRect(rect, color);
    painter.setClipping(false);
    QColor frame = palette.color(QPalette::WindowText);
    frame.setAlphaF(0.35f);
    painter.setPen(QPen(frame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.restore();
}

void ColorButton::paintEvent(QPaintEvent* event) {
    if (role_ == Role::picker) {
        QToolButton::paintEvent(event);
    }
    QPainter painter(this);
    if (!isEnabled()) {
        painter.setOpacity(0.35);
    }
    const int inset = role_ == Role::picker ? 5 : 2;
    const QRectF swatch = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    if (unset_) {
        painter.setRenderHint(QPainter::Antialiasing);
        QColor line = palette().color(QPalette::WindowText);
        line.setAlphaF(0.45f);
        painter.setPen(QPen(line, 1));
        painter.drawRoundedRect(swatch.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        painter.setPen(QPen(QColor(255, 59, 48), 1.5));
        painter.drawLine(swatch.bottomLeft() + QPointF(2, -2), swatch.topRight() + QPointF(-2, 2));
        return;
    }
    paintSwatch(painter, swatch, color_, palette(), role_ == Role::swatch ? swatch.height() / 2 : 3);
    if (role_ == Role::swatch && (underMouse() || isDown())) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75));
    }
}

void ColorButton::onClicked() {
    if (role_ == Role::swatch) {
        Q_EMIT colorPicked(color_);
        return;
    }
    const QColor start = unset_ ? QColor(Qt::black) : color_;
    const QColor chosen = QColorDialog::getColor(start, this, dialogTitle_, QColorDialog::ShowAlphaChannel);
    if (chosen.isValid()) {
        setColor(chosen);
        Q_EMIT colorPicked(chosen);
    }
}

} // namespace mebo
