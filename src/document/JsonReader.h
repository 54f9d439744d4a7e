#pragma once

#include "document/JsonDecodeError.h"
#include "document/LayerBaseAttrs.h"
#include "document/LayerEnums.h"

#include <QByteArray>
#include <QColor>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>

namespace mebo {

// Strict reading of one JSON object. A required key that is missing or null, or any value of the
// wrong type, throws JsonDecodeError naming the key path; optional keys that are missing or null
// read as nothing. Numbers must be finite (Qt's parser refuses 1e999, but objects built in code can
// hold infinities).
class JsonReader {
public:
    explicit JsonReader(QJsonObject object, QString path = {});

    // Parses `json` as one object ("payload is not valid JSON: ..." otherwise).
    static QJsonObject parseObject(const QByteArray& json);

    // Present and not null.
    bool contains(const char* key) const;

    double number(const char* key) const;
    std::optional<double> optionalNumber(const char* key) const;
    // A whole number (2 or 2.0, not 2.5).
    qint64 integer(const char* key) const;
    bool boolean(const char* key) const;
    std::optional<bool> optionalBoolean(const char* key) const;
    QString string(const char* key) const;
    std::optional<QString> optionalString(const char* key) const;
    // [x, y]
    QPointF point(const char* key) const;
    std::optional<QPointF> optionalPoint(const char* key) const;
    // [[x, y], [width, height]]
    QRectF rect(const char* key) const;
    // [[x, y], ...]
    QList<QPointF> points(const char* key) const;
    std::optional<QList<QPointF>> optionalPoints(const char* key) const;
    // {"r", "g", "b", "a"}
    QColor color(const char* key) const;
    std::optional<QColor> optionalColor(const char* key) const;
    JsonReader object(const char* key) const;
    std::optional<JsonReader> optionalObject(const char* key) const;
    // {"opacity", "shadow"}, both required.
    LayerBaseAttrs base(const char* key = "base") const;
    std::optional<LayerBaseAttrs> optionalBase(const char* key = "base") const;
    // A standard Base64 string whose decoded size is at most maxBytes; the length is checked
    // before anything is decoded.
    QByteArray base64(const char* key, qsizetype maxBytes) const;

    // Required string; an unknown raw value gives `fallback`.
    template <typename E> E enumeration(const char* key, E fallback) const {
        return fromRawValue<E>(string(key)).value_or(fallback);
    }
    // Optional string; missing or unknown gives nothing.
    template <typename E> std::optional<E> optionalEnum(const char* key) const {
        const auto raw = optionalString(key);
        return raw ? fromRawValue<E>(*raw) : std::nullopt;
    }
    // Optional string; missing or unknown gives `fallback`.
    template <typename E> E enumOr(const char* key, E fallback) const {
        return optionalEnum<E>(key).value_or(fallback);
    }
    // Optional string; missing gives `fallback`, an unknown value is an error.
    template <typename E> E strictEnumOr(const char* key, E fallback) const {
        const auto raw = optionalString(key);
        if (!raw) {
            return fallback;
        }
        if (const auto value = fromRawValue<E>(*raw)) {
            return *value;
        }
        throw JsonDecodeError(QStringLiteral("key '%1' has an unknown value '%2'").arg(pathOf(key), *raw));
    }

    QString pathOf(const char* key) const;
    const QJsonObject& json() const { return object_; }

private:
    QJsonValue required(const char* key) const;
    std::optional<QJsonValue> optional(const char* key) const;

    QJsonObject object_;
    QString path_; // prefix of every key path ("", "base.", "layers[2].")
};

} // namespace mebo
