#include "main/SignalNotifier.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace mebo {

namespace {
// The write end per signal number, read by the handler (async-signal-safe).
std::atomic<int> g_writeEnds[NSIG];

void onSignal(int signo) {
    const int fd = g_writeEnds[signo].load();
    if (fd >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &c, 1);
    }
}
} // namespace

SignalNotifier::SignalNotifier(int signo, std::function<void()> callback, QObject* parent)
    : QObject(parent), signo_(signo), onSignal_(std::move(callback)) {
    if (signo <= 0 || signo >= NSIG || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) {
        return;
    }
    g_writeEnds[signo].store(fds_[0]);
    notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(fds_[1], &c, 1);
        if (onSignal_) {
            onSignal_();
        }
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(signo, &sa, nullptr);
}

SignalNotifier::~SignalNotifier() {
    if (fds_[0] < 0) {
        return;
    }
    ::signal(signo_, SIG_DFL);
    g_writeEnds[signo_].store(-1);
    delete notifier_;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

} // namespace mebo
