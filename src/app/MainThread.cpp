#include "app/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <deque>
#include <mutex>

namespace mebo {

namespace {

// Jobs cross to the main thread in a std::mutex-guarded FIFO; the queued meta-call only wakes
// the main thread and carries nothing of ours. Qt's own event-queue locking is invisible to
// ThreadSanitizer (the distribution's Qt is not instrumented), so data handed over inside a
// posted functor looks unsynchronised to it; this mutex makes every hand-off visible.
class MainQueue : public QObject {
    Q_OBJECT
public:
    void push(std::function<void()> fn) {
        bool wake = false;
        {
            std::lock_guard lock(mutex_);
            wake = jobs_.empty();
            jobs_.push_back(std::move(fn));
        }
        if (wake) {
            QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
        }
    }

public Q_SLOTS:
    void drain() {
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard lock(mutex_);
            jobs.swap(jobs_);
        }
        for (auto& job : jobs) {
            job();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;
};

std::mutex queueMutex;                // guards queueApp and queue
QCoreApplication* queueApp = nullptr; // compared only, never dereferenced
MainQueue* queue = nullptr;           // one per application object, living in its thread; never deleted

MainQueue* queueFor(QCoreApplication* app) {
    std::lock_guard lock(queueMutex);
    if (queueApp != app || !queue) {
        // Normally made by createQueue() below; this covers an application object created
        // before this file's static initialisers ran.
        queue = new MainQueue; // parentless, so the creating thread may move it
        queue->moveToThread(app->thread());
        queueApp = app;
    }
    return queue;
}

// Runs in the application object's constructor, on the main thread, so the queue object is
// created where it lives and published under queueMutex before any worker can post.
void createQueue() {
    queueFor(QCoreApplication::instance());
}
Q_COREAPP_STARTUP_FUNCTION(createQueue)

} // namespace

void runOnMain(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        return;
    }
    queueFor(app)->push(std::move(fn));
}

bool isMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace mebo

#include "MainThread.moc"
