#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace mebo {

// A named serial queue: one worker thread running jobs in submission order. Plain std::thread and
// std::condition_variable, so ThreadSanitizer sees every hand-over. Results go back with
// runOnMain.
class SerialQueue {
public:
    // `label` names the thread (Linux keeps the first 15 characters).
    explicit SerialQueue(QString label);
    // Runs the jobs already queued, then joins the thread.
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(std::function<void()> job);
    // Jobs waiting (not counting one that runs).
    size_t pending() const;
    const QString& label() const { return label_; }

private:
    void run();

    QString label_;
    mutable std::mutex mutex_; // guards jobs_ and stopping_
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_; // last: started once the members above exist
};

} // namespace mebo
