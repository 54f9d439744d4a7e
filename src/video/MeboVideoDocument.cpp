#include "video/MeboVideoDocument.h"

#include "document/GradientFillPayload.h"
#include "document/JsonDecodeError.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/ProjectFileIO.h"
#include "video/MeboVideoDocumentError.h"
#include "video/VideoRecordJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace mebo {

namespace {

using J = VideoRecordJson;

qint64 readVersion(const JsonReader& in) {
    const char* key = in.contains("schemaVersion") ? "schemaVersion"
                      : in.contains("version")     ? "version"
                                                   : nullptr;
    if (!key) {
        throw MeboVideoDocumentError::decodeFailed(QStringLiteral("missing version"));
    }
    const qint64 v = in.integer(key);
    if (v < 1) {
        throw MeboVideoDocumentError::decodeFailed(QStringLiteral("invalid version"));
    }
    if (v > MeboVideoDocument::kFormatVersion) {
        throw MeboVideoDocumentError::unsupportedVersion(v);
    }
    return v;
}

// An array of records under `key`; absent or null is an empty list.
template <typename Read> auto readList(const JsonReader& in, const char* key, Read read) {
    using T = decltype(read(in));
    QList<T> out;
    if (!in.contains(key)) {
        return out;
    }
    const QJsonValue value = in.json().value(QLatin1String(key));
    if (!value.isArray()) {
        throw JsonDecodeError(QStringLiteral("key '%1' is not an array").arg(in.pathOf(key)));
    }
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString path = QStringLiteral("%1[%2]").arg(in.pathOf(key)).arg(i);
        if (!array.at(i).isObject()) {
            throw JsonDecodeError(QStringLiteral("key '%1' is not an object").arg(path));
        }
        out.append(read(JsonReader(array.at(i).toObject(), path + QLatin1Char('.'))));
    }
    return out;
}

template <typename T> QJsonArray writeList(const QList<T>& items, const char* key) {
    QJsonArray array;
    for (qsizetype i = 0; i < items.size(); ++i) {
        array.append(J::write(items[i], QStringLiteral("%1[%2].").arg(QLatin1String(key)).arg(i)));
    }
    return array;
}

std::optional<qint64> optionalInteger(const JsonReader& in, const char* key) {
    return in.contains(key) ? std::optional(in.integer(key)) : std::nullopt;
}

VideoSnapshot readEdit(const JsonReader& in) {
    VideoSnapshot e;
    e.trimRegions = readList(in, "trimRegions", J::trim);
    e.speedRegions = readList(in, "speedRegions", J::speed);
    e.annotationRegions = readList(in, "annotationRegions", J::annotation);
    e.recordingSegments = readList(in, "recordingSegments", J::segment);
    e.chapterSegments = readList(in, "chapterSegments", J::chapter);
    e.systemAudioTrackEnabled =
        in.optionalBoolean("systemAudioTrackEnabled").value_or(e.systemAudioTrackEnabled);
    e.systemAudioMuteRegions = readList(in, "systemAudioMuteRegions", J::trackRegion);
    e.micTrackEnabled = in.optionalBoolean("micTrackEnabled").value_or(e.micTrackEnabled);
    e.micMuteRegions = readList(in, "micMuteRegions", J::trackRegion);
    e.webcamHiddenRegions = readList(in, "webcamHiddenRegions", J::trackRegion);
    e.showBackground = in.optionalBoolean("showBackground").value_or(e.showBackground);
    e.backgroundColorRGBA = J::optionalColor(in, "backgroundColorRGBA").value_or(e.backgroundColorRGBA);
    e.backgroundPadding = in.optionalNumber("backgroundPadding").value_or(e.backgroundPadding);
    e.backgroundCornerRadius = in.optionalNumber("backgroundCornerRadius").value_or(e.backgroundCornerRadius);
    e.showShadow = in.optionalBoolean("showShadow").value_or(e.showShadow);
    e.shadowIntensity = in.optionalNumber("shadowIntensity").value_or(e.shadowIntensity);
    e.canvasAspectRatio = in.optionalNumber("canvasAspectRatio");
    e.wallpaperGradient = GradientFillPayload::readOptional(in, "wallpaperGradient");
    if (in.contains("cropRect")) {
        e.cropRect = in.rect("cropRect");
    }
    e.cropAspectLocked = in.optionalBoolean("cropAspectLocked").value_or(e.cropAspectLocked);
    e.motionBlurAmount = in.optionalNumber("motionBlurAmount").value_or(e.motionBlurAmount);
    e.exportFps = optionalInteger(in, "exportFps");
    e.exportResolutionHeight = optionalInteger(in, "exportResolutionHeight");
    if (const auto layout = in.optionalObject("webcamLayout")) {
        e.webcamLayout = J::webcamLayout(*layout);
    }
    e.showCursorTrail = in.optionalBoolean("showCursorTrail").value_or(e.showCursorTrail);
    e.cursorTrailWindowSec = in.optionalNumber("cursorTrailWindowSec").value_or(e.cursorTrailWindowSec);
    e.cursorTrailWidth = in.optionalNumber("cursorTrailWidth").value_or(e.cursorTrailWidth);
    e.cursorTrailColorRGBA = J::optionalColor(in, "cursorTrailColorRGBA").value_or(e.cursorTrailColorRGBA);
    e.showClickRipple = in.optionalBoolean("showClickRipple").value_or(e.showClickRipple);
    e.clickRippleDurationSec = in.optionalNumber("clickRippleDurationSec").value_or(e.clickRippleDurationSec);
    e.clickRippleRadiusPx = in.optionalNumber("clickRippleRadiusPx").value_or(e.clickRippleRadiusPx);
    e.clickRippleColorRGBA = J::optionalColor(in, "clickRippleColorRGBA").value_or(e.clickRippleColorRGBA);
    return e;
}

} // namespace

