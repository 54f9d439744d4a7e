#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace mebo {

// Calls `onSignal` on the main thread when the process receives `signo`, through a self-pipe
// (the handler only writes a byte). One notifier per signal at a time; the default disposition
// comes back when it is destroyed.
class SignalNotifier : public QObject {
    Q_OBJECT
public:
    SignalNotifier(int signo, std::function<void()> onSignal, QObject* parent = nullptr);
    ~SignalNotifier() override;

private:
    int signo_;
    int fds_[2] = {-1, -1};
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace mebo
