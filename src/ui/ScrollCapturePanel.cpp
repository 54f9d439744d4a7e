#include "ui/ScrollCapturePanel.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace mebo {

ScrollCapturePanel::ScrollCapturePanel(std::function<QRect(const QRect&)> toGlobal,
                                       std::function<QList<QRect>()> screens, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      toGlobal_(std::move(toGlobal)), screens_(std::move(screens)) {
    setObjectName(QStringLiteral("ScrollCapturePanel"));
    setWindowTitle(tr("Scrolling Capture"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    auto* row = new QHBoxLayout;
    auto* spinner = new QProgressBar;
    spinner->setRange(0, 0); // indeterminate: it moves while the capture runs
    spinner->setTextVisible(false);
    spinner->setFixedSize(36, 10);
    row->addWidget(spinner);
    row->addWidget(new QLabel(tr("Scrolling Capture")));
    layout->addLayout(row);
    cancel_ = new QPushButton(tr("Cancel"));
    cancel_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (auto cancel = onCancel_) {
            cancel();
        }
    });
}

std::optional<QPoint> ScrollCapturePanel::placement(const QSize& size, const QRect& region,
                                                    const QRect& screen, const QPoint& pointer) {
    const QRect room = screen.adjusted(margin, margin, -margin, -margin);
    const QRect keepOut = region.adjusted(-8, -8, 8, 8);
    const int midY = region.center().y() - size.height() / 2;
    const int midX = region.center().x() - size.width() / 2;
    const QList<QPoint> tries = {
        {region.right() + 1 + gap, midY},           // right
        {region.left() - gap - size.width(), midY}, // left
        {midX, region.bottom() + 1 + gap},          // below
        {midX, region.top() - gap - size.height()}, // above
        {room.right() + 1 - size.width(), room.bottom() + 1 - size.height()},
        {room.left(), room.bottom() + 1 - size.height()},
        {room.right() + 1 - size.width(), room.top()},
        {room.left(), room.top()},
    };
    for (QPoint p : tries) {
        // Slid along the screen's edge when it sticks out, as long as it stays clear.
        p.setX(std::clamp(p.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width())));
        p.setY(std::clamp(p.y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height())));
        const QRect r(p, size);
        if (room.contains(r) && !r.intersects(keepOut) && !r.contains(pointer)) {
            return p;
        }
    }
    return std::nullopt;
}

void ScrollCapturePanel::show(const QRect& region, std::function<void()> onCancel) {
    onCancel_ = std::move(onCancel);
    adjustSize();
    const QRect global = toGlobal_(region);
    const QSize size = sizeHint().expandedTo(minimumSizeHint());
    QList<QRect> screens = screens_();
    // The screen holding the region first.
    std::stable_sort(screens.begin(), screens.end(), [&](const QRect& a, const QRect& b) {
        return a.intersects(global) && !b.intersects(global);
    });
    for (const QRect& screen : screens) {
        if (const auto at = placement(size, global, screen, QCursor::pos())) {
            move(*at);
            QWidget::show();
            raise();
            return;
        }
    }
    // The region fills every screen: no place keeps the panel out of the frames, so it stays
    // hidden and Escape remains the way to stop.
}

void ScrollCapturePanel::bringToFront() {
    if (isVisible()) {
        raise();
    }
}

void ScrollCapturePanel::close() {
    onCancel_ = nullptr;
    hide();
}

std::optional<uint32_t> ScrollCapturePanel::windowId() const {
    return isVisible() ? std::optional<uint32_t>(uint32_t(winId())) : std::nullopt;
}

} // namespace mebo