MeboVideoDocument MeboVideoDocument::fromJson(const QByteArray& json) {
    try {
        const JsonReader in(JsonReader::parseObject(json));
        MeboVideoDocument doc;
        doc.schemaVersion = doc.version = readVersion(in);
        doc.sourceFileName = in.optionalString("sourceFileName");
        doc.webcamFileName = in.optionalString("webcamFileName");
        doc.edit = readEdit(in);
        return doc;
    } catch (const JsonDecodeError& e) {
        throw MeboVideoDocumentError::decodeFailed(e.description());
    }
}

MeboVideoDocument MeboVideoDocument::readFile(const QString& path) {
    const auto bytes = ProjectFileIO::read(path, kMaxFileBytes);
    if (!bytes) {
        throw MeboVideoDocumentError::decodeFailed(
            QStringLiteral("the file is larger than %1 MiB").arg(kMaxFileBytes >> 20));
    }
    return fromJson(*bytes);
}

QByteArray MeboVideoDocument::toJson() const {
    const VideoSnapshot& e = edit;
    JsonWriter out;
    out.integer("schemaVersion", kFormatVersion);
    out.integer("version", kFormatVersion);
    if (sourceFileName) {
        out.string("sourceFileName", *sourceFileName);
    }
    if (webcamFileName) {
        out.string("webcamFileName", *webcamFileName);
    }
    out.array("trimRegions", writeList(e.trimRegions, "trimRegions"));
    out.array("speedRegions", writeList(e.speedRegions, "speedRegions"));
    out.array("annotationRegions", writeList(e.annotationRegions, "annotationRegions"));
    out.array("recordingSegments", writeList(e.recordingSegments, "recordingSegments"));
    if (!e.chapterSegments.isEmpty()) {
        out.array("chapterSegments", writeList(e.chapterSegments, "chapterSegments"));
    }
    out.boolean("systemAudioTrackEnabled", e.systemAudioTrackEnabled);
    out.array("systemAudioMuteRegions", writeList(e.systemAudioMuteRegions, "systemAudioMuteRegions"));
    out.boolean("micTrackEnabled", e.micTrackEnabled);
    out.array("micMuteRegions", writeList(e.micMuteRegions, "micMuteRegions"));
    out.array("webcamHiddenRegions", writeList(e.webcamHiddenRegions, "webcamHiddenRegions"));
    out.boolean("showBackground", e.showBackground);
    J::writeColor(out, "backgroundColorRGBA", e.backgroundColorRGBA);
    out.number("backgroundPadding", e.backgroundPadding);
    out.number("backgroundCornerRadius", e.backgroundCornerRadius);
    out.boolean("showShadow", e.showShadow);
    out.number("shadowIntensity", e.shadowIntensity);
    out.optionalNumber("canvasAspectRatio", e.canvasAspectRatio);
    GradientFillPayload::writeOptional(e.wallpaperGradient, out, "wallpaperGradient");
    if (e.cropRect) {
        out.rect("cropRect", *e.cropRect);
    }
    out.boolean("cropAspectLocked", e.cropAspectLocked);
    out.number("motionBlurAmount", e.motionBlurAmount);
    if (e.exportFps) {
        out.integer("exportFps", *e.exportFps);
    }
    if (e.exportResolutionHeight) {
        out.integer("exportResolutionHeight", *e.exportResolutionHeight);
    }
    if (e.webcamLayout) {
        out.object("webcamLayout", J::write(*e.webcamLayout, QStringLiteral("webcamLayout.")));
    }
    out.boolean("showCursorTrail", e.showCursorTrail);
    out.number("cursorTrailWindowSec", e.cursorTrailWindowSec);
    out.number("cursorTrailWidth", e.cursorTrailWidth);
    J::writeColor(out, "cursorTrailColorRGBA", e.cursorTrailColorRGBA);
    out.boolean("showClickRipple", e.showClickRipple);
    out.number("clickRippleDurationSec", e.clickRippleDurationSec);
    out.number("clickRippleRadiusPx", e.clickRippleRadiusPx);
    J::writeColor(out, "clickRippleColorRGBA", e.clickRippleColorRGBA);
    // QJsonObject keeps its keys sorted, so every object is written in alphabetical order.
    return QJsonDocument(out.json()).toJson(QJsonDocument::Indented);
}

void MeboVideoDocument::writeFile(const QString& path) const {
    ProjectFileIO::write(path, toJson());
}

} // namespace mebo
