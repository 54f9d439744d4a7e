#include "PortalShortcuts.h"

#include "HotkeyBindings.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QUuid>

namespace tasu {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

QString token() {
    return QStringLiteral("tasu_") + QUuid::createUuid().toString(QUuid::Id128);
}

// The portal names keys like "CTRL+ALT+a".
QString trigger(const QKeySequence& key) {
    return key.toString(QKeySequence::PortableText)
        .replace(QStringLiteral("Ctrl"), QStringLiteral("CTRL"))
        .replace(QStringLiteral("Alt"), QStringLiteral("ALT"))
        .replace(QStringLiteral("Shift"), QStringLiteral("SHIFT"))
        .replace(QStringLiteral("Meta"), QStringLiteral("LOGO"));
}

} // namespace

// One entry of BindShortcuts' a(sa{sv}).
struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& arg, const Shortcut& s) {
    arg.beginStructure();
    arg << s.id << s.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, Shortcut& s) {
    arg.beginStructure();
    arg >> s.id >> s.properties;
    arg.endStructure();
    return arg;
}

} // namespace tasu

Q_DECLARE_METATYPE(tasu::Shortcut)

namespace tasu {

PortalShortcuts::PortalShortcuts(QObject* parent) : HotkeyBackend(parent) {
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    QDBusConnection::sessionBus().connect(
        kService, kPath, kInterface, QStringLiteral("Activated"), this,
        SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

bool PortalShortcuts::isOffered() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString PortalShortcuts::requestPath(const QString& handleToken) const {
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, handleToken);
}

QMap<QString, QString> PortalShortcuts::bind(const QMap<QString, QKeySequence>& keys) {
    pending_ = keys;
    if (!session_.isEmpty()) {
        sendBind();
        return {};
    }
    if (creating_) {
        return {};
    }
    creating_ = true;
    const QString handle = token();
    QDBusConnection::sessionBus().connect(kService, requestPath(handle), kRequest, QStringLiteral("Response"),
                                          this, SLOT(onSessionCreated(uint, QVariantMap)));
    QDBusMessage create =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), handle},
                          {QStringLiteral("session_handle_token"), token()}};
    QDBusConnection::sessionBus().asyncCall(create);
    return {};
}

void PortalShortcuts::onSessionCreated(uint response, const QVariantMap& results) {
    creating_ = false;
    if (response != 0) {
        qWarning("[Tasu] the portal refused a global shortcuts session (%u)", response);
        return;
    }
    session_ = results.value(QStringLiteral("session_handle")).toString();
    sendBind();
}

void PortalShortcuts::sendBind() {
    QList<Shortcut> shortcuts;
    for (const HotkeyBindings::Mode& m : HotkeyBindings::modes()) {
        QVariantMap properties{{QStringLiteral("description"), m.title}};
        const QKeySequence key = pending_.value(m.id);
        if (!key.isEmpty()) {
            properties.insert(QStringLiteral("preferred_trigger"), trigger(key));
        }
        shortcuts << Shortcut{m.id, properties};
    }
    const QString handle = token();
    QDBusConnection::sessionBus().connect(kService, requestPath(handle), kRequest, QStringLiteral("Response"),
                                          this, SLOT(onBound(uint, QVariantMap)));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), handle}};
    QDBusConnection::sessionBus().asyncCall(call);
}

void PortalShortcuts::onBound(uint response, const QVariantMap&) {
    if (response != 0) {
        qWarning("[Tasu] the portal did not bind the shortcuts (%u)", response);
    }
}

void PortalShortcuts::onActivated(const QDBusObjectPath& session, const QString& shortcutId, qulonglong,
                                  const QVariantMap&) {
    if (session.path() == session_) {
        Q_EMIT activated(shortcutId);
    }
}

} // namespace tasu
