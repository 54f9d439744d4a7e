#include "library/HistoryStore.h"

#include "app/AppLogger.h"
#include "app/BackgroundTask.h"
#include "app/Cfg.h"
#include "app/MainThread.h"
#include "capture/CaptureScale.h"
#include "library/HistoryIndexFile.h"
#include "library/ThumbnailCache.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QUuid>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace mebo {

namespace {

const QString kIndexName = QStringLiteral("index.json");
const QString kVideo = QStringLiteral("video");

// The path with its last extension removed ("a/b.c.png" -> "a/b.c"); a leading dot is no extension.
QString withoutExtension(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > slash + 1 ? path.left(dot) : path;
}

// Existing or not: the files that belong to the main file at `mainPath`. Lists the folder for a
// video's annotation images, so it is called off the main thread by the prune.
QStringList siblingPathsFor(const QString& mainPath, const QString& mediaType) {
    const QString base = withoutExtension(mainPath);
    if (mediaType != kVideo) {
        return {base + QStringLiteral(".mebo")};
    }
    QStringList out{base + QStringLiteral(".webcam.mp4"), base + QStringLiteral(".mebo-video"),
                    base + QStringLiteral(".cursor.json")};
    const QFileInfo baseInfo(base);
    const QString prefix = baseInfo.fileName() + QStringLiteral(".annotation-");
    const QDir dir(baseInfo.absolutePath());
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        if (name.startsWith(prefix)) {
            out << dir.filePath(name);
        }
    }
    return out;
}

QString sidecarPathFor(const QString& mainPath, const QString& mediaType) {
    return withoutExtension(mainPath) +
           (mediaType == kVideo ? QStringLiteral(".mebo-video") : QStringLiteral(".mebo"));
}

// Absolute, standardised, with symbolic links resolved as far as the path exists.
QString resolvedPath(const QString& path) {
    QString rest;
    QString head = QDir::cleanPath(QDir(path).absolutePath());
    while (!head.isEmpty()) {
        const QString canonical = QFileInfo(head).canonicalFilePath();
        if (!canonical.isEmpty()) {
            return QDir::cleanPath(canonical + rest);
        }
        const qsizetype slash = head.lastIndexOf(QLatin1Char('/'));
        if (slash < 0) {
            break;
        }
        rest.prepend(head.mid(slash));
        head = head.left(slash);
    }
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool isInside(const QString& resolvedChild, const QString& resolvedFolder) {
    if (resolvedChild == resolvedFolder) {
        return true;
    }
    const QString prefix =
        resolvedFolder.endsWith(QLatin1Char('/')) ? resolvedFolder : resolvedFolder + QLatin1Char('/');
    return resolvedChild.startsWith(prefix);
}

struct ScanItem {
    QString id;
    QString mainPath;
    std::optional<QString> saveTargetPath;
};

struct Victim {
    QString id;
    QString mainPath;
    QString mediaType;
};

struct Checkpoint {
    bool cancelled = false;
    int generation = 0;
};

// What background jobs share with the store. `store` is dereferenced on the main thread only and
// only while `alive`; the destructor clears `alive` and waits until no job is inside its
// enter()/leave() span, so a job never touches the workspace of a destroyed store.
struct Lifeline {
    explicit Lifeline(HistoryStore* s) : store(s) {}

    HistoryStore* const store;
    std::mutex mutex;
    std::condition_variable cv;
    std::atomic<bool> alive{true}; // written under `mutex` by the main thread
    int running = 0;               // guarded by `mutex`

    bool enter() {
        std::lock_guard lock(mutex);
        if (!alive.load()) {
            return false;
        }
        ++running;
        return true;
    }
    void leave() {
        {
            std::lock_guard lock(mutex);
            --running;
        }
        cv.notify_all();
    }
    void shutDown() {
        std::unique_lock lock(mutex);
        alive.store(false);
        cv.notify_all(); // a prune waiting at its checkpoint gives up
        cv.wait(lock, [this] { return running == 0; });
    }
};

} // namespace

