#include "app/SerialQueue.h"

#include <pthread.h>

namespace mebo {

SerialQueue::SerialQueue(QString label) : label_(std::move(label)), thread_([this] { run(); }) {}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SerialQueue::async(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

size_t SerialQueue::pending() const {
    std::lock_guard lock(mutex_);
    return jobs_.size();
}

void SerialQueue::run() {
    pthread_setname_np(pthread_self(), label_.left(15).toUtf8().constData());
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace mebo
