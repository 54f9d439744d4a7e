#include "app/AppearanceMode.h"

namespace mebo {

const QList<AppearanceMode>& allAppearanceModes() {
    static const QList<AppearanceMode> all{AppearanceMode::system, AppearanceMode::light,
                                           AppearanceMode::dark};
    return all;
}

QString appearanceModeRawValue(AppearanceMode mode) {
    switch (mode) {
    case AppearanceMode::system:
        return QStringLiteral("system");
    case AppearanceMode::light:
        return QStringLiteral("light");
    case AppearanceMode::dark:
        return QStringLiteral("dark");
    }
    return QStringLiteral("system");
}

std::optional<AppearanceMode> appearanceModeFromRawValue(const QString& raw) {
    for (AppearanceMode m : allAppearanceModes()) {
        if (appearanceModeRawValue(m) == raw) {
            return m;
        }
    }
    return std::nullopt;
}

QString appearanceModeDisplayName(AppearanceMode mode) {
    switch (mode) {
    case AppearanceMode::system:
        return QStringLiteral("Follow system");
    case AppearanceMode::light:
        return QStringLiteral("Light");
    case AppearanceMode::dark:
        return QStringLiteral("Dark");
    }
    return {};
}

} // namespace mebo
