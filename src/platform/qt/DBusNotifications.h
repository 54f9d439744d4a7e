#pragma once

#include "platform/Notifications.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

namespace mebo::platform {

// org.freedesktop.Notifications on the session bus: Notify with the actions as key/label pairs,
// ActionInvoked and NotificationClosed followed to run or forget a notice's handler. The call is
// asynchronous; an action that arrives before Notify's reply is matched once the id is known.
class DBusNotifications : public QObject, public Notifications {
    Q_OBJECT
public:
    explicit DBusNotifications(QDBusConnection bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);

    bool isAvailable() override;
    bool notify(const Notice& notice, ActionHandler onAction) override;

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& actionKey);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    bool subscribed_ = false;
    QHash<uint, ActionHandler> handlers_;
    QHash<uint, QString> early_; // actions that came before their Notify reply
};

} // namespace mebo::platform