struct HistoryStore::Private {
    std::shared_ptr<Lifeline> life;
    int scansInFlight = 0; // scans started and not yet answered, of any generation
    // The index of the folder `entries_` were read from; its path is empty until the first load.
    HistoryIndexFile index;
    // Following other processes' changes (desktop application): the folder and a short delay
    // that folds a burst of changes into one read.
    std::unique_ptr<QFileSystemWatcher> watcher;
    std::unique_ptr<QTimer> syncDelay;
};

HistoryStore::HistoryStore(Cfg& cfg, platform::Workspace& workspace, ThumbnailCache& thumbnails,
                           QObject* parent)
    : QObject(parent), d_(new Private), cfg_(cfg), workspace_(workspace), thumbnails_(thumbnails) {
    d_->life = std::make_shared<Lifeline>(this);
}

HistoryStore::~HistoryStore() {
    d_->life->shutDown();
    delete d_;
}

QString HistoryStore::indexPath() const {
    return QDir(cfg_.saveDirectory()).filePath(kIndexName);
}

QString HistoryStore::mainFilePath(const HistoryEntry& entry) const {
    if (entry.filename.startsWith(QLatin1Char('/'))) {
        return QDir::cleanPath(entry.filename);
    }
    return QDir::cleanPath(QDir(cfg_.saveDirectory()).filePath(entry.filename));
}

QStringList HistoryStore::siblingPaths(const HistoryEntry& entry) const {
    return siblingPathsFor(mainFilePath(entry), entry.mediaType);
}

QString HistoryStore::libraryFilename(const QString& filePath) const {
    const QString file = resolvedPath(filePath);
    const QString folder = resolvedPath(cfg_.saveDirectory());
    if (file != folder && isInside(file, folder)) {
        return QDir(folder).relativeFilePath(file);
    }
    return QDir::cleanPath(QDir(filePath).absolutePath());
}

bool HistoryStore::isInsideSaveFolder(const QString& path) const {
    return isInside(resolvedPath(path), resolvedPath(cfg_.saveDirectory()));
}

bool HistoryStore::isIdle() const {
    return d_->scansInFlight == 0 && !pruneInFlight_ && !prunePending_;
}

void HistoryStore::emitIfIdle() {
    if (isIdle()) {
        Q_EMIT becameIdle();
    }
}

// ---- index file ----

QByteArray HistoryStore::encodeIndex(const QList<HistoryEntry>& entries) {
    return HistoryIndexFile::encode(entries);
}

std::optional<QList<HistoryEntry>> HistoryStore::decodeIndex(const QByteArray& json, QString* error) {
    return HistoryIndexFile::decode(json, error);
}

bool HistoryStore::persist() {
    // Only the index whose content `entries_` came from is written: never an index this process
    // has not read, never one folder's list into another folder.
    if (d_->index.path() != indexPath()) {
        logError(
            QStringLiteral("[History] 索引持久化失敗: ") +
            QStringLiteral("the library in %1 has not been read; nothing written").arg(cfg_.saveDirectory()));
        return false;
    }
    QString error;
    bool merged = false;
    const qsizetype before = entries_.size();
    const bool written = d_->index.write(entries_, &error, &merged);
    if (merged) {
        logInfo(QStringLiteral("[History] index.json was changed by another process: merged, %1 → %2 entries")
                    .arg(before)
                    .arg(entries_.size()));
        Q_EMIT entriesChanged();
    }
    if (!written) {
        logError(QStringLiteral("[History] 索引持久化失敗: ") + error);
        return false;
    }
    return true;
}

void HistoryStore::ensureLoaded() {
    if (d_->index.path() == indexPath()) {
        return;
    }
    if (d_->index.path().isEmpty()) {
        load();
    } else {
        reload(); // the folder changed and its announcement has not arrived yet
    }
}

