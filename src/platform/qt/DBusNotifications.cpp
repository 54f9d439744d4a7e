#include "platform/qt/DBusNotifications.h"

#include "app/AppLogger.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QPointer>
#include <QUrl>
#include <QVariantMap>

namespace mebo::platform {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

DBusNotifications::DBusNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

bool DBusNotifications::isAvailable() {
    if (!bus_.isConnected() || !bus_.interface()) {
        return false;
    }
    // The service may also be started on demand (a .service file) without an owner yet.
    const QDBusReply<bool> owned = bus_.interface()->isServiceRegistered(kService);
    if (owned.isValid() && owned.value()) {
        return true;
    }
    const QDBusReply<QStringList> activatable = bus_.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(kService);
}

bool DBusNotifications::notify(const Notice& notice, ActionHandler onAction) {
    if (!bus_.isConnected()) {
        return false;
    }
    if (!subscribed_) {
        subscribed_ = bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                   SLOT(onActionInvoked(uint, QString)));
        bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                     SLOT(onClosed(uint, uint)));
    }
    QStringList actions;
    for (const Action& a : notice.actions) {
        actions << a.id << a.label;
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("mebo"));
    if (!notice.imagePath.isEmpty()) {
        hints.insert(QStringLiteral("image-path"), QUrl::fromLocalFile(notice.imagePath).toString());
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Mebo") << uint(0) << QStringLiteral("mebo") << notice.title << notice.body
         << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 5000), this);
    QPointer<DBusNotifications> self(this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [self, watcher, onAction = std::move(onAction)](QDBusPendingCallWatcher*) {
                watcher->deleteLater();
                const QDBusPendingReply<uint> reply = *watcher;
                if (!self) {
                    return;
                }
                if (reply.isError()) {
                    logWarning(QStringLiteral("[Notifications] the notification could not be shown: ") +
                               reply.error().message());
                    return;
                }
                const uint id = reply.value();
                if (!onAction) {
                    return;
                }
                if (self->early_.contains(id)) {
                    onAction(self->early_.take(id));
                    return;
                }
                self->handlers_.insert(id, onAction);
            });
    return true;
}

void DBusNotifications::onActionInvoked(uint id, const QString& actionKey) {
    if (ActionHandler handler = handlers_.take(id)) {
        handler(actionKey);
    } else {
        early_.insert(id, actionKey);
        if (early_.size() > 32) {
            early_.clear(); // other applications' notices: never ours
        }
    }
}

void DBusNotifications::onClosed(uint id, uint) {
    handlers_.remove(id);
}

} // namespace mebo::platform
