#pragma once

#include "HotkeyBackend.h"

#include <QDBusObjectPath>
#include <QVariantMap>

namespace tasu {

// Global keys through the desktop portal's GlobalShortcuts interface (Wayland desktops that
// offer it): one session, Tasu's modes registered as shortcuts with the chosen keys as preferred
// triggers; the desktop confirms or changes them itself and reports activations.
class PortalShortcuts : public HotkeyBackend {
    Q_OBJECT
public:
    explicit PortalShortcuts(QObject* parent = nullptr);

    // Whether the session bus has a portal with global shortcuts.
    static bool isOffered();

    QMap<QString, QString> bind(const QMap<QString, QKeySequence>& keys) override;
    QString name() const override { return QStringLiteral("portal"); }
    bool choosesKeys() const override { return false; }

private Q_SLOTS:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onBound(uint response, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& shortcutId, qulonglong timestamp,
                     const QVariantMap& options);

private:
    QString requestPath(const QString& token) const;
    void sendBind();

    QString session_;
    QMap<QString, QKeySequence> pending_;
    bool creating_ = false;
};

} // namespace tasu
