#pragma once

#include "document/AnyCodableLayer.h"
#include "document/DrawingLayer.h"
#include "document/ProjectContent.h"

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

namespace mebo {

// The ".mebo" project sidecar of a capture: base image, canvas (crop) rectangle, layers and the
// user's exported copy. One compact JSON object with sorted keys, so a file begins with
// "baseImagePNG" and ends with "version".
//
// Reading throws MeboDocumentError (decodeFailed for invalid JSON, a missing or mistyped key and
// the version texts; unsupportedVersion for newer files) or DocumentFileError (the file itself).
// Layer payloads are decoded separately (decodeLayers), and their JsonDecodeError is passed on
// unchanged.
class MeboDocument {
public:
    static constexpr qint64 kFormatVersion = 1;
    // Largest file read: a base image and a pasted image at the PNG limit, Base64 and all.
    static constexpr qint64 kMaxFileBytes = qint64(768) << 20;

    qint64 schemaVersion = kFormatVersion;
    qint64 version = kFormatVersion;
    QByteArray baseImagePNG;
    QRectF canvasRect;
    std::optional<QString> saveTargetPath; // absolute path
    QList<AnyCodableLayer> layers;         // bottom-most first

    static MeboDocument fromJson(const QByteArray& json);
    static MeboDocument readFile(const QString& path);
    // Throws JsonEncodeError for a canvas rectangle that is not finite.
    QByteArray toJson() const;
    // Atomic: the target is either its old content or the new one.
    void writeFile(const QString& path) const;

    // The document of editor content: every layer the codec can encode, in order (the others are
    // left out; the codec logs encoding failures).
    static MeboDocument fromContent(const QByteArray& baseImagePNG, const QRectF& canvasRect,
                                    const std::optional<QString>& saveTargetPath, const LayerList& layers);
    // PNG bytes of a base image; decodeFailed("PNG encode failed") when none can be produced.
    static QByteArray encodeBaseImage(const QImage& image);

    // The base image, decoded within PngBytes' limits; missingBaseImage otherwise.
    QImage decodeBaseImage() const;
    // The layers in order; unknown types are left out (the codec warns).
    LayerList decodeLayers(QStringList* skippedTypes = nullptr, int* droppedRegionFills = nullptr) const;
    // Base image, canvas, save target and layers together.
    ProjectContent content() const;
};

} // namespace mebo
