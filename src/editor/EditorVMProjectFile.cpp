#include "editor/EditorVM.h"

#include "document/DocumentFileError.h"
#include "document/JsonDecodeError.h"
#include "document/MeboDocument.h"
#include "document/MeboDocumentError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace mebo {

namespace {

QJsonArray rectJson(const QRectF& r) {
    return QJsonArray{QJsonArray{r.x(), r.y()}, QJsonArray{r.width(), r.height()}};
}

} // namespace

// The editor's project file: its fingerprint (what "unsaved" compares), writing and reading the
// ".mebo" sidecar. Kept apart from the editing commands in EditorVM.cpp.

QByteArray EditorVM::fingerprint() const {
    QJsonArray layers;
    for (const LayerPtr& l : layers_) {
        QJsonObject item;
        if (const std::optional<AnyCodableLayer> record = encodeCache_.encode(l)) {
            item.insert(QStringLiteral("codable"),
                        QJsonObject{{QStringLiteral("type"), record->type},
                                    {QStringLiteral("data"), QString::fromLatin1(record->data.toBase64())}});
        } else {
            const QRect b = l->bounds().toRect();
            item.insert(QStringLiteral("placeholder"), QStringLiteral("%1(%2,%3,%4,%5)")
                                                           .arg(QLatin1String(l->className()))
                                                           .arg(b.x())
                                                           .arg(b.y())
                                                           .arg(b.width())
                                                           .arg(b.height()));
        }
        layers.append(item);
    }
    const QJsonObject root{{QStringLiteral("layers"), layers},
                           {QStringLiteral("rect"), rectJson(canvasRect_)}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

bool EditorVM::hasUnsavedChanges() const {
    if (pristine_) {
        return fingerprint() != *pristine_;
    }
    return !layers_.isEmpty() || !undoStack_.isEmpty() || pendingNudge_.has_value() ||
           canvasRect_ != fullImageRect();
}

QByteArray EditorVM::basePngBytes() {
    if (!pngCache_) {
        pngCache_ = MeboDocument::encodeBaseImage(base_);
    }
    return *pngCache_;
}

void EditorVM::writeSidecar(const QString& path) {
    commitPending();
    MeboDocument doc;
    doc.baseImagePNG = basePngBytes();
    doc.canvasRect = canvasRect_;
    doc.saveTargetPath = saveTargetPath_;
    for (const LayerPtr& l : layers_) {
        if (std::optional<AnyCodableLayer> record = encodeCache_.encode(l)) {
            doc.layers.append(std::move(*record));
        }
    }
    doc.writeFile(path);
    pristine_ = fingerprint();
}

void EditorVM::loadSidecar(const QString& path) {
    MeboDocument doc;
    try {
        doc = MeboDocument::readFile(path);
    } catch (const DocumentFileError& e) {
        throw MeboDocumentError::decodeFailed(e.description());
    } catch (const JsonDecodeError& e) {
        throw MeboDocumentError::decodeFailed(e.description());
    }
    const QImage image = doc.decodeBaseImage();
    const LayerList loaded = doc.decodeLayers(); // a payload error is passed on unchanged

    // Everything decoded: only now is the visible state replaced.
    pendingNudge_.reset();
    arrowPropPreEdit_.reset();
    undoStack_.clear();
    redoStack_.clear();
    selected_.reset();
    multi_.clear();
    setBaseImage(image);
    pngCache_ = doc.baseImagePNG;
    canvasRect_ = doc.canvasRect;
    saveTargetPath_ = doc.saveTargetPath;
    applyLayers(loaded);
    pristine_ = fingerprint();
    Q_EMIT canvasRectChanged();
    Q_EMIT selectionChanged();
    Q_EMIT historyChanged();
}

} // namespace mebo
