#include "platform/x11/X11SerialWorker.h"

#include <pthread.h>

namespace mebo::platform::x11 {

X11SerialWorker::X11SerialWorker(QString name) : name_(std::move(name)), thread_([this] { run(); }) {}

X11SerialWorker::~X11SerialWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void X11SerialWorker::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void X11SerialWorker::run() {
    pthread_setname_np(pthread_self(), name_.left(15).toLocal8Bit().constData());
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return; // stopping, nothing left
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace mebo::platform::x11
