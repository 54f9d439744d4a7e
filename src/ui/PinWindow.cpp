#include "ui/PinWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace mebo {

PinWindow::PinWindow(QImage picture, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(std::move(picture)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("PinWindow"));
    setWindowTitle(title);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
    setToolTip(tr("Drag to move · Wheel to zoom · Esc or double-click to close"));
    // Larger than the screen: shrunk to fit at first.
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        const QSizeF room = QSizeF(screen->availableGeometry().size()) * 0.9;
        const QSize natural = viewSize(1);
        if (natural.width() > room.width() || natural.height() > room.height()) {
            zoom_ = std::max(kMinZoom,
                             std::min(room.width() / natural.width(), room.height() / natural.height()));
        }
    }
    resize(viewSize(zoom_));
}

QSize PinWindow::viewSize(double zoom) const {
    const double dpr = std::max(1.0, devicePixelRatioF());
    return QSize(std::max(8, int(std::lround(picture_.width() * zoom / dpr))),
                 std::max(8, int(std::lround(picture_.height() * zoom / dpr))));
}

void PinWindow::setZoom(double zoom, const QPoint& anchor) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (std::abs(zoom - zoom_) < 1e-9) {
        return;
    }
    // The picture point under the anchor stays under it.
    const QPointF fraction(double(anchor.x()) / std::max(1, width()),
                           double(anchor.y()) / std::max(1, height()));
    const QSize next = viewSize(zoom);
    const QPoint globalAnchor = mapToGlobal(anchor);
    zoom_ = zoom;
    setGeometry(QRect(
        globalAnchor - QPoint(int(fraction.x() * next.width()), int(fraction.y() * next.height())), next));
    update();
}

void PinWindow::copyToClipboard() const {
    QApplication::clipboard()->setImage(picture_);
}

void PinWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1);
    p.drawImage(rect(), picture_);
    // A hairline in the highlight colour tells the pin from the windows under it.
    p.setPen(QPen(palette().color(QPalette::Highlight), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PinWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        setCursor(Qt::ClosedHandCursor);
    }
}

void PinWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        move(event->globalPosition().toPoint() - dragOffset_);
    }
}

void PinWindow::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
    setCursor(Qt::OpenHandCursor);
}

void PinWindow::mouseDoubleClickEvent(QMouseEvent*) {
    close();
}

void PinWindow::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) {
        setZoom(zoom_ * std::pow(kZoomStep, steps), event->position().toPoint());
    }
    event->accept();
}

void PinWindow::keyPressEvent(QKeyEvent* event) {
    const QPoint centre(width() / 2, height() / 2);
    if (event->key() == Qt::Key_Escape) {
        close();
    } else if (event->matches(QKeySequence::Copy)) {
        copyToClipboard();
    } else if (event->matches(QKeySequence::ZoomIn) || event->key() == Qt::Key_Plus) {
        setZoom(zoom_ * kZoomStep, centre);
    } else if (event->matches(QKeySequence::ZoomOut) || event->key() == Qt::Key_Minus) {
        setZoom(zoom_ / kZoomStep, centre);
    } else if (event->key() == Qt::Key_0 && (event->modifiers() & Qt::ControlModifier)) {
        setZoom(1, centre);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void PinWindow::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(tr("Copy"));
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, &PinWindow::copyToClipboard);
    connect(menu->addAction(tr("Actual Size")), &QAction::triggered, this,
            [this] { setZoom(1, QPoint(width() / 2, height() / 2)); });
    menu->addSeparator();
    QAction* close = menu->addAction(tr("Close"));
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, this, &QWidget::close);
    menu->popup(event->globalPos());
}

} // namespace mebo
