#pragma once

#include "app/Cfg.h"
#include "library/HistoryStore.h"
#include "library/ThumbnailCache.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

namespace mebo::test {

// A trash whose moves wait while the latch is closed, so a prune can be held between two files.
class LatchWorkspace : public FakeWorkspace {
public:
    using FakeWorkspace::FakeWorkspace;

    bool moveToTrash(const QString& path, QString* error) override {
        {
            std::unique_lock lock(latchMutex_);
            ++blocked_;
            latchCv_.wait(lock, [this] { return open_; });
            --blocked_;
        }
        return FakeWorkspace::moveToTrash(path, error);
    }
    void closeLatch() {
        std::lock_guard lock(latchMutex_);
        open_ = false;
    }
    void openLatch() {
        {
            std::lock_guard lock(latchMutex_);
            open_ = true;
        }
        latchCv_.notify_all();
    }
    int blockedCallers() const {
        std::lock_guard lock(latchMutex_);
        return blocked_;
    }
    int trashCallCount() const {
        std::lock_guard lock(mutex);
        return int(trashCalls.size());
    }
    bool wasTrashed(const QString& path) const { return trashedPaths().contains(path); }

private:
    mutable std::mutex latchMutex_;
    std::condition_variable latchCv_;
    bool open_ = true;
    int blocked_ = 0;
};

// A save folder, a trash, a thumbnail folder and a store over them. The store is made by each test
// (after it has prepared the folder) and destroyed before everything it refers to.
class HistoryFixture : public ::testing::Test {
protected:
    HistoryFixture() {
        lib = tmp.path() + QStringLiteral("/lib");
        QDir().mkpath(lib);
        cfg = std::make_unique<Cfg>(defaults, lib);
        thumbs = std::make_unique<ThumbnailCache>(tmp.path() + QStringLiteral("/thumbs"));
    }
    ~HistoryFixture() override {
        if (store) {
            waitUntil([this] { return store->isIdle(); });
        }
        destroyStore();
        thumbs->waitForPending();
        drainEvents();
    }

    void makeStore() {
        store = std::make_unique<HistoryStore>(*cfg, trash, *thumbs);
        cfg->setHistoryLimitTarget(store.get());
    }
    // Makes the store, reads the folder and waits for its orphan scan.
    void openStore() {
        makeStore();
        store->load();
        EXPECT_TRUE(waitIdle());
    }
    void destroyStore() {
        cfg->setHistoryLimitTarget(nullptr);
        store.reset();
    }
    bool waitIdle() {
        return waitUntil([this] { return store->isIdle(); });
    }

    // A file with some bytes at `path` (absolute, or relative to the save folder).
    QString touch(const QString& path, const QByteArray& bytes = "x") {
        const QString abs = QDir::isAbsolutePath(path) ? path : lib + QLatin1Char('/') + path;
        writeBytes(abs, bytes);
        return abs;
    }
    bool exists(const QString& relOrAbs) const {
        return QFileInfo::exists(QDir::isAbsolutePath(relOrAbs) ? relOrAbs
                                                                : lib + QLatin1Char('/') + relOrAbs);
    }
    QString trashed(const QString& name) const { return tmp.path() + QStringLiteral("/trash/") + name; }

    // `minute` minutes after a fixed start (later = newer).
    static QDateTime at(int minute) {
        return QDateTime(QDate(2025, 3, 14), QTime(9, 0), Qt::UTC).addSecs(60 * minute);
    }
    static HistoryEntry entry(const QString& id, const QString& filename, int minute,
                              const QString& mediaType = QStringLiteral("image")) {
        HistoryEntry e;
        e.id = id;
        e.filename = filename;
        e.thumbnailName = id + QStringLiteral(".jpg");
        e.mode = mediaType == QStringLiteral("video") ? QStringLiteral("record") : QStringLiteral("area");
        e.createdAt = at(minute);
        e.widthPx = 640;
        e.heightPx = 480;
        e.mediaType = mediaType;
        if (mediaType == QStringLiteral("video")) {
            e.durationSec = 12.5;
        }
        return e;
    }
    // A capture as the coordinator hands it to the store: a flat picture, its mode and its time.
    static CaptureResult shot(const QDateTime& when = QDateTime::currentDateTimeUtc(), QSize size = {8, 8},
                              CaptureMode mode = CaptureMode::area) {
        CaptureResult r;
        r.image = QImage(size, QImage::Format_RGB32);
        r.image.fill(Qt::darkCyan);
        r.mode = mode;
        r.captureDate = when;
        return r;
    }
    void writeIndex(const QList<HistoryEntry>& entries, const QString& folder = {}) {
        writeRawIndex(HistoryStore::encodeIndex(entries), folder);
    }
    void writeRawIndex(const QByteArray& bytes, const QString& folder = {}) {
        writeBytes((folder.isEmpty() ? lib : folder) + QStringLiteral("/index.json"), bytes);
    }
    QByteArray rawIndex(const QString& folder = {}) const {
        return fileBytes((folder.isEmpty() ? lib : folder) + QStringLiteral("/index.json"));
    }
    QStringList indexIds(const QString& folder = {}) const {
        QString error;
        const auto decoded = HistoryStore::decodeIndex(rawIndex(folder), &error);
        EXPECT_TRUE(decoded.has_value()) << error.toStdString();
        QStringList ids;
        for (const HistoryEntry& e : decoded.value_or(QList<HistoryEntry>{})) {
            ids << e.id;
        }
        return ids;
    }
    QStringList ids() const {
        QStringList out;
        for (const HistoryEntry& e : store->entries()) {
            out << e.id;
        }
        return out;
    }
    // Five images "e1".."e5" (e5 newest) with their ".mebo" sidecars, indexed newest first.
    void fiveImages() {
        QList<HistoryEntry> list;
        for (int i = 5; i >= 1; --i) {
            const QString id = QStringLiteral("e%1").arg(i);
            touch(id + QStringLiteral(".png"));
            touch(id + QStringLiteral(".mebo"));
            list << entry(id, id + QStringLiteral(".png"), i);
        }
        writeIndex(list);
    }

    LogCapture log;
    QTemporaryDir tmp;
    QString lib;
    FakeDefaultsStore defaults;
    LatchWorkspace trash{tmp.path() + QStringLiteral("/trash")};
    std::unique_ptr<Cfg> cfg;
    std::unique_ptr<ThumbnailCache> thumbs;
    std::unique_ptr<HistoryStore> store;
};

} // namespace mebo::test
