#include "document/JsonReader.h"

#include "document/CodableColor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

[[noreturn]] void wrongType(const QString& path, const char* what) {
    throw JsonDecodeError(QStringLiteral("key '%1' is not %2").arg(path, QLatin1String(what)));
}

double numberAt(const QJsonValue& value, const QString& path) {
    if (!value.isDouble()) {
        wrongType(path, "a number");
    }
    const double v = value.toDouble();
    if (!std::isfinite(v)) {
        wrongType(path, "a finite number");
    }
    return v;
}

QPointF pointAt(const QJsonValue& value, const QString& path) {
    if (!value.isArray() || value.toArray().size() != 2) {
        wrongType(path, "a point [x, y]");
    }
    const QJsonArray xy = value.toArray();
    return {numberAt(xy.at(0), path + QStringLiteral("[0]")),
            numberAt(xy.at(1), path + QStringLiteral("[1]"))};
}

QRectF rectAt(const QJsonValue& value, const QString& path) {
    if (!value.isArray() || value.toArray().size() != 2) {
        wrongType(path, "a rectangle [[x, y], [width, height]]");
    }
    const QJsonArray parts = value.toArray();
    const QPointF origin = pointAt(parts.at(0), path + QStringLiteral("[0]"));
    const QPointF size = pointAt(parts.at(1), path + QStringLiteral("[1]"));
    return {origin.x(), origin.y(), size.x(), size.y()};
}

QList<QPointF> pointsAt(const QJsonValue& value, const QString& path) {
    if (!value.isArray()) {
        wrongType(path, "a list of points");
    }
    const QJsonArray array = value.toArray();
    QList<QPointF> out;
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        out << pointAt(array.at(i), QStringLiteral("%1[%2]").arg(path).arg(i));
    }
    return out;
}

} // namespace

JsonReader::JsonReader(QJsonObject object, QString path)
    : object_(std::move(object)), path_(std::move(path)) {}

QJsonObject JsonReader::parseObject(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        throw JsonDecodeError(
            QStringLiteral("not valid JSON: %1 at offset %2").arg(error.errorString()).arg(error.offset));
    }
    if (!doc.isObject()) {
        throw JsonDecodeError(QStringLiteral("not a JSON object"));
    }
    return doc.object();
}

QString JsonReader::pathOf(const char* key) const {
    return path_ + QLatin1String(key);
}

bool JsonReader::contains(const char* key) const {
    const auto it = object_.constFind(QLatin1String(key));
    return it != object_.constEnd() && !it->isNull();
}

QJsonValue JsonReader::required(const char* key) const {
    const auto it = object_.constFind(QLatin1String(key));
    if (it == object_.constEnd()) {
        throw JsonDecodeError(QStringLiteral("missing key '%1'").arg(pathOf(key)));
    }
    if (it->isNull()) {
        throw JsonDecodeError(QStringLiteral("key '%1' is null").arg(pathOf(key)));
    }
    return *it;
}

std::optional<QJsonValue> JsonReader::optional(const char* key) const {
    const auto it = object_.constFind(QLatin1String(key));
    if (it == object_.constEnd() || it->isNull()) {
        return std::nullopt;
    }
    return *it;
}

double JsonReader::number(const char* key) const {
    return numberAt(required(key), pathOf(key));
}

std::optional<double> JsonReader::optionalNumber(const char* key) const {
    const auto v = optional(key);
    return v ? std::optional(numberAt(*v, pathOf(key))) : std::nullopt;
}

