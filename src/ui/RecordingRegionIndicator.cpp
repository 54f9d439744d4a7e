#include "ui/RecordingRegionIndicator.h"

#include <QPainter>

namespace mebo {

RecordingRegionIndicator::RecordingRegionIndicator(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::BypassWindowManagerHint | Qt::WindowTransparentForInput |
                          Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("recordingRegionIndicator"));
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setWindowTitle(QStringLiteral("Mebo Recording Frame"));
}

QRegion RecordingRegionIndicator::ring(const QRect& recorded, const QList<QRect>& screens, int border) {
    QRegion onScreens;
    for (const QRect& s : screens) {
        onScreens += s;
    }
    const QRegion outer(recorded.adjusted(-border, -border, border, border));
    return (outer - QRegion(recorded)).intersected(onScreens);
}

void RecordingRegionIndicator::showAround(const QRect& recorded, const QList<QRect>& screens) {
    recorded_ = recorded;
    const QRegion shape = ring(recorded, screens);
    if (shape.isEmpty()) {
        hide();
        return;
    }
    const QRect bounds = shape.boundingRect();
    setGeometry(bounds);
    setMask(shape.translated(-bounds.topLeft()));
    show();
    raise();
    update();
}

void RecordingRegionIndicator::setPaused(bool paused) {
    if (paused != paused_) {
        paused_ = paused;
        update();
    }
}

void RecordingRegionIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Red while recording, amber while paused: the two states read at a glance.
    p.fillRect(rect(), paused_ ? QColor(0xe5, 0xa5, 0x0a) : QColor(0xe0, 0x1b, 0x24));
}

} // namespace mebo
