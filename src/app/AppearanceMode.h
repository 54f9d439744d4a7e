#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace mebo {

enum class AppearanceMode { system, light, dark };

const QList<AppearanceMode>& allAppearanceModes();
QString appearanceModeRawValue(AppearanceMode mode);
std::optional<AppearanceMode> appearanceModeFromRawValue(const QString& raw);
QString appearanceModeDisplayName(AppearanceMode mode);

} // namespace mebo
