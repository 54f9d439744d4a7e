#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

namespace mebo {

// A capture's log lines, written by the coordinator and the screen capture and, word for word, by
// the command line's quick path (which needs Qt Core only).
namespace CaptureLog {

QString started(const QString& mode, const QString& source, const QString& preferredApp);
QString displayGrabbed(const QSize& size, uint32_t displayId);
QString areaCut(const QSize& size, const QRect& at);
QString resultHandled(const QString& mode, const QSize& size);

} // namespace CaptureLog
} // namespace mebo
