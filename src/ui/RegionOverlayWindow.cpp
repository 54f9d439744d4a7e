#include "ui/RegionOverlayWindow.h"

#include "ui/RegionSelectionView.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace mebo {

RegionOverlayWindow::RegionOverlayWindow(RegionSelectionView* view, const QRect& geometry)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint),
      view_(view) {
    setWindowTitle(QStringLiteral("Mebo"));
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_->setParent(this);
    layout->addWidget(view_);
    setGeometry(geometry);
    setFixedSize(geometry.size());
    setCursor(Qt::CrossCursor);
}

RegionOverlayWindow::~RegionOverlayWindow() {
    releaseKeyboardGrab();
}

void RegionOverlayWindow::takeKeyboard() {
    raise();
    activateWindow();
    view_->setFocus(Qt::ActiveWindowFocusReason);
    grabKeyboard();
    grabbing_ = true;
}

void RegionOverlayWindow::releaseKeyboardGrab() {
    if (grabbing_) {
        releaseKeyboard();
        grabbing_ = false;
    }
}

bool RegionOverlayWindow::event(QEvent* event) {
    // Escape is taken before any child (the recording panel's button) can use it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void RegionOverlayWindow::keyPressEvent(QKeyEvent* event) {
    // A copy: handling the key may close the overlay, which clears the callback.
    if (const auto key = onKey; key && key(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace mebo
