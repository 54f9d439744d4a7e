#pragma once

#include "video/VideoRegions.h"
#include "video/WebcamLayout.h"

#include <QJsonObject>

namespace mebo {

class JsonReader;
class JsonWriter;

// The JSON form of the records of a video project. Readers throw JsonDecodeError naming the key
// path; writers throw JsonEncodeError for a number JSON cannot hold.
class VideoRecordJson {
public:
    static QString uuidText(const QUuid& id); // upper case, no braces

    static QUuid uuid(const JsonReader& in, const char* key);
    static ColorRGBA color(const JsonReader& in, const char* key);
    static std::optional<ColorRGBA> optionalColor(const JsonReader& in, const char* key);
    static void writeColor(JsonWriter& out, const char* key, const ColorRGBA& color);

    static TrimRegion trim(const JsonReader& in);
    static SpeedRegion speed(const JsonReader& in);
    static TrackDisabledRegion trackRegion(const JsonReader& in);
    static RecordingSegment segment(const JsonReader& in);
    static ChapterSegment chapter(const JsonReader& in);
    static AnnotationRegion annotation(const JsonReader& in);
    static WebcamLayout webcamLayout(const JsonReader& in);

    static QJsonObject write(const TrimRegion& r, const QString& path);
    static QJsonObject write(const SpeedRegion& r, const QString& path);
    static QJsonObject write(const TrackDisabledRegion& r, const QString& path);
    static QJsonObject write(const RecordingSegment& r, const QString& path);
    static QJsonObject write(const ChapterSegment& r, const QString& path);
    static QJsonObject write(const AnnotationRegion& r, const QString& path);
    static QJsonObject write(const WebcamLayout& layout, const QString& path);
};

} // namespace mebo
