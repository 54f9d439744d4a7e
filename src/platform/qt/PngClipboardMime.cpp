#include "platform/qt/PngClipboardMime.h"

namespace mebo::platform {

namespace {
const QString kPng = QStringLiteral("image/png");
// What QMimeData::setImageData stores under; the platform clipboards turn it into image targets.
const QString kQtImage = QStringLiteral("application/x-qt-image");
} // namespace

PngClipboardMime::PngClipboardMime(const QByteArray& png) {
    setData(kPng, png);
}

QStringList PngClipboardMime::formats() const {
    return {kPng, kQtImage};
}

bool PngClipboardMime::hasFormat(const QString& mimeType) const {
    return mimeType == kPng || mimeType == kQtImage;
}

QVariant PngClipboardMime::retrieveData(const QString& mimeType, QMetaType type) const {
    if (mimeType != kQtImage) {
        return QMimeData::retrieveData(mimeType, type);
    }
    if (!decodeTried_) {
        decodeTried_ = true;
        decoded_.loadFromData(data(kPng), "PNG");
    }
    if (decoded_.isNull()) {
        return {};
    }
    return QVariant(decoded_);
}

} // namespace mebo::platform
