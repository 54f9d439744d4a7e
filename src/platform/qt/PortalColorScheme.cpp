#include "platform/qt/PortalColorScheme.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace mebo::platform {

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// Read answers the value wrapped in a variant (some portal versions wrap it twice).
QVariant unwrap(QVariant v) {
    for (int depth = 0; depth < 4 && v.metaType() == QMetaType::fromType<QDBusVariant>(); ++depth) {
        v = v.value<QDBusVariant>().variant();
    }
    return v;
}

} // namespace

PortalColorScheme::PortalColorScheme(QDBusConnection bus, QString service, int timeoutMs, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), service_(std::move(service)), timeoutMs_(timeoutMs) {}

std::optional<bool> PortalColorScheme::fromSchemeValue(const QVariant& value) {
    const QVariant v = unwrap(value);
    switch (v.typeId()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::UChar:
    case QMetaType::ULongLong:
    case QMetaType::LongLong:
        return v.toLongLong() == 1;
    default:
        return std::nullopt; // not the number the setting is
    }
}

std::optional<bool> PortalColorScheme::prefersDark() {
    if (!bus_.isConnected()) {
        return std::nullopt;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service_, kPath, kInterface, QStringLiteral("Read"));
    call << kGroup << kKey;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    return fromSchemeValue(reply.arguments().constFirst());
}

void PortalColorScheme::setChangeHandler(std::function<void(std::optional<bool>)> handler) {
    handler_ = std::move(handler);
    if (!subscribed_ && bus_.isConnected()) {
        // The slot is matched by its signature's type names; the variant's name is known to the
        // meta-type system only once the type has been used.
        qRegisterMetaType<QDBusVariant>("QDBusVariant");
        subscribed_ = bus_.connect(service_, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                                   SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    }
}

void PortalColorScheme::onSettingChanged(const QString& group, const QString& key,
                                         const QDBusVariant& value) {
    if (group != kGroup || key != kKey || !handler_) {
        return;
    }
    handler_(fromSchemeValue(value.variant()));
}

} // namespace mebo::platform