void HistoryStore::setFollowsOtherProcesses(bool follow) {
    if (!follow) {
        d_->watcher.reset();
        d_->syncDelay.reset();
        return;
    }
    if (!d_->watcher) {
        d_->watcher = std::make_unique<QFileSystemWatcher>();
        d_->syncDelay = std::make_unique<QTimer>();
        d_->syncDelay->setSingleShot(true);
        d_->syncDelay->setInterval(150);
        QObject::connect(d_->watcher.get(), &QFileSystemWatcher::directoryChanged, d_->syncDelay.get(),
                         qOverload<>(&QTimer::start));
        QObject::connect(d_->syncDelay.get(), &QTimer::timeout, this, [this] { syncWithDisk(); });
    }
    watchCurrentFolder();
}

void HistoryStore::watchCurrentFolder() {
    if (!d_->watcher) {
        return;
    }
    if (!d_->watcher->directories().isEmpty()) {
        d_->watcher->removePaths(d_->watcher->directories());
    }
    if (QFileInfo(cfg_.saveDirectory()).isDir()) {
        d_->watcher->addPath(cfg_.saveDirectory());
    }
}

void HistoryStore::syncWithDisk() {
    if (d_->index.path() != indexPath()) {
        return; // a folder change is on its way; its reload reads the new index
    }
    bool needsWrite = false;
    const qsizetype before = entries_.size();
    if (d_->index.absorbOutsideChanges(entries_, &needsWrite)) {
        logInfo(QStringLiteral("[History] index.json was changed by another process: %1 → %2 entries")
                    .arg(before)
                    .arg(entries_.size()));
        Q_EMIT entriesChanged();
    }
    if (needsWrite) {
        persist();
    }
}

// ---- load, reload, orphan scan ----

void HistoryStore::load() {
    entries_.clear();
    d_->index = HistoryIndexFile(indexPath());
    watchCurrentFolder();
    HistoryIndexFile::ReadResult read = d_->index.read();
    if (read.state == HistoryIndexFile::State::missing || read.state == HistoryIndexFile::State::unreadable) {
        if (read.state == HistoryIndexFile::State::unreadable) {
            // Kept: it is moved aside, not overwritten, when the list is next written.
            logError(QStringLiteral("[History] index.json cannot be read (%1) — 視為空歷史").arg(read.error));
        }
        orphanScanCompleted_ = true; // nothing to scan
        Q_EMIT entriesChanged();
        return;
    }
    if (read.state == HistoryIndexFile::State::undecodable) {
        // The broken file stays until the next persist replaces it (it is kept aside then).
        logError(QStringLiteral("[History] 索引解析失敗: ") + read.error + QStringLiteral(" — 視為空歷史"));
        orphanScanCompleted_ = true;
        Q_EMIT entriesChanged();
        return;
    }
    QList<HistoryEntry> decoded = std::move(read.entries);

    const QString folder = resolvedPath(cfg_.saveDirectory());
    bool changed = false;
    for (HistoryEntry& e : decoded) {
        // A save target is an external copy; one inside the library is a stale record.
        if (e.saveTargetPath && !e.saveTargetPath->isEmpty() &&
            isInside(resolvedPath(*e.saveTargetPath), folder)) {
            e.saveTargetPath.reset();
            changed = true;
        }
        const bool sidecar = QFileInfo::exists(sidecarPathFor(mainFilePath(e), e.mediaType));
        if (sidecar != e.hasMeboSidecar) {
            e.hasMeboSidecar = sidecar;
            changed = true;
        }
    }
    entries_ = std::move(decoded);
    Q_EMIT entriesChanged();
    logInfo(QStringLiteral("[History] 載入 %1 條, 後台掃描孤兒...").arg(entries_.size()));
    startOrphanScan();
    if (changed) {
        persist();
    }
}

void HistoryStore::reload() {
    ++generation_;
    prunePending_ = false;
    pruneCancelled_ = true; // a running prune stops at its next checkpoint
    orphanScanCompleted_ = false;
    entries_.clear();
    Q_EMIT entriesChanged();
    thumbnails_.clear();
    logInfo(QStringLiteral("[History] reload: gen=%1, 清空狀態, 重新 load 新資料夾").arg(generation_));
    load();
}

