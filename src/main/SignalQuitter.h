#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace mebo {

// Turns SIGTERM (the session ending, a service manager stopping us) and SIGINT into a call on
// the main thread, through a self-pipe: nothing but write() runs in the handler.
class SignalQuitter : public QObject {
    Q_OBJECT
public:
    explicit SignalQuitter(std::function<void()> onSignal, QObject* parent = nullptr);
    ~SignalQuitter() override;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace mebo
