#include "library/HistoryEntry.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace mebo {

namespace {

// Internet date-time: a full date, a time with optional fraction, and a zone (Z or an offset).
// Qt alone would also accept a bare date or a local time, which the index never holds.
const QRegularExpression& isoDateTimePattern() {
    static const QRegularExpression re(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(\.\d+)?(Z|[+-]\d{2}:?\d{2})$)"));
    return re;
}

// Strict reader over one JSON object: the first problem is kept with its key path.
class Reader {
public:
    explicit Reader(const QJsonObject& obj) : obj_(obj) {}

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }

    QString string(const QString& key) {
        const QJsonValue v = required(key);
        if (!ok()) {
            return {};
        }
        if (!v.isString()) {
            fail(key, QStringLiteral("expected a string"));
            return {};
        }
        return v.toString();
    }

    int integer(const QString& key) {
        const QJsonValue v = required(key);
        if (!ok()) {
            return 0;
        }
        const std::optional<int> i = asInt(v);
        if (!i) {
            fail(key, QStringLiteral("expected an integer"));
            return 0;
        }
        return *i;
    }

    QStringList stringArray(const QString& key) {
        const QJsonValue v = required(key);
        if (!ok()) {
            return {};
        }
        if (!v.isArray()) {
            fail(key, QStringLiteral("expected an array"));
            return {};
        }
        QStringList out;
        const QJsonArray arr = v.toArray();
        for (qsizetype i = 0; i < arr.size(); ++i) {
            if (!arr.at(i).isString()) {
                fail(QStringLiteral("%1[%2]").arg(key).arg(i), QStringLiteral("expected a string"));
                return {};
            }
            out << arr.at(i).toString();
        }
        return out;
    }

    QDateTime dateTime(const QString& key) {
        const QString text = string(key);
        if (!ok()) {
            return {};
        }
        QDateTime dt;
        if (isoDateTimePattern().match(text).hasMatch()) {
            dt = QDateTime::fromString(text, Qt::ISODateWithMs);
        }
        if (!dt.isValid()) {
            fail(key, QStringLiteral("expected an ISO 8601 date-time"));
            return {};
        }
        return dt;
    }

    // Optional keys: absent or null means none.
    std::optional<QString> optString(const QString& key) {
        const QJsonValue v = obj_.value(key);
        if (!ok() || v.isUndefined() || v.isNull()) {
            return std::nullopt;
        }
        if (!v.isString()) {
            fail(key, QStringLiteral("expected a string"));
            return std::nullopt;
        }
        return v.toString();
    }

    std::optional<double> optDouble(const QString& key) {
        const QJsonValue v = obj_.value(key);
        if (!ok() || v.isUndefined() || v.isNull()) {
            return std::nullopt;
        }
        if (!v.isDouble()) {
            fail(key, QStringLiteral("expected a number"));
            return std::nullopt;
        }
        return v.toDouble();
    }

    // A whole factor of 1 or more: anything else is not a display scale.
    std::optional<int> optScale(const QString& key) {
        const QJsonValue v = obj_.value(key);
        if (!ok() || v.isUndefined() || v.isNull()) {
            return std::nullopt;
        }
        const std::optional<int> i = asInt(v);
        if (!i || *i < 1) {
            fail(key, QStringLiteral("expected a whole scale of 1 or more"));
            return std::nullopt;
        }
        return i;
    }

    std::optional<bool> optBool(const QString& key) {
        const QJsonValue v = obj_.value(key);
        if (!ok() || v.isUndefined() || v.isNull()) {
            return std::nullopt;
        }
        if (!v.isBool()) {
            fail(key, QStringLiteral("expected a boolean"));
            return std::nullopt;
        }
        return v.toBool();
    }

private:
    QJsonValue required(const QString& key) {
        if (!ok()) {
            return {};
        }
        const QJsonValue v = obj_.value(key);
        if (v.isUndefined() || v.isNull()) {
            fail(key, QStringLiteral("missing"));
        }
        return v;
    }

    static std::optional<int> asInt(const QJsonValue& v) {
        if (!v.isDouble()) {
            return std::nullopt;
        }
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::floor(d) != d || d < double(std::numeric_limits<int>::min()) ||
            d > double(std::numeric_limits<int>::max())) {
            return std::nullopt;
        }
        return int(d);
    }

    void fail(const QString& path, const QString& what) {
        if (ok()) {
            error_ = path + QStringLiteral(": ") + what;
        }
    }

    const QJsonObject& obj_;
    QString error_;
};

} // namespace

QJsonObject HistoryEntry::toJson() const {
    QJsonObject o;
    o.insert(QStringLiteral("id"), id);
    o.insert(QStringLiteral("filename"), filename);
    o.insert(QStringLiteral("thumbnailName"), thumbnailName);
    o.insert(QStringLiteral("mode"), mode);
    // Whole seconds in UTC ("2025-03-14T09:30:05Z").
    o.insert(QStringLiteral("createdAt"), createdAt.toUTC().toString(Qt::ISODate));
    o.insert(QStringLiteral("widthPx"), widthPx);
    o.insert(QStringLiteral("heightPx"), heightPx);
    o.insert(QStringLiteral("tags"), QJsonArray::fromStringList(tags));
    o.insert(QStringLiteral("mediaType"), mediaType);
    if (durationSec) {
        o.insert(QStringLiteral("durationSec"), *durationSec);
    }
    o.insert(QStringLiteral("hasMeboSidecar"), hasMeboSidecar);
    if (saveTargetPath) {
        o.insert(QStringLiteral("saveTargetPath"), *saveTargetPath);
    }
    if (webcamFileName) {
        o.insert(QStringLiteral("webcamFileName"), *webcamFileName);
    }
    if (displayScale) {
        o.insert(QStringLiteral("displayScale"), *displayScale);
    }
    return o;
}

std::optional<HistoryEntry> HistoryEntry::fromJson(const QJsonObject& obj, QString* error) {
    Reader r(obj);
    HistoryEntry e;
    e.id = r.string(QStringLiteral("id"));
    e.filename = r.string(QStringLiteral("filename"));
    e.thumbnailName = r.string(QStringLiteral("thumbnailName"));
    e.mode = r.string(QStringLiteral("mode"));
    e.createdAt = r.dateTime(QStringLiteral("createdAt"));
    e.widthPx = r.integer(QStringLiteral("widthPx"));
    e.heightPx = r.integer(QStringLiteral("heightPx"));
    e.tags = r.stringArray(QStringLiteral("tags"));
    e.mediaType = r.optString(QStringLiteral("mediaType")).value_or(QStringLiteral("image"));
    e.durationSec = r.optDouble(QStringLiteral("durationSec"));
    e.hasMeboSidecar = r.optBool(QStringLiteral("hasMeboSidecar")).value_or(false);
    e.saveTargetPath = r.optString(QStringLiteral("saveTargetPath"));
    e.webcamFileName = r.optString(QStringLiteral("webcamFileName"));
    e.displayScale = r.optScale(QStringLiteral("displayScale"));
    if (!r.ok()) {
        if (error) {
            *error = r.error();
        }
        return std::nullopt;
    }
    return e;
}

} // namespace mebo
