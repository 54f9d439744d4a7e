#include "capture/ImageExporter.h"

#include "capture/PngWriter.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <algorithm>

namespace mebo {

namespace {

QByteArray qtFormatOf(const QString& path) {
    return QFileInfo(path).suffix().toLower().toLatin1();
}

bool keepsAlpha(const QByteArray& format) {
    return format == "webp" || format == "tif" || format == "tiff" || format == "ico";
}

} // namespace

ImageExporter::Format ImageExporter::formatFor(const QString& path) {
    const QByteArray suffix = qtFormatOf(path);
    if (suffix == "jpg" || suffix == "jpeg") {
        return Format::jpeg;
    }
    if (suffix == "webp") {
        return Format::webp;
    }
    if (suffix.isEmpty() || suffix == "png" || !QImageWriter::supportedImageFormats().contains(suffix)) {
        return Format::png;
    }
    return Format::other;
}

bool ImageExporter::write(const QImage& image, const QString& path, int quality, QString* error) {
    const Format format = formatFor(path);
    if (format == Format::png) {
        return PngWriter::writeFile(image, path, error);
    }
    const QByteArray qtFormat = format == Format::jpeg ? QByteArray("jpeg") : qtFormatOf(path);
    QImage out = image;
    if (out.hasAlphaChannel() && !keepsAlpha(qtFormat)) {
        out = QImage(image.size(), QImage::Format_RGB32);
        out.setDevicePixelRatio(image.devicePixelRatio());
        out.fill(Qt::white);
        QPainter p(&out);
        p.drawImage(0, 0, image);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    QImageWriter writer(&file, qtFormat);
    if (format == Format::jpeg || format == Format::webp) {
        writer.setQuality(std::clamp(quality, 1, 100));
    }
    if (!writer.write(out)) {
        if (error) {
            *error = writer.errorString();
        }
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

} // namespace mebo