void HistoryStore::startOrphanScan() {
    const int scanGeneration = generation_;
    QList<ScanItem> items;
    items.reserve(entries_.size());
    for (const HistoryEntry& e : entries_) {
        items << ScanItem{e.id, mainFilePath(e), e.saveTargetPath};
    }
    ++d_->scansInFlight;
    std::shared_ptr<Lifeline> life = d_->life;
    startUtilityTask([life, items, scanGeneration]() mutable {
        if (!life->enter()) {
            return;
        }
        QSet<QString> orphans;
        for (const ScanItem& item : items) {
            if (!life->alive.load()) {
                break;
            }
            if (QFileInfo(item.mainPath).isFile()) {
                continue;
            }
            if (item.saveTargetPath && !item.saveTargetPath->isEmpty() &&
                QFileInfo(*item.saveTargetPath).isFile()) {
                continue;
            }
            orphans.insert(item.id);
        }
        items.clear(); // the snapshot shares strings with the main thread's list: let go first
        runOnMain([life, orphans, scanGeneration] {
            if (life->alive.load()) {
                life->store->finishOrphanScan(scanGeneration, orphans);
            }
        });
        life->leave();
    });
}

void HistoryStore::finishOrphanScan(int scanGeneration, const QSet<QString>& orphanIds) {
    --d_->scansInFlight;
    if (scanGeneration != generation_) {
        logInfo(QStringLiteral("[History] orphan scan 代際不符 (gen=%1 vs %2), 丟棄結果")
                    .arg(scanGeneration)
                    .arg(generation_));
        emitIfIdle();
        return;
    }
    if (!orphanIds.isEmpty()) {
        // Only the entries go; the files (if any trace is left) are never touched here.
        const qsizetype before = entries_.size();
        const int removed = removeEntries(orphanIds);
        persist();
        logInfo(QStringLiteral("[History] 孤兒掃描: 從 %1 清到 %2 (移 %3 個孤兒)")
                    .arg(before)
                    .arg(entries_.size())
                    .arg(removed));
    }
    orphanScanCompleted_ = true;
    applyLimitNow();
    emitIfIdle();
}

int HistoryStore::removeEntries(const QSet<QString>& ids) {
    int removed = 0;
    for (qsizetype i = entries_.size() - 1; i >= 0; --i) {
        if (ids.contains(entries_.at(i).id)) {
            thumbnails_.drop(entries_.at(i).thumbnailName);
            entries_.removeAt(i);
            ++removed;
        }
    }
    if (removed > 0) {
        Q_EMIT entriesChanged();
    }
    return removed;
}

// ---- add, delete ----

