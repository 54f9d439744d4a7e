#pragma once

#include <QString>
#include <sys/types.h>

namespace mebo::test::x11 {

// A second, empty Xvfb for layouts the shared test desktop does not have (4K, depth 16).
// Stopped by its process id when destroyed.
class PrivateXvfb {
public:
    // `screen` as Xvfb takes it, e.g. "3840x2160x24".
    explicit PrivateXvfb(const QString& screen);
    ~PrivateXvfb();
    PrivateXvfb(const PrivateXvfb&) = delete;
    PrivateXvfb& operator=(const PrivateXvfb&) = delete;

    bool isRunning() const { return ready_; }
    QString display() const { return display_; }
    QString error() const { return error_; }

private:
    pid_t pid_ = -1;
    QString display_;
    QString error_;
    bool ready_ = false;
};

} // namespace mebo::test::x11
