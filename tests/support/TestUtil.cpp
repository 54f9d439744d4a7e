#include "TestUtil.h"

namespace mebo::test {

bool waitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void drainEvents() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

LogCapture::LogCapture() {
    drainEvents();
    AppLogger::shared().clear();
    AppLogger::shared().setSystemLog(&sink);
}

LogCapture::~LogCapture() {
    drainEvents();
    AppLogger::shared().setSystemLog(nullptr);
}

QStringList LogCapture::messages() {
    drainEvents();
    QStringList out;
    for (const auto& e : AppLogger::shared().recentLogs()) {
        out << e.msg;
    }
    return out;
}

bool LogCapture::contains(const QString& msg) {
    return messages().contains(msg);
}

int LogCapture::count(const QString& msg) {
    return int(messages().count(msg));
}

} // namespace mebo::test
