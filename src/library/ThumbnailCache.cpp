#include "library/ThumbnailCache.h"

#include "app/AppLogger.h"
#include "app/BackgroundTask.h"
#include "app/MainThread.h"

#include <QBuffer>
#include <QCache>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPluginLoader>
#include <QTemporaryFile>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace mebo {

namespace {

constexpr int kJpegQuality = 80;
constexpr int kMemoryBudgetKiB = 48 * 1024; // about 120 thumbnails of 320 x 320

const QString& jpgSuffix() {
    static const QString s = QStringLiteral(".jpg");
    return s;
}

// The library item id a thumbnail name belongs to (names are id + ".jpg").
QString entryIdOf(const QString& thumbnailName) {
    return thumbnailName.endsWith(jpgSuffix()) ? thumbnailName.chopped(jpgSuffix().size()) : thumbnailName;
}

// What the workers share with the cache: the count of writes in flight (waitForPending() blocks
// on it) and the owner, which completions use on the main thread only and which the destructor
// clears.
struct Shared {
    std::mutex mutex;
    std::condition_variable cv;
    int pending = 0;                 // guarded by `mutex`
    ThumbnailCache* owner = nullptr; // main thread only

    void begin() {
        std::lock_guard lock(mutex);
        ++pending;
    }
    void end() {
        {
            std::lock_guard lock(mutex);
            --pending;
        }
        cv.notify_all();
    }
    void wait() {
        std::unique_lock lock(mutex);
        cv.wait(lock, [this] { return pending == 0; });
    }
};

// Fits `image` into maxEdge x maxEdge (never enlarges) on an opaque white ground: JPEG has no alpha.
QImage scaledOpaque(const QImage& image, int maxEdge) {
    QImage scaled = image;
    if (image.width() > maxEdge || image.height() > maxEdge) {
        scaled = image.scaled(maxEdge, maxEdge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    QImage out(scaled.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, scaled);
    p.end();
    return out;
}

// Thumbnails are a cache that can be made again from the capture, so they are written atomically
// (temporary sibling, then rename) but not synced to disk.
// Qt's JPEG plugin, loaded by its file name. Asked for "jpeg", QImageWriter loads every
// image-format plugin there is (WebP, TIFF, SVG, MNG... with their libraries) to find it, which
// costs a command-line capture more than encoding the thumbnail does.
QImageIOPlugin* jpegPlugin() {
    static QImageIOPlugin* const plugin = []() -> QImageIOPlugin* {
        for (const QString& dir : QCoreApplication::libraryPaths()) {
            const QString file = dir + QStringLiteral("/imageformats/libqjpeg.so");
            if (!QFile::exists(file)) {
                continue;
            }
            QPluginLoader loader(file);
            if (auto* p = qobject_cast<QImageIOPlugin*>(loader.instance())) {
                return p; // stays loaded for the life of the process
            }
        }
        return nullptr;
    }();
    return plugin;
}

bool encodeJpeg(QIODevice* device, const QImage& image, QString* error) {
    if (QImageIOPlugin* plugin = jpegPlugin()) {
        std::unique_ptr<QImageIOHandler> handler(plugin->create(device, QByteArrayLiteral("jpeg")));
        if (handler) {
            handler->setOption(QImageIOHandler::Quality, kJpegQuality);
            if (handler->write(image)) {
                return true;
            }
            *error = QStringLiteral("JPEG encoding failed");
            return false;
        }
    }
    QImageWriter writer(device, "jpeg"); // a Qt laid out differently: let it search
    writer.setQuality(kJpegQuality);
    if (!writer.write(image)) {
        *error = writer.errorString();
        return false;
    }
    return true;
}

bool writeJpeg(const QString& path, const QImage& image, QString* error) {
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    QTemporaryFile file(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        *error = file.errorString();
        return false;
    }
    if (!encodeJpeg(&file, image, error)) {
        return false;
    }
    if (!file.flush()) {
        *error = file.errorString();
        return false;
    }
    if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    file.setAutoRemove(false); // renamed into place
    return true;
}

} // namespace

// Main-thread state. `pendingTokens` and `sources` are write bookkeeping, not part of the memory
// cache: a write whose token is gone was dropped meanwhile, and its file is removed when it lands.
struct ThumbnailCache::State {
    QCache<QString, QImage> images{kMemoryBudgetKiB};
    QHash<QString, QString> fileByName; // thumbnails known to be on disk
    QHash<QString, QString> nameById;   // library item id -> thumbnail name
    QHash<QString, quint64> pendingTokens;
    // The captures being scaled, by token. The main thread keeps the last reference, so a capture's
    // pixels are freed here, after the worker has said it is done with them.
    QHash<quint64, QImage> sources;
    quint64 nextToken = 0;
    quint64 epoch = 0; // bumped by clear(): late writes then stay out of memory
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
};

ThumbnailCache::ThumbnailCache(QString directory, QObject* parent)
    : QObject(parent), directory_(std::move(directory)), state_(new State) {
    state_->shared->owner = this;
}

ThumbnailCache::~ThumbnailCache() {
    state_->shared->owner = nullptr; // completions still queued find no cache
    state_->shared->wait();
    delete state_;
}

QString ThumbnailCache::pathFor(const QString& thumbnailName) const {
    return QDir(directory_).filePath(thumbnailName);
}

void ThumbnailCache::make(const QString& thumbnailName, const QImage& image) {
    if (image.isNull() || thumbnailName.isEmpty()) {
        return;
    }
    const quint64 token = ++state_->nextToken;
    state_->pendingTokens.insert(thumbnailName, token);
    state_->sources.insert(token, image);
    const quint64 epoch = state_->epoch;
    const QString path = pathFor(thumbnailName);
    std::shared_ptr<Shared> shared = state_->shared;
    shared->begin();
    startUtilityTask([shared, source = image, path, thumbnailName, token, epoch]() mutable {
        QImage thumb;
        {
            const QImage capture = std::exchange(source, QImage());
            thumb = scaledOpaque(capture, maxEdgePx);
        } // done with the capture before the main thread hears of it
        QString error;
        const bool written = writeJpeg(path, thumb, &error);
        runOnMain([shared, thumb, path, thumbnailName, token, epoch, written, error] {
            ThumbnailCache* self = shared->owner;
            if (!self) {
                return;
            }
            State& s = *self->state_;
            s.sources.remove(token);
            const auto it = s.pendingTokens.constFind(thumbnailName);
            if (it == s.pendingTokens.cend()) {
                QFile::remove(path); // dropped while it was being written
                return;
            }
            if (*it != token) {
                return; // a newer make() of the same name is on its way
            }
            s.pendingTokens.erase(it);
            if (!written) {
                logWarning(QStringLiteral("[Thumbnail] 寫入失敗 %1: %2").arg(thumbnailName, error));
            } else {
                s.fileByName.insert(thumbnailName, path);
            }
            if (epoch == s.epoch) {
                self->remember(thumbnailName, thumb);
            }
            Q_EMIT self->thumbnailReady(thumbnailName);
        });
        // After the completion is queued: waitForPending() then means the file is in place.
        shared->end();
    });
}

void ThumbnailCache::prepareEncoder() {
    // Loading the JPEG plugin (a directory scan and a dlopen) takes longer than encoding a
    // thumbnail; doing it ahead, while the capture is still being taken, keeps it off the path.
    std::shared_ptr<Shared> shared = state_->shared;
    shared->begin();
    startUtilityTask([shared] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImage probe(1, 1, QImage::Format_RGB32);
        probe.fill(Qt::white);
        QString ignored;
        encodeJpeg(&buffer, probe, &ignored);
        shared->end();
    });
}

QImage ThumbnailCache::thumbnail(const QString& thumbnailName) {
    if (const QImage* img = state_->images.object(thumbnailName)) {
        return *img;
    }
    const QString path = state_->fileByName.value(thumbnailName, pathFor(thumbnailName));
    QImageReader reader(path, "jpeg");
    const QImage img = reader.read();
    if (img.isNull()) {
        state_->fileByName.remove(thumbnailName);
        return {};
    }
    state_->fileByName.insert(thumbnailName, path);
    remember(thumbnailName, img);
    return img;
}

QImage ThumbnailCache::thumbnailForId(const QString& entryId) {
    return thumbnail(state_->nameById.value(entryId, entryId + jpgSuffix()));
}

bool ThumbnailCache::isInMemory(const QString& thumbnailName) const {
    return state_->images.contains(thumbnailName);
}

bool ThumbnailCache::isPending(const QString& thumbnailName) const {
    return state_->pendingTokens.contains(thumbnailName);
}

void ThumbnailCache::remember(const QString& thumbnailName, const QImage& image) {
    const int costKiB = int(std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    state_->images.insert(thumbnailName, new QImage(image), costKiB);
    state_->nameById.insert(entryIdOf(thumbnailName), thumbnailName);
}

void ThumbnailCache::drop(const QString& thumbnailName) {
    state_->images.remove(thumbnailName);
    state_->fileByName.remove(thumbnailName);
    state_->nameById.remove(entryIdOf(thumbnailName));
    state_->pendingTokens.remove(thumbnailName);
    QFile::remove(pathFor(thumbnailName));
}

void ThumbnailCache::clear() {
    state_->images.clear();
    state_->fileByName.clear();
    state_->nameById.clear();
    ++state_->epoch;
}

void ThumbnailCache::waitForPending() {
    state_->shared->wait();
}

} // namespace mebo
