#include "document/JsonWriter.h"

#include "document/CodableColor.h"
#include "document/DrawingLayer.h"
#include "document/ShadowStyle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

namespace mebo {

JsonWriter::JsonWriter(QString path) : path_(std::move(path)) {}

QString JsonWriter::pathOf(const char* key) const {
    return path_ + QLatin1String(key);
}

double JsonWriter::finite(const QString& path, double value) const {
    if (!std::isfinite(value)) {
        throw JsonEncodeError(QStringLiteral("key '%1' is not a finite number").arg(path));
    }
    return value;
}

void JsonWriter::number(const char* key, double value) {
    object_.insert(QLatin1String(key), finite(pathOf(key), value));
}

void JsonWriter::optionalNumber(const char* key, const std::optional<double>& value) {
    if (value) {
        number(key, *value);
    }
}

void JsonWriter::integer(const char* key, qint64 value) {
    object_.insert(QLatin1String(key), value);
}

void JsonWriter::boolean(const char* key, bool value) {
    object_.insert(QLatin1String(key), value);
}

void JsonWriter::string(const char* key, const QString& value) {
    object_.insert(QLatin1String(key), value);
}

void JsonWriter::point(const char* key, const QPointF& value) {
    const QString path = pathOf(key);
    object_.insert(QLatin1String(key), QJsonArray{finite(path, value.x()), finite(path, value.y())});
}

void JsonWriter::optionalPoint(const char* key, const std::optional<QPointF>& value) {
    if (value) {
        point(key, *value);
    }
}

void JsonWriter::rect(const char* key, const QRectF& value) {
    const QString path = pathOf(key);
    object_.insert(QLatin1String(key),
                   QJsonArray{QJsonArray{finite(path, value.x()), finite(path, value.y())},
                              QJsonArray{finite(path, value.width()), finite(path, value.height())}});
}

void JsonWriter::points(const char* key, const QList<QPointF>& value) {
    const QString path = pathOf(key);
    QJsonArray array;
    for (const QPointF& p : value) {
        array.append(QJsonArray{finite(path, p.x()), finite(path, p.y())});
    }
    object_.insert(QLatin1String(key), array);
}

void JsonWriter::color(const char* key, const QColor& value) {
    const CodableColor c = CodableColor::fromColor(value);
    JsonWriter w = nested(key);
    w.number("r", c.r);
    w.number("g", c.g);
    w.number("b", c.b);
    w.number("a", c.a);
    object_.insert(QLatin1String(key), w.json());
}

void JsonWriter::optionalColor(const char* key, const std::optional<QColor>& value) {
    if (value) {
        color(key, *value);
    }
}

void JsonWriter::object(const char* key, const QJsonObject& value) {
    object_.insert(QLatin1String(key), value);
}

void JsonWriter::array(const char* key, const QJsonArray& value) {
    object_.insert(QLatin1String(key), value);
}

void JsonWriter::base(const DrawingLayer& layer, const char* key) {
    JsonWriter w = nested(key);
    w.string("shadow", shadowStyleRawValue(layer.shadow));
    w.number("opacity", layer.opacity);
    object_.insert(QLatin1String(key), w.json());
}

void JsonWriter::base64(const char* key, const QByteArray& bytes) {
    object_.insert(QLatin1String(key), QString::fromLatin1(bytes.toBase64()));
}

JsonWriter JsonWriter::nested(const char* key) const {
    return JsonWriter(pathOf(key) + QLatin1Char('.'));
}

QByteArray JsonWriter::toJson() const {
    return QJsonDocument(object_).toJson(QJsonDocument::Compact);
}

} // namespace mebo
