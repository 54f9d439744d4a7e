#include "video/VideoRecordJson.h"

#include "document/JsonDecodeError.h"
#include "document/JsonEncodeError.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"

#include <QJsonArray>
#include <cmath>

namespace mebo {

namespace {

template <typename E> E requiredEnum(const JsonReader& in, const char* key) {
    const QString raw = in.string(key);
    if (const auto value = fromRawValue<E>(raw)) {
        return *value;
    }
    throw JsonDecodeError(QStringLiteral("key '%1' has an unknown value '%2'").arg(in.pathOf(key), raw));
}

template <typename E> std::optional<E> optionalStrictEnum(const JsonReader& in, const char* key) {
    return in.contains(key) ? std::optional(requiredEnum<E>(in, key)) : std::nullopt;
}

void writeOptionalString(JsonWriter& out, const char* key, const std::optional<QString>& value) {
    if (value) {
        out.string(key, *value);
    }
}

JsonWriter idAndSpan(const QUuid& id, double start, double end, const QString& path) {
    JsonWriter out(path);
    out.string("id", VideoRecordJson::uuidText(id));
    out.number("startSec", start);
    out.number("endSec", end);
    return out;
}

} // namespace

QString VideoRecordJson::uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QUuid VideoRecordJson::uuid(const JsonReader& in, const char* key) {
    const QString text = in.string(key);
    // The canonical 36-character form; braces or other spellings are not ours.
    const QUuid id = text.size() == 36 ? QUuid::fromString(text) : QUuid();
    if (id.isNull() && text != QLatin1String("00000000-0000-0000-0000-000000000000")) {
        throw JsonDecodeError(QStringLiteral("key '%1' is not a UUID").arg(in.pathOf(key)));
    }
    return id;
}

ColorRGBA VideoRecordJson::color(const JsonReader& in, const char* key) {
    const QJsonValue value = in.json().value(QLatin1String(key));
    if (!in.contains(key)) {
        throw JsonDecodeError(QStringLiteral("missing key '%1'").arg(in.pathOf(key)));
    }
    if (!value.isArray()) {
        throw JsonDecodeError(QStringLiteral("key '%1' is not a list of numbers").arg(in.pathOf(key)));
    }
    ColorRGBA out;
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue v = array.at(i);
        if (!v.isDouble() || !std::isfinite(v.toDouble())) {
            throw JsonDecodeError(QStringLiteral("key '%1[%2]' is not a number").arg(in.pathOf(key)).arg(i));
        }
        out.append(v.toDouble());
    }
    return out;
}

std::optional<ColorRGBA> VideoRecordJson::optionalColor(const JsonReader& in, const char* key) {
    return in.contains(key) ? std::optional(color(in, key)) : std::nullopt;
}

void VideoRecordJson::writeColor(JsonWriter& out, const char* key, const ColorRGBA& color) {
    QJsonArray array;
    for (double c : color) {
        if (!std::isfinite(c)) {
            throw JsonEncodeError(QStringLiteral("key '%1' is not a finite number").arg(QLatin1String(key)));
        }
        array.append(c);
    }
    out.array(key, array);
}

TrimRegion VideoRecordJson::trim(const JsonReader& in) {
    return {uuid(in, "id"), in.number("startSec"), in.number("endSec")};
}

SpeedRegion VideoRecordJson::speed(const JsonReader& in) {
    return {uuid(in, "id"), in.number("startSec"), in.number("endSec"), in.number("speed")};
}

TrackDisabledRegion VideoRecordJson::trackRegion(const JsonReader& in) {
    return {uuid(in, "id"), in.number("startSec"), in.number("endSec")};
}

RecordingSegment VideoRecordJson::segment(const JsonReader& in) {
    return {uuid(in, "id"), in.number("startSec"), in.number("endSec"), in.boolean("isEnabled"),
            in.optionalString("title")};
}

ChapterSegment VideoRecordJson::chapter(const JsonReader& in) {
    return {uuid(in, "id"), in.number("startSec"), in.number("endSec"), in.optionalString("title"),
            optionalColor(in, "colorRGBA")};
}

