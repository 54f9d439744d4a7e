#include "ui/NativeGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace mebo::NativeGeometry {

namespace {

// The screen whose native rectangle holds `native` (the logical origin equals the native one).
const QScreen* screenHoldingNative(const QPoint& native) {
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        const double dpr = s->devicePixelRatio();
        const QRect nativeRect(g.topLeft(), QSize(int(std::lround(g.width() * dpr)), int(std::lround(g.height() * dpr))));
        if (nativeRect.contains(native)) {
            return s;
        }
    }
    return QGuiApplication::primaryScreen();
}

} // namespace

QRect toLogical(const QRect& native) {
    const QScreen* s = screenHoldingNative(native.topLeft());
    const double dpr = s ? s->devicePixelRatio() : 1.0;
    const QPoint origin = s ? s->geometry().topLeft() : QPoint();
    const QPoint topLeft = origin + QPoint(int(std::lround((native.x() - origin.x()) / dpr)),
                                           int(std::lround((native.y() - origin.y()) / dpr)));
    return QRect(topLeft, QSize(int(std::lround(native.width() / dpr)), int(std::lround(native.height() / dpr))));
}

} // namespace mebo::NativeGeometry
