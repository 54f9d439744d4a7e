#pragma once

#include "app/HistoryLimitTarget.h"
#include "capture/CaptureMode.h"
#include "library/HistoryEntry.h"

#include <QList>
#include <QObject>
#include <QSet>

namespace mebo {

class Cfg;
class ThumbnailCache;
namespace platform {
class Workspace;
}

// The persistent list of captures in the save folder ("index.json"), newest first. All state is
// main-thread only; the orphan scan and the prune's trash moves run on the thread pool with plain
// snapshots, and every late result is checked against `generation`.
//
// `workspace` must outlive the store: the destructor waits for a trash move in progress to return
// and stops the background work at its next checkpoint, so nothing runs on a destroyed store.
class HistoryStore : public QObject, public HistoryLimitTarget {
    Q_OBJECT
public:
    // Does not read the disk; call load() once wired. A change made before that (a capture) reads
    // the index first, so nothing on disk is ever replaced by a list that never saw it.
    HistoryStore(Cfg& cfg, platform::Workspace& workspace, ThumbnailCache& thumbnails,
                 QObject* parent = nullptr);
    ~HistoryStore() override;

    void load();
    void reload();
    // Enters a just-written still capture with a new id; answers the new entry.
    HistoryEntry add(const QString& filePath, const CaptureResult& result);
    // The same with the id the caller already handed out (canonical upper-case UUID text).
    HistoryEntry add(const QString& filePath, const CaptureResult& result, const QString& id);
    // Enters a prepared entry (recordings) at the front; the caller makes its thumbnail.
    void addEntry(const HistoryEntry& entry);
    // Replaces the entry with the same id (position kept) and persists; false when none has it.
    bool updateEntry(const HistoryEntry& entry);
    // The user removes an item: files to the Trash, entry out of the list.
    void deleteEntry(const HistoryEntry& entry);
    void prune();
    bool persist();
    // Follows changes other processes (the command line) make to the index of the current folder:
    // they are merged into the list shortly after they land. Off by default.
    void setFollowsOtherProcesses(bool follow);

    // HistoryLimitTarget
    bool isPruneInFlight() const override { return pruneInFlight_; }
    void markPruneCancelled() override { pruneCancelled_ = true; }
    void clearPrunePending() override { prunePending_ = false; }
    void applyLimitNow() override;

    const QList<HistoryEntry>& entries() const { return entries_; }
    bool prunePending() const { return prunePending_; }
    bool pruneCancelled() const { return pruneCancelled_; }
    bool orphanScanCompleted() const { return orphanScanCompleted_; }
    int generation() const { return generation_; }
    // No scan or prune running and none pending.
    bool isIdle() const;

    QString indexPath() const;
    // Whether `path` (existing or not) lies in the save folder or is the folder itself, both
    // compared with symbolic links resolved and the paths cleaned.
    bool isInsideSaveFolder(const QString& path) const;
    // Absolute path of an entry's main file.
    QString mainFilePath(const HistoryEntry& entry) const;
    // Existing or not: the files that go with an entry when it is deleted.
    QStringList siblingPaths(const HistoryEntry& entry) const;

    // The index file's content: a JSON array, newest first. Decoding is strict; the error names
    // the key path of the first bad value ("[2].widthPx: missing").
    static QByteArray encodeIndex(const QList<HistoryEntry>& entries);
    static std::optional<QList<HistoryEntry>> decodeIndex(const QByteArray& json, QString* error);

Q_SIGNALS:
    void entriesChanged();
    void becameIdle();

private:
    // Loads the current folder's index unless the list already came from it.
    void ensureLoaded();
    void watchCurrentFolder();
    void syncWithDisk();
    void startOrphanScan();
    void finishOrphanScan(int scanGeneration, const QSet<QString>& orphanIds);
    void finishPrune(int pruneGeneration, const QSet<QString>& deletedIds);
    // Removes the entries with these ids (order kept) and drops their thumbnails; answers how many went.
    int removeEntries(const QSet<QString>& ids);
    void emitIfIdle();
    // The stored form of a capture's path: relative when inside the save folder, else absolute.
    QString libraryFilename(const QString& filePath) const;

    struct Private;
    Private* d_;

    Cfg& cfg_;
    platform::Workspace& workspace_;
    ThumbnailCache& thumbnails_;

    QList<HistoryEntry> entries_;
    bool pruneInFlight_ = false;
    bool prunePending_ = false;
    bool pruneCancelled_ = false;
    bool orphanScanCompleted_ = false;
    int generation_ = 0;
};

} // namespace mebo
