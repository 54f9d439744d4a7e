#include "app/BundleInfo.h"

#include <QByteArray>

namespace mebo {

// Defined in the generated BundleInfoValues.cpp: null-terminated pairs of key and value.
extern const char* const kBundleInfoValues[][2];

std::optional<QString> BundleInfo::builtIn(const QString& key) {
    for (std::size_t i = 0; kBundleInfoValues[i][0] != nullptr; ++i) {
        if (key == QLatin1String(kBundleInfoValues[i][0])) {
            return QString::fromUtf8(kBundleInfoValues[i][1]);
        }
    }
    return std::nullopt;
}

std::optional<QString> BundleInfo::value(const QString& key) {
    const QByteArray name = "MEBO_INFO_" + key.toLatin1();
    if (qEnvironmentVariableIsSet(name.constData())) {
        return qEnvironmentVariable(name.constData());
    }
    return builtIn(key);
}

} // namespace mebo
