#include "document/StampImageCache.h"

#include "app/AppLogger.h"
#include "document/StampPalette.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace mebo {

namespace {

qint64 imageBytes(const QImage& image) {
    return std::max<qint64>(1, image.sizeInBytes());
}

} // namespace

StampImageCache& StampImageCache::shared() {
    static StampImageCache instance(32LL * 1024 * 1024);
    return instance;
}

StampImageCache::StampImageCache(qint64 maxBytes) : images_(maxBytes) {}

QImage StampImageCache::lookup(const QString& key) {
    std::lock_guard lock(mutex_);
    if (const QImage* hit = images_.object(key)) {
        return *hit;
    }
    return {};
}

void StampImageCache::store(const QString& key, const QImage& image) {
    std::lock_guard lock(mutex_);
    const qint64 cost = imageBytes(image);
    if (cost <= images_.maxCost()) {
        images_.insert(key, new QImage(image), cost);
    }
}

bool StampImageCache::firstFailure(const QString& what) {
    std::lock_guard lock(mutex_);
    if (reported_.contains(what)) {
        return false;
    }
    reported_.insert(what);
    return true;
}

QImage StampImageCache::symbol(const QString& name, int pixelSize, const QColor& color) {
    if (pixelSize <= 0) {
        return {};
    }
    const QString key = QStringLiteral("s|%1|%2|%3").arg(name).arg(pixelSize).arg(color.rgba64(), 0, 16);
    if (QImage hit = lookup(key); !hit.isNull()) {
        return hit;
    }
    const QString path = StampPalette::svgPath(name);
    if (path.isEmpty()) {
        if (firstFailure(QStringLiteral("s|") + name)) {
            logWarning(QStringLiteral("[StampLayer] 未知 symbol: %1, 不繪製").arg(name));
        }
        return {};
    }
    // Rendered by the SVG image plugin at the device size, so edges stay sharp at any zoom.
    QImageReader reader(path, "svg");
    reader.setScaledSize(QSize(pixelSize, pixelSize));
    QImage image = reader.read();
    if (image.isNull()) {
        if (firstFailure(QStringLiteral("s|") + name)) {
            logWarning(QStringLiteral("[StampLayer] 圖示讀取失敗: %1 (%2)").arg(path, reader.errorString()));
        }
        return {};
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image.rect(), color);
    }
    store(key, image);
    return image;
}

QImage StampImageCache::customImage(const QString& path, int pixelSize) {
    if (pixelSize <= 0 || path.isEmpty()) {
        return {};
    }
    // The file's size and time are part of the key, so a replaced file is read again.
    const QFileInfo info(path);
    const QString key = QStringLiteral("c|%1|%2|%3|%4")
                            .arg(info.absoluteFilePath())
                            .arg(info.size())
                            .arg(info.lastModified().toMSecsSinceEpoch())
                            .arg(pixelSize);
    if (QImage hit = lookup(key); !hit.isNull()) {
        return hit;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        if (firstFailure(QStringLiteral("c|") + info.absoluteFilePath())) {
            logWarning(
                QStringLiteral("[StampLayer] 自訂圖章讀取失敗: %1 (%2)").arg(path, reader.errorString()));
        }
        return {};
    }
    image = image.scaled(pixelSize, pixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    store(key, image);
    return image;
}

int StampImageCache::count() const {
    std::lock_guard lock(mutex_);
    return int(images_.count());
}

qint64 StampImageCache::bytes() const {
    std::lock_guard lock(mutex_);
    return images_.totalCost();
}

void StampImageCache::clear() {
    std::lock_guard lock(mutex_);
    images_.clear();
    reported_.clear();
}

} // namespace mebo
