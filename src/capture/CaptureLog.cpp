#include "capture/CaptureLog.h"

namespace mebo::CaptureLog {

namespace {

QString sizeText(const QSize& s) {
    return QStringLiteral("%1×%2").arg(s.width()).arg(s.height());
}

} // namespace

QString started(const QString& mode, const QString& source, const QString& preferredApp) {
    return QStringLiteral("[CaptureMgr] start mode=") + mode + QStringLiteral(" source=") + source +
           QStringLiteral(" preferredApp=") + preferredApp;
}

QString displayGrabbed(const QSize& size, uint32_t displayId) {
    return QStringLiteral("[ScreenCapture] 全屏截屏 ") + sizeText(size) +
           QStringLiteral(" display %1").arg(displayId);
}

QString areaCut(const QSize& size, const QRect& at) {
    return QStringLiteral("[ScreenCapture] 區域截屏 ") + sizeText(size) +
           QStringLiteral(" at (%1, %2, %3, %4)").arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height());
}

QString resultHandled(const QString& mode, const QSize& size) {
    return QStringLiteral("[CaptureMgr] handleResult mode=") + mode + QStringLiteral(" size=") +
           sizeText(size);
}

} // namespace mebo::CaptureLog
