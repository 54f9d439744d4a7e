#include "services/RelaunchWindows.h"

#include "services/UpdateGuard.h"

#include <QStringList>

namespace mebo {

QString RelaunchWindows::encode() const {
    QStringList parts;
    if (mainWindow) {
        parts << QStringLiteral("main");
    }
    if (settingsTab) {
        parts << QStringLiteral("settings:%1").arg(*settingsTab);
    }
    return parts.join(QLatin1Char(','));
}

RelaunchWindows RelaunchWindows::decode(const QString& text) {
    RelaunchWindows w;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("main")) {
            w.mainWindow = true;
        } else if (part.startsWith(QLatin1String("settings:"))) {
            bool ok = false;
            const int tab = part.mid(9).toInt(&ok);
            if (ok && tab >= 0) {
                w.settingsTab = tab;
            }
        }
    }
    return w;
}

std::optional<RelaunchWindows> RelaunchWindows::takeFromEnvironment() {
    if (!qEnvironmentVariableIsSet(UpdateGuard::windowsVariable)) {
        return std::nullopt;
    }
    const QString text = qEnvironmentVariable(UpdateGuard::windowsVariable);
    qunsetenv(UpdateGuard::windowsVariable);
    return decode(text);
}

} // namespace mebo