HistoryEntry HistoryStore::add(const QString& filePath, const CaptureResult& result) {
    return add(filePath, result, QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

HistoryEntry HistoryStore::add(const QString& filePath, const CaptureResult& result, const QString& id) {
    ensureLoaded();
    HistoryEntry e;
    e.id = id;
    e.filename = libraryFilename(filePath);
    e.thumbnailName = e.id + QStringLiteral(".jpg");
    e.mode = captureModeRawValue(result.mode);
    e.createdAt = result.captureDate.isValid() ? result.captureDate : QDateTime::currentDateTimeUtc();
    e.widthPx = result.image.width();
    e.heightPx = result.image.height();
    e.displayScale = CaptureScale::of(result.image);
    entries_.prepend(e);
    Q_EMIT entriesChanged();
    thumbnails_.make(e.thumbnailName, result.image);
    persist();
    if (cfg_.historyMaxCount() >= 1 && orphanScanCompleted_) {
        prune();
    }
    return e;
}

bool HistoryStore::updateEntry(const HistoryEntry& entry) {
    ensureLoaded();
    for (HistoryEntry& e : entries_) {
        if (e.id == entry.id) {
            e = entry;
            Q_EMIT entriesChanged();
            persist();
            return true;
        }
    }
    return false;
}

void HistoryStore::addEntry(const HistoryEntry& entry) {
    ensureLoaded();
    entries_.prepend(entry);
    Q_EMIT entriesChanged();
    persist();
    if (cfg_.historyMaxCount() >= 1 && orphanScanCompleted_) {
        prune();
    }
}

void HistoryStore::deleteEntry(const HistoryEntry& entry) {
    ensureLoaded();
    const QString mainPath = mainFilePath(entry);
    QString error;
    if (QFileInfo::exists(mainPath) && !workspace_.moveToTrash(mainPath, &error)) {
        logError(
            QStringLiteral("[History] 移主檔到廢紙簍失敗 %1: %2").arg(QFileInfo(mainPath).fileName(), error));
    }
    for (const QString& sibling : siblingPaths(entry)) {
        error.clear();
        if (QFileInfo::exists(sibling) && !workspace_.moveToTrash(sibling, &error)) {
            logError(QStringLiteral("[History] 移敏感 sidecar 到廢紙簍失敗 %1: %2")
                         .arg(QFileInfo(sibling).fileName(), error));
        }
    }
    if (removeEntries({entry.id}) == 0) {
        thumbnails_.drop(entry.thumbnailName); // the entry had already left the list
    }
    persist();
}

bool HistoryStore::renameEntry(const HistoryEntry& entry, const QString& newBaseName, QString* error) {
    ensureLoaded();
    auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    const QString name = newBaseName.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QChar(0))) {
        return fail(QStringLiteral("“%1” cannot be a file name.").arg(newBaseName));
    }
    const QString oldMain = mainFilePath(entry);
    const QFileInfo info(oldMain);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString newMain = info.dir().filePath(name + suffix);
    if (newMain == oldMain) {
        return true;
    }
    if (QFileInfo::exists(newMain)) {
        return fail(QStringLiteral("A file named “%1” already exists.").arg(QFileInfo(newMain).fileName()));
    }
    if (!QFile::rename(oldMain, newMain)) {
        return fail(QStringLiteral("“%1” could not be renamed.").arg(info.fileName()));
    }
    // The files that belong to it follow: same base, same endings.
    const QString oldBase = withoutExtension(oldMain);
    const QString newBase = withoutExtension(newMain);
    for (const QString& sibling : siblingPathsFor(oldMain, entry.mediaType)) {
        if (QFileInfo::exists(sibling) && !QFile::rename(sibling, newBase + sibling.mid(oldBase.size()))) {
            logWarning(QStringLiteral("[History] %1 could not follow the rename")
                           .arg(QFileInfo(sibling).fileName()));
        }
    }
    HistoryEntry renamed = entry;
    for (const HistoryEntry& e : entries_) {
        if (e.id == entry.id) {
            renamed = e; // the stored one: tags may have changed since `entry` was taken
        }
    }
    renamed.filename = libraryFilename(newMain);
    logInfo(QStringLiteral("[History] renamed %1 → %2").arg(info.fileName(), QFileInfo(newMain).fileName()));
    updateEntry(renamed);
    return true;
}

// ---- limit and prune ----

void HistoryStore::applyLimitNow() {
    if (cfg_.historyMaxCount() < 1) {
        logInfo(QStringLiteral("[History] applyLimitNow: historyMaxCount=0 (不限), 跳過"));
        return;
    }
    if (!orphanScanCompleted_) {
        logInfo(QStringLiteral("[History] applyLimitNow: 等孤兒掃描完成, 那邊會 chain 過來"));
        return;
    }
    prune();
}

