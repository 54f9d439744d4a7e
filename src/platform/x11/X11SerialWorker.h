#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace mebo::platform::x11 {

// One named worker thread running jobs in submission order. Plain std::thread and
// std::condition_variable, so ThreadSanitizer sees every hand-over.
class X11SerialWorker {
public:
    // `name` is the thread's name (at most 15 characters are kept).
    explicit X11SerialWorker(QString name);
    // Runs the jobs already queued, then joins the thread.
    ~X11SerialWorker();

    X11SerialWorker(const X11SerialWorker&) = delete;
    X11SerialWorker& operator=(const X11SerialWorker&) = delete;

    void post(std::function<void()> job);

private:
    void run();

    QString name_;
    std::mutex mutex_; // guards jobs_ and stopping_
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_; // last: started once the members above exist
};

} // namespace mebo::platform::x11
