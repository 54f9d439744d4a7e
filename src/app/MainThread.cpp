#include "app/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace mebo {

void runOnMain(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        return; // no event loop: the process is ending
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

bool isMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace mebo