qint64 JsonReader::integer(const char* key) const {
    const QJsonValue v = required(key);
    if (!v.isDouble()) {
        wrongType(pathOf(key), "an integer");
    }
    const double d = v.toDouble();
    // 2^63 is the first double past the qint64 range.
    if (!std::isfinite(d) || std::trunc(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0) {
        wrongType(pathOf(key), "an integer");
    }
    // Large integers keep their exact value when Qt parsed them as integers.
    return v.toInteger(qint64(d));
}

bool JsonReader::boolean(const char* key) const {
    const QJsonValue v = required(key);
    if (!v.isBool()) {
        wrongType(pathOf(key), "a boolean");
    }
    return v.toBool();
}

std::optional<bool> JsonReader::optionalBoolean(const char* key) const {
    if (!contains(key)) {
        return std::nullopt;
    }
    return boolean(key);
}

QString JsonReader::string(const char* key) const {
    const QJsonValue v = required(key);
    if (!v.isString()) {
        wrongType(pathOf(key), "a string");
    }
    return v.toString();
}

std::optional<QString> JsonReader::optionalString(const char* key) const {
    if (!contains(key)) {
        return std::nullopt;
    }
    return string(key);
}

QPointF JsonReader::point(const char* key) const {
    return pointAt(required(key), pathOf(key));
}

std::optional<QPointF> JsonReader::optionalPoint(const char* key) const {
    const auto v = optional(key);
    return v ? std::optional(pointAt(*v, pathOf(key))) : std::nullopt;
}

QRectF JsonReader::rect(const char* key) const {
    return rectAt(required(key), pathOf(key));
}

QList<QPointF> JsonReader::points(const char* key) const {
    return pointsAt(required(key), pathOf(key));
}

std::optional<QList<QPointF>> JsonReader::optionalPoints(const char* key) const {
    const auto v = optional(key);
    return v ? std::optional(pointsAt(*v, pathOf(key))) : std::nullopt;
}

QColor JsonReader::color(const char* key) const {
    const JsonReader c = object(key);
    // A colour holds components beyond 0..1 as half floats (up to 65504), but its alpha only
    // within 0..1: anything else would make an invalid colour that cannot be written back.
    auto component = [](double v) { return std::clamp(v, -65504.0, 65504.0); };
    return CodableColor{component(c.number("r")), component(c.number("g")), component(c.number("b")),
                        std::clamp(c.number("a"), 0.0, 1.0)}
        .toColor();
}

std::optional<QColor> JsonReader::optionalColor(const char* key) const {
    if (!contains(key)) {
        return std::nullopt;
    }
    return color(key);
}

JsonReader JsonReader::object(const char* key) const {
    const QJsonValue v = required(key);
    if (!v.isObject()) {
        wrongType(pathOf(key), "an object");
    }
    return JsonReader(v.toObject(), pathOf(key) + QLatin1Char('.'));
}

std::optional<JsonReader> JsonReader::optionalObject(const char* key) const {
    if (!contains(key)) {
        return std::nullopt;
    }
    return object(key);
}

LayerBaseAttrs JsonReader::base(const char* key) const {
    const JsonReader b = object(key);
    return LayerBaseAttrs{b.string("shadow"), b.number("opacity")};
}

std::optional<LayerBaseAttrs> JsonReader::optionalBase(const char* key) const {
    if (!contains(key)) {
        return std::nullopt;
    }
    return base(key);
}

QByteArray JsonReader::base64(const char* key, qsizetype maxBytes) const {
    const QJsonValue v = required(key);
    if (!v.isString()) {
        wrongType(pathOf(key), "a Base64 string");
    }
    const QString text = v.toString();
    // Four characters carry three bytes; refuse before decoding anything.
    if (text.size() / 4 > maxBytes / 3 + 1) {
        throw JsonDecodeError(
            QStringLiteral("key '%1' holds more than %2 bytes").arg(pathOf(key)).arg(maxBytes));
    }
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    // toLatin1 maps characters outside Latin-1 to '?', which the strict decoder refuses.
    if (!decoded) {
        wrongType(pathOf(key), "a Base64 string");
    }
    if (decoded.decoded.size() > maxBytes) {
        throw JsonDecodeError(
            QStringLiteral("key '%1' holds more than %2 bytes").arg(pathOf(key)).arg(maxBytes));
    }
    return std::move(decoded.decoded);
}

} // namespace mebo