AnnotationRegion VideoRecordJson::annotation(const JsonReader& in) {
    AnnotationRegion r;
    r.id = uuid(in, "id");
    r.startSec = in.number("startSec");
    r.endSec = in.number("endSec");
    r.kind = requiredEnum<AnnotationKind>(in, "kind");
    r.rect = in.rect("rect");
    r.text = in.optionalString("text");
    r.imageFileName = in.optionalString("imageFileName");
    r.colorRGBA = color(in, "colorRGBA");
    r.fontSize = in.number("fontSize");
    r.lineStyleRaw = in.optionalString("lineStyleRaw");
    r.arrowHeadStyleRaw = in.optionalString("arrowHeadStyleRaw");
    r.lineDirectionRaw = in.optionalString("lineDirectionRaw");
    return r;
}

WebcamLayout VideoRecordJson::webcamLayout(const JsonReader& in) {
    WebcamLayout l;
    l.visible = in.boolean("visible");
    l.anchor = requiredEnum<WebcamAnchor>(in, "anchor");
    l.scale = in.number("scale");
    l.maskShape = requiredEnum<WebcamMaskShape>(in, "maskShape");
    l.layoutPreset = optionalStrictEnum<WebcamLayoutPreset>(in, "layoutPreset");
    l.sizePreset = optionalStrictEnum<WebcamSizePreset>(in, "sizePreset");
    l.x = in.optionalNumber("x");
    l.y = in.optionalNumber("y");
    return l;
}

QJsonObject VideoRecordJson::write(const TrimRegion& r, const QString& path) {
    return idAndSpan(r.id, r.startSec, r.endSec, path).json();
}

QJsonObject VideoRecordJson::write(const SpeedRegion& r, const QString& path) {
    JsonWriter out = idAndSpan(r.id, r.startSec, r.endSec, path);
    out.number("speed", r.speed);
    return out.json();
}

QJsonObject VideoRecordJson::write(const TrackDisabledRegion& r, const QString& path) {
    return idAndSpan(r.id, r.startSec, r.endSec, path).json();
}

QJsonObject VideoRecordJson::write(const RecordingSegment& r, const QString& path) {
    JsonWriter out = idAndSpan(r.id, r.startSec, r.endSec, path);
    out.boolean("isEnabled", r.isEnabled);
    writeOptionalString(out, "title", r.title);
    return out.json();
}

QJsonObject VideoRecordJson::write(const ChapterSegment& r, const QString& path) {
    JsonWriter out = idAndSpan(r.id, r.startSec, r.endSec, path);
    writeOptionalString(out, "title", r.title);
    if (r.colorRGBA) {
        writeColor(out, "colorRGBA", *r.colorRGBA);
    }
    return out.json();
}

QJsonObject VideoRecordJson::write(const AnnotationRegion& r, const QString& path) {
    JsonWriter out = idAndSpan(r.id, r.startSec, r.endSec, path);
    out.enumeration("kind", r.kind);
    out.rect("rect", r.rect);
    writeOptionalString(out, "text", r.text);
    writeOptionalString(out, "imageFileName", r.imageFileName);
    writeColor(out, "colorRGBA", r.colorRGBA);
    out.number("fontSize", r.fontSize);
    writeOptionalString(out, "lineStyleRaw", r.lineStyleRaw);
    writeOptionalString(out, "arrowHeadStyleRaw", r.arrowHeadStyleRaw);
    writeOptionalString(out, "lineDirectionRaw", r.lineDirectionRaw);
    return out.json();
}

QJsonObject VideoRecordJson::write(const WebcamLayout& l, const QString& path) {
    JsonWriter out(path);
    out.boolean("visible", l.visible);
    out.enumeration("anchor", l.anchor);
    out.number("scale", l.scale);
    out.enumeration("maskShape", l.maskShape);
    out.optionalEnum("layoutPreset", l.layoutPreset);
    out.optionalEnum("sizePreset", l.sizePreset);
    out.optionalNumber("x", l.x);
    out.optionalNumber("y", l.y);
    return out.json();
}

} // namespace mebo