void HistoryStore::prune() {
    const int limit = cfg_.historyMaxCount();
    if (limit < 1) {
        return;
    }
    if (pruneInFlight_) {
        prunePending_ = true; // folded: one more prune when this one ends
        return;
    }
    if (entries_.size() <= limit) {
        return;
    }
    pruneInFlight_ = true;
    pruneCancelled_ = false;
    QList<Victim> victims;
    for (qsizetype i = limit; i < entries_.size(); ++i) {
        const HistoryEntry& e = entries_.at(i);
        victims << Victim{e.id, mainFilePath(e), e.mediaType};
    }
    const int pruneGeneration = generation_;
    std::shared_ptr<Lifeline> life = d_->life;
    platform::Workspace* workspace = &workspace_;

    startUtilityTask([life, workspace, victims, pruneGeneration]() mutable {
        if (!life->enter()) {
            return;
        }
        // Asks the main thread for the flags the store owns; nothing when the store is going away.
        auto checkpoint = [&life]() -> std::optional<Checkpoint> {
            auto answer = std::make_shared<std::optional<Checkpoint>>(); // guarded by life->mutex
            runOnMain([life, answer] {
                std::lock_guard lock(life->mutex);
                if (life->alive.load()) {
                    *answer = Checkpoint{life->store->pruneCancelled_, life->store->generation_};
                }
                life->cv.notify_all();
            });
            std::unique_lock lock(life->mutex);
            life->cv.wait(lock, [&] { return answer->has_value() || !life->alive.load(); });
            return *answer;
        };

        QSet<QString> deleted;
        for (const Victim& victim : victims) {
            const std::optional<Checkpoint> now = checkpoint();
            if (!now) {
                life->leave();
                return; // the store is gone: nobody wants the result
            }
            if (now->generation != pruneGeneration) {
                logInfo(QStringLiteral("[History] prune 中途代際不符 (folder 已換), 停止刪除, 已刪 %1 個")
                            .arg(deleted.size()));
                break;
            }
            if (now->cancelled) {
                logInfo(QStringLiteral("[History] prune 中途取消, 已刪 %1 個").arg(deleted.size()));
                break;
            }
            bool allMoved = true;
            QString error;
            for (const QString& sibling : siblingPathsFor(victim.mainPath, victim.mediaType)) {
                error.clear();
                if (QFileInfo::exists(sibling) && !workspace->moveToTrash(sibling, &error)) {
                    logError(QStringLiteral("[History] prune sibling trash 失敗 %1: %2")
                                 .arg(QFileInfo(sibling).fileName(), error));
                    allMoved = false;
                }
            }
            error.clear();
            if (QFileInfo::exists(victim.mainPath) && !workspace->moveToTrash(victim.mainPath, &error)) {
                logError(QStringLiteral("[History] prune 主檔 trash 失敗 %1: %2")
                             .arg(QFileInfo(victim.mainPath).fileName(), error));
                allMoved = false;
            }
            if (allMoved) {
                deleted.insert(victim.id);
            }
        }
        victims.clear(); // shares strings with the main thread's list: let go first
        runOnMain([life, deleted, pruneGeneration] {
            if (life->alive.load()) {
                life->store->finishPrune(pruneGeneration, deleted);
            }
        });
        life->leave();
    });
}

void HistoryStore::finishPrune(int pruneGeneration, const QSet<QString>& deletedIds) {
    const int limit = cfg_.historyMaxCount();
    if (pruneGeneration != generation_) {
        logInfo(QStringLiteral("[History] prune 代際不符 (gen=%1 vs %2), 丟棄結果")
                    .arg(pruneGeneration)
                    .arg(generation_));
        pruneInFlight_ = false;
        pruneCancelled_ = false;
        if (prunePending_ && orphanScanCompleted_) {
            prunePending_ = false;
            if (limit >= 1) {
                logInfo(
                    QStringLiteral("[History] prune gen 不符退出後, 消化 prunePending → 啟動新資料夾 prune"));
                prune();
            }
        } else {
            prunePending_ = false;
        }
        emitIfIdle();
        return;
    }

    const qsizetype before = entries_.size();
    removeEntries(deletedIds);
    if (entries_.size() < before) {
        persist();
        logInfo(QStringLiteral("[History] prune 完成, 從 %1 截到 %2 (刪 %3 個)")
                    .arg(before)
                    .arg(entries_.size())
                    .arg(deletedIds.size()));
    }
    pruneInFlight_ = false;
    pruneCancelled_ = false;
    if (prunePending_ && limit >= 1) {
        prunePending_ = false;
        prune();
    } else {
        prunePending_ = false;
    }
    emitIfIdle();
}

} // namespace mebo
