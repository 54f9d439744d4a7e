#pragma once

#include <QCache>
#include <QColor>
#include <QImage>
#include <QSet>
#include <QString>
#include <mutex>

namespace mebo {

// Rendered stamp pictures by device size. Layers draw from the main thread and from export
// workers, so every call is thread-safe; the cache is bounded by the bytes it holds.
class StampImageCache {
public:
    // The process-wide instance (32 MB).
    static StampImageCache& shared();

    explicit StampImageCache(qint64 maxBytes);

    // The palette symbol's icon, pixelSize square, tinted with `color`. Null for a symbol that is
    // not in the palette or whose icon cannot be read; that is logged once per symbol.
    QImage symbol(const QString& name, int pixelSize, const QColor& color);
    // A custom stamp image scaled to fit a pixelSize square, aspect kept, untinted. Null when the
    // file cannot be read (logged once per path).
    QImage customImage(const QString& path, int pixelSize);

    int count() const;
    qint64 bytes() const;
    void clear();

private:
    QImage lookup(const QString& key);
    void store(const QString& key, const QImage& image);
    bool firstFailure(const QString& what);

    mutable std::mutex mutex_;       // guards everything below
    QCache<QString, QImage> images_; // cost in bytes
    QSet<QString> reported_;
};

} // namespace mebo
