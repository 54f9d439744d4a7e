#pragma once

#include "library/HistoryEntry.h"

#include <QAbstractListModel>
#include <QImage>
#include <QList>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>

namespace mebo {

class HistoryStore;
class LibraryTextIndex;
class ThumbnailCache;

// The capture library as a list: the store's entries, newest first, narrowed by an optional
// name/tag filter, with their thumbnails from the cache. Follows the store with row inserts and
// removals where it can (a capture, a delete, a prune), a reset otherwise (a folder change).
// Main thread only.
//
// Thumbnails are read from the cache on demand (small JPEGs). A thumbnail that is not on disk is
// made again in the background from an image's main file, once per model; the row updates when
// the cache reports it ready.
class HistoryListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        EntryRole = Qt::UserRole + 1, // HistoryEntry
        IdRole,                       // QString
        ThumbnailRole,                // QImage, null while there is none
        MediaTypeRole,                // QString: "image" or "video"
        IsVideoRole,                  // bool
        TitleRole,                    // QString: the main file's base name
        TimeTextRole,                 // QString: capture date and time, local, "yyyy-MM-dd HH:mm"
        PixelSizeRole,                // QSize
        DurationSecRole,              // double, videos only (invalid QVariant otherwise)
        DurationTextRole,             // QString "m:ss", videos only (empty otherwise)
        TagsRole,                     // QStringList
        HasSidecarRole,               // bool
        FilePathRole,                 // QString: absolute path of the main file
    };

    // Both must outlive the model.
    HistoryListModel(HistoryStore& store, ThumbnailCache& thumbnails, QObject* parent = nullptr);
    ~HistoryListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Case-insensitive; every word of `text` must occur in a tag or in the file name, or begin a
    // word of the capture's recognised text. Empty shows all.
    void setFilter(const QString& text);
    // The recognised text searched by the filter; null searches names and tags only. Must outlive
    // the model.
    void setTextIndex(const LibraryTextIndex* index);
    QString filter() const { return filter_; }
    // Entries in the store, whatever the filter.
    int totalCount() const;

    std::optional<HistoryEntry> entryAt(int row) const;
    // The row showing the entry with this id, or -1.
    int rowOf(const QString& entryId) const;

    static bool matches(const HistoryEntry& entry, const QStringList& words,
                        const LibraryTextIndex* text = nullptr);
    // "m:ss" (minutes unbounded), seconds rounded down: 65.9 -> "1:05".
    static QString durationText(double seconds);
    static QString timeText(const QDateTime& when);

Q_SIGNALS:
    // After any change of the rows shown or of the store's count.
    void countChanged();

private:
    void syncWithStore();
    QList<HistoryEntry> visibleEntries() const;
    void onThumbnailReady(const QString& thumbnailName);
    QImage thumbnailFor(const HistoryEntry& entry) const;
    void regenerate(const HistoryEntry& entry) const;

    HistoryStore& store_;
    ThumbnailCache& thumbnails_;
    QList<HistoryEntry> rows_;
    QString filter_;
    QStringList filterWords_;
    const LibraryTextIndex* text_ = nullptr;
    // Thumbnails found missing on disk (not read again until the cache reports them) and those
    // asked to be made again (once per model).
    mutable QSet<QString> missing_;
    mutable QSet<QString> regenerating_;
    // Cleared by the destructor; background reads check it before handing their image back.
    std::shared_ptr<bool> alive_;
};

} // namespace mebo
