#pragma once

#include "platform/ColorScheme.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusVariant;

namespace mebo::platform {

// The freedesktop appearance setting "color-scheme" (0 no preference, 1 prefer dark, 2 prefer
// light) read from the desktop portal's Settings interface on the session bus, and followed
// through its SettingChanged signal. Main thread.
class PortalColorScheme : public QObject, public ColorScheme {
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMs = 300;

    // `service` is the portal's bus name (tests serve their own).
    explicit PortalColorScheme(QDBusConnection bus = QDBusConnection::sessionBus(),
                               QString service = QStringLiteral("org.freedesktop.portal.Desktop"),
                               int timeoutMs = defaultTimeoutMs, QObject* parent = nullptr);

    // One blocking call of at most the timeout; nothing when the bus, the portal or the key is
    // missing or the answer is not a number.
    std::optional<bool> prefersDark() override;
    void setChangeHandler(std::function<void(std::optional<bool>)> handler) override;

    // The preference a color-scheme value stands for.
    static std::optional<bool> fromSchemeValue(const QVariant& value);

private Q_SLOTS:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QDBusConnection bus_;
    QString service_;
    int timeoutMs_;
    bool subscribed_ = false;
    std::function<void(std::optional<bool>)> handler_;
};

} // namespace mebo::platform
