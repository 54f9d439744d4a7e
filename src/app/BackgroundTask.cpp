#include "app/BackgroundTask.h"

#include <QThread>
#include <QThreadPool>
#include <deque>
#include <mutex>

namespace mebo {

namespace {

// Jobs wait here rather than inside the pool's runnables: the pool's own locking is Qt's and
// invisible to ThreadSanitizer, this std::mutex makes each hand-over (and everything a job
// captured) visible to it. Every runnable takes exactly one job, so none is left behind.
struct Job {
    std::function<void()> fn;
    QThread::Priority priority = QThread::NormalPriority;
};

struct JobQueue {
    std::mutex mutex;
    std::deque<Job> jobs; // guarded by mutex
};

// Never destroyed: pool threads may still be winding down while static objects go at exit.
JobQueue& jobQueue() {
    static JobQueue* queue = new JobQueue;
    return *queue;
}

void runOneJob() {
    JobQueue& q = jobQueue();
    Job job;
    {
        std::lock_guard lock(q.mutex);
        if (q.jobs.empty()) {
            return;
        }
        job = std::move(q.jobs.front());
        q.jobs.pop_front();
    }
    QThread* thread = QThread::currentThread();
    QThread::Priority previous = thread->priority();
    if (previous == QThread::InheritPriority) {
        previous = QThread::NormalPriority;
    }
    thread->setPriority(job.priority);
    job.fn();
    job.fn = nullptr; // release what it captured before the thread is handed back
    thread->setPriority(previous);
}

void start(std::function<void()> fn, QThread::Priority priority) {
    JobQueue& q = jobQueue();
    {
        std::lock_guard lock(q.mutex);
        q.jobs.push_back(Job{std::move(fn), priority});
    }
    QThreadPool::globalInstance()->start(&runOneJob);
}

} // namespace

void startUtilityTask(std::function<void()> fn) {
    start(std::move(fn), QThread::LowPriority);
}

void startUserInitiatedTask(std::function<void()> fn) {
    start(std::move(fn), QThread::NormalPriority);
}

} // namespace mebo
