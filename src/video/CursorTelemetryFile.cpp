#include "video/CursorTelemetryFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

// Far beyond any real recording (a day at 30 samples a second is about 100 MB).
constexpr qint64 kMaxFileBytes = qint64(256) << 20;

CursorPoints records(const QJsonValue& value) {
    CursorPoints out;
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    for (const QJsonValue& v : array) {
        const QJsonObject o = v.toObject();
        const QJsonValue t = o.value(QLatin1String("t"));
        const QJsonValue x = o.value(QLatin1String("cx"));
        const QJsonValue y = o.value(QLatin1String("cy"));
        if (!t.isDouble() || !x.isDouble() || !y.isDouble() || !std::isfinite(x.toDouble()) ||
            !std::isfinite(y.toDouble())) {
            continue;
        }
        out.append({int64_t(t.toDouble()), x.toDouble(), y.toDouble()});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const CursorPoint& a, const CursorPoint& b) { return a.timeMs < b.timeMs; });
    return out;
}

} // namespace

std::optional<CursorTelemetryFile> CursorTelemetryFile::read(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    if (file.size() > kMaxFileBytes) {
        *error = QStringLiteral("file too large");
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject()) {
        *error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                              : QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    const QJsonObject root = doc.object();
    if (root.value(QLatin1String("v")).toInt(-1) != 2) {
        *error = QStringLiteral("unknown telemetry version");
        return std::nullopt;
    }
    CursorTelemetryFile out;
    out.points = records(root.value(QLatin1String("points")));
    out.clicks = records(root.value(QLatin1String("clicks")));
    return out;
}

} // namespace mebo
