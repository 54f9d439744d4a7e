#pragma once

#include "document/JsonEncodeError.h"
#include "document/LayerEnums.h"

#include <QByteArray>
#include <QColor>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>

namespace mebo {

class DrawingLayer;

// Builds one JSON object in the payload conventions (points as [x, y], rectangles as
// [[x, y], [w, h]], colours as {"r", "g", "b", "a"}). A number JSON cannot hold (NaN, infinity)
// throws JsonEncodeError naming its key: it must never reach a file as null. Optional setters
// write nothing for an unset value.
class JsonWriter {
public:
    explicit JsonWriter(QString path = {});

    void number(const char* key, double value);
    void optionalNumber(const char* key, const std::optional<double>& value);
    void integer(const char* key, qint64 value);
    void boolean(const char* key, bool value);
    void string(const char* key, const QString& value);
    void point(const char* key, const QPointF& value);
    void optionalPoint(const char* key, const std::optional<QPointF>& value);
    void rect(const char* key, const QRectF& value);
    void points(const char* key, const QList<QPointF>& value);
    void color(const char* key, const QColor& value);
    void optionalColor(const char* key, const std::optional<QColor>& value);
    void object(const char* key, const QJsonObject& value);
    void array(const char* key, const QJsonArray& value);
    // {"opacity", "shadow"} of a layer.
    void base(const DrawingLayer& layer, const char* key = "base");
    void base64(const char* key, const QByteArray& bytes);

    template <typename E> void enumeration(const char* key, E value) { string(key, rawValue(value)); }
    template <typename E> void optionalEnum(const char* key, const std::optional<E>& value) {
        if (value) {
            enumeration(key, *value);
        }
    }

    // A writer for a nested object under `key` (its paths start with "key.").
    JsonWriter nested(const char* key) const;
    const QJsonObject& json() const { return object_; }
    // Compact; Qt keeps object keys sorted, so equal objects give equal bytes.
    QByteArray toJson() const;

private:
    QString pathOf(const char* key) const;
    double finite(const QString& path, double value) const;

    QJsonObject object_;
    QString path_;
};

} // namespace mebo
