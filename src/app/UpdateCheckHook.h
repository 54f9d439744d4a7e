#pragma once

#include <QObject>

namespace mebo {

// Where the menus meet the update manager: they ask for a check and show "Checking..." while
// one runs. The update manager answers checkRequested and reports its state. Main thread.
class UpdateCheckHook : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool isChecking() const { return checking_; }
    void setChecking(bool checking) {
        if (checking_ != checking) {
            checking_ = checking;
            Q_EMIT checkingChanged(checking);
        }
    }
    void requestCheck() { Q_EMIT checkRequested(); }

Q_SIGNALS:
    void checkingChanged(bool checking);
    void checkRequested();

private:
    bool checking_ = false;
};

} // namespace mebo
