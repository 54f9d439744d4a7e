#include "document/MeboDocument.h"

#include "capture/PngWriter.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/LayerCodec.h"
#include "document/MeboDocumentError.h"
#include "document/PngBytes.h"
#include "document/ProjectFileIO.h"

#include <QJsonArray>

namespace mebo {

namespace {

qint64 readVersion(const JsonReader& in) {
    // "schemaVersion" wins; "version" is only looked at without it.
    const char* key = in.contains("schemaVersion") ? "schemaVersion"
                      : in.contains("version")     ? "version"
                                                   : nullptr;
    if (!key) {
        throw JsonDecodeError(QStringLiteral("missing version"));
    }
    const qint64 v = in.integer(key);
    if (v < 1) {
        throw JsonDecodeError(QStringLiteral("invalid version"));
    }
    if (v > MeboDocument::kFormatVersion) {
        throw MeboDocumentError::unsupportedVersion(v);
    }
    return v;
}

QList<AnyCodableLayer> readLayers(const JsonReader& in) {
    QList<AnyCodableLayer> out;
    if (!in.contains("layers")) {
        return out;
    }
    const QJsonValue value = in.json().value(QLatin1String("layers"));
    if (!value.isArray()) {
        throw JsonDecodeError(QStringLiteral("key 'layers' is not an array"));
    }
    const QJsonArray array = value.toArray();
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString path = QStringLiteral("layers[%1]").arg(i);
        if (!array.at(i).isObject()) {
            throw JsonDecodeError(QStringLiteral("key '%1' is not an object").arg(path));
        }
        const JsonReader record(array.at(i).toObject(), path + QLatin1Char('.'));
        out.append(
            AnyCodableLayer{record.string("type"), record.base64("data", LayerCodec::kMaxPayloadBytes)});
    }
    return out;
}

} // namespace

MeboDocument MeboDocument::fromJson(const QByteArray& json) {
    try {
        const JsonReader in(JsonReader::parseObject(json));
        const qint64 v = readVersion(in);
        MeboDocument doc;
        doc.schemaVersion = v;
        doc.version = v;
        doc.baseImagePNG = in.base64("baseImagePNG", PngBytes::kMaxBytes);
        doc.canvasRect = in.rect("canvasRect");
        doc.saveTargetPath = in.optionalString("saveTargetPath");
        doc.layers = readLayers(in);
        return doc;
    } catch (const JsonDecodeError& e) {
        throw MeboDocumentError::decodeFailed(e.description());
    }
}

MeboDocument MeboDocument::readFile(const QString& path) {
    const auto bytes = ProjectFileIO::read(path, kMaxFileBytes);
    if (!bytes) {
        throw MeboDocumentError::decodeFailed(
            QStringLiteral("the file is larger than %1 MiB").arg(kMaxFileBytes >> 20));
    }
    return fromJson(*bytes);
}

QByteArray MeboDocument::toJson() const {
    JsonWriter out;
    out.integer("schemaVersion", schemaVersion);
    out.integer("version", version);
    out.base64("baseImagePNG", baseImagePNG);
    out.rect("canvasRect", canvasRect);
    if (saveTargetPath) {
        out.string("saveTargetPath", *saveTargetPath);
    }
    QJsonArray records;
    for (const AnyCodableLayer& layer : layers) {
        records.append(QJsonObject{{QStringLiteral("type"), layer.type},
                                   {QStringLiteral("data"), QString::fromLatin1(layer.data.toBase64())}});
    }
    out.array("layers", records);
    return out.toJson();
}

void MeboDocument::writeFile(const QString& path) const {
    ProjectFileIO::write(path, toJson());
}

MeboDocument MeboDocument::fromContent(const QByteArray& baseImagePNG, const QRectF& canvasRect,
                                       const std::optional<QString>& saveTargetPath,
                                       const LayerList& layers) {
    MeboDocument doc;
    doc.baseImagePNG = baseImagePNG;
    doc.canvasRect = canvasRect;
    doc.saveTargetPath = saveTargetPath;
    for (const LayerPtr& layer : layers) {
        if (auto record = LayerCodec::encode(layer)) {
            doc.layers.append(std::move(*record));
        }
    }
    return doc;
}

QByteArray MeboDocument::encodeBaseImage(const QImage& image) {
    const QByteArray png = image.isNull() ? QByteArray() : PngWriter::encode(image);
    if (png.isEmpty()) {
        throw MeboDocumentError::decodeFailed(QStringLiteral("PNG encode failed"));
    }
    return png;
}

QImage MeboDocument::decodeBaseImage() const {
    QImage image = PngBytes::decode(baseImagePNG);
    if (image.isNull()) {
        throw MeboDocumentError::missingBaseImage();
    }
    return image;
}

LayerList MeboDocument::decodeLayers(QStringList* skippedTypes, int* droppedRegionFills) const {
    const QStringList known = LayerCodec::knownTypes();
    LayerList out;
    out.reserve(layers.size());
    for (const AnyCodableLayer& record : layers) {
        if (LayerPtr layer = LayerCodec::decode(record)) {
            out.append(std::move(layer));
        } else if (!known.contains(record.type)) {
            if (skippedTypes) {
                skippedTypes->append(record.type);
            }
        } else if (droppedRegionFills) {
            ++*droppedRegionFills;
        }
    }
    return out;
}

ProjectContent MeboDocument::content() const {
    ProjectContent c;
    c.baseImage = decodeBaseImage();
    c.canvasRect = canvasRect;
    c.saveTargetPath = saveTargetPath;
    c.layers = decodeLayers(&c.skippedTypes, &c.droppedRegionFills);
    return c;
}

} // namespace mebo
