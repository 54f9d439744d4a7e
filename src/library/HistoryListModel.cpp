#include "library/HistoryListModel.h"

#include "app/BackgroundTask.h"
#include "app/MainThread.h"
#include "library/HistoryStore.h"
#include "library/LibraryTextIndex.h"
#include "library/ThumbnailCache.h"

#include <QFileInfo>
#include <QImageReader>
#include <QSize>
#include <cmath>

namespace mebo {

namespace {

const QString kVideo = QStringLiteral("video");

QString baseName(const HistoryEntry& e) {
    return QFileInfo(e.filename).completeBaseName();
}

// Reads an image's main file for a new thumbnail. Large captures are decoded at a reduced size
// where the format allows it; the cache scales the rest.
QImage readForThumbnail(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    const int edge = 2 * ThumbnailCache::maxEdgePx;
    if (size.isValid() && (size.width() > edge || size.height() > edge)) {
        reader.setScaledSize(size.scaled(edge, edge, Qt::KeepAspectRatio));
    }
    return reader.read();
}

} // namespace

HistoryListModel::HistoryListModel(HistoryStore& store, ThumbnailCache& thumbnails, QObject* parent)
    : QAbstractListModel(parent), store_(store), thumbnails_(thumbnails),
      alive_(std::make_shared<bool>(true)) {
    rows_ = visibleEntries();
    connect(&store_, &HistoryStore::entriesChanged, this, &HistoryListModel::syncWithStore);
    connect(&thumbnails_, &ThumbnailCache::thumbnailReady, this, &HistoryListModel::onThumbnailReady);
}

HistoryListModel::~HistoryListModel() {
    *alive_ = false;
}

int HistoryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int HistoryListModel::totalCount() const {
    return int(store_.entries().size());
}

QHash<int, QByteArray> HistoryListModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(EntryRole, "entry");
    names.insert(IdRole, "entryId");
    names.insert(ThumbnailRole, "thumbnail");
    names.insert(MediaTypeRole, "mediaType");
    names.insert(IsVideoRole, "isVideo");
    names.insert(TitleRole, "title");
    names.insert(TimeTextRole, "timeText");
    names.insert(PixelSizeRole, "pixelSize");
    names.insert(DurationSecRole, "durationSec");
    names.insert(DurationTextRole, "durationText");
    names.insert(TagsRole, "tags");
    names.insert(HasSidecarRole, "hasSidecar");
    names.insert(FilePathRole, "filePath");
    return names;
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rows_.size()) {
        return {};
    }
    const HistoryEntry& e = rows_.at(index.row());
    const bool video = e.mediaType == kVideo;
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
        return baseName(e);
    case Qt::ToolTipRole: {
        QStringList lines{QFileInfo(e.filename).fileName(), timeText(e.createdAt),
                          QStringLiteral("%1 × %2").arg(e.widthPx).arg(e.heightPx)};
        if (video && e.durationSec) {
            lines << durationText(*e.durationSec);
        }
        if (!e.tags.isEmpty()) {
            lines << e.tags.join(QStringLiteral(", "));
        }
        return lines.join(QLatin1Char('\n'));
    }
    case EntryRole:
        return QVariant::fromValue(e);
    case IdRole:
        return e.id;
    case ThumbnailRole:
        return thumbnailFor(e);
    case MediaTypeRole:
        return e.mediaType;
    case IsVideoRole:
        return video;
    case TimeTextRole:
        return timeText(e.createdAt);
    case PixelSizeRole:
        return QSize(e.widthPx, e.heightPx);
    case DurationSecRole:
        return video && e.durationSec ? QVariant(*e.durationSec) : QVariant();
    case DurationTextRole:
        return video && e.durationSec ? durationText(*e.durationSec) : QString();
    case TagsRole:
        return e.tags;
    case HasSidecarRole:
        return e.hasMeboSidecar;
    case FilePathRole:
        return store_.mainFilePath(e);
    default:
        return {};
    }
}

void HistoryListModel::setTextIndex(const LibraryTextIndex* index) {
    if (text_) {
        disconnect(text_, nullptr, this, nullptr);
    }
    text_ = index;
    if (text_) {
        // A capture whose text arrives may now match the filter.
        connect(text_, &LibraryTextIndex::textChanged, this, [this] {
            if (!filterWords_.isEmpty()) {
                syncWithStore();
            }
        });
    }
    syncWithStore();
}

void HistoryListModel::setFilter(const QString& text) {
    if (text == filter_) {
        return;
    }
    filter_ = text;
    filterWords_ = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    syncWithStore();
}

std::optional<HistoryEntry> HistoryListModel::entryAt(int row) const {
    if (row < 0 || row >= rows_.size()) {
        return std::nullopt;
    }
    return rows_.at(row);
}

int HistoryListModel::rowOf(const QString& entryId) const {
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        if (rows_.at(i).id == entryId) {
            return int(i);
        }
    }
    return -1;
}

bool HistoryListModel::matches(const HistoryEntry& entry, const QStringList& words,
                               const LibraryTextIndex* text) {
    const QString name = QFileInfo(entry.filename).fileName();
    for (const QString& word : words) {
        bool found = name.contains(word, Qt::CaseInsensitive);
        for (qsizetype i = 0; !found && i < entry.tags.size(); ++i) {
            found = entry.tags.at(i).contains(word, Qt::CaseInsensitive);
        }
        if (!found && text) {
            found = text->matchesWord(entry.id, word);
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

QString HistoryListModel::durationText(double seconds) {
    const qint64 total = std::isfinite(seconds) && seconds > 0 ? qint64(std::floor(seconds)) : 0;
    return QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString HistoryListModel::timeText(const QDateTime& when) {
    return when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QList<HistoryEntry> HistoryListModel::visibleEntries() const {
    if (filterWords_.isEmpty()) {
        return store_.entries();
    }
    QList<HistoryEntry> out;
    for (const HistoryEntry& e : store_.entries()) {
        if (matches(e, filterWords_, text_)) {
            out << e;
        }
    }
    return out;
}

// Both lists are in store order, so as long as the entries present in both keep their relative
// order, the change is removals plus insertions plus updates in place. Anything else (which the
// store never does today) resets.
void HistoryListModel::syncWithStore() {
    const QList<HistoryEntry> next = visibleEntries();
    QSet<QString> nextIds;
    for (const HistoryEntry& e : next) {
        nextIds.insert(e.id);
    }
    QSet<QString> oldIds;
    QStringList keptOld;
    for (const HistoryEntry& e : rows_) {
        oldIds.insert(e.id);
        if (nextIds.contains(e.id)) {
            keptOld << e.id;
        }
    }
    QStringList keptNew;
    for (const HistoryEntry& e : next) {
        if (oldIds.contains(e.id)) {
            keptNew << e.id;
        }
    }
    const bool orderKept =
        keptOld == keptNew && oldIds.size() == rows_.size() && nextIds.size() == next.size();
    if (!orderKept || (keptOld.isEmpty() && !rows_.isEmpty() && !next.isEmpty())) {
        // A different list altogether (a folder change) or a reordering.
        beginResetModel();
        rows_ = next;
        missing_.clear();
        endResetModel();
        Q_EMIT countChanged();
        return;
    }

    // Removals, last run first so the earlier rows keep their numbers.
    for (qsizetype i = rows_.size() - 1; i >= 0;) {
        if (nextIds.contains(rows_.at(i).id)) {
            --i;
            continue;
        }
        qsizetype first = i;
        while (first > 0 && !nextIds.contains(rows_.at(first - 1).id)) {
            --first;
        }
        beginRemoveRows({}, int(first), int(i));
        rows_.remove(first, i - first + 1);
        endRemoveRows();
        i = first - 1;
    }

    // Insertions, in runs, and updates of entries that changed in place (tags, sidecar).
    for (qsizetype i = 0; i < next.size();) {
        if (!oldIds.contains(next.at(i).id)) {
            qsizetype end = i + 1;
            while (end < next.size() && !oldIds.contains(next.at(end).id)) {
                ++end;
            }
            beginInsertRows({}, int(i), int(end - 1));
            for (qsizetype k = i; k < end; ++k) {
                rows_.insert(k, next.at(k));
            }
            endInsertRows();
            i = end;
            continue;
        }
        if (!(rows_.at(i) == next.at(i))) {
            rows_[i] = next.at(i);
            const QModelIndex at = index(int(i));
            Q_EMIT dataChanged(at, at);
        }
        ++i;
    }
    Q_EMIT countChanged();
}

void HistoryListModel::onThumbnailReady(const QString& thumbnailName) {
    missing_.remove(thumbnailName);
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        if (rows_.at(i).thumbnailName == thumbnailName) {
            const QModelIndex at = index(int(i));
            Q_EMIT dataChanged(at, at, {ThumbnailRole});
        }
    }
}

QImage HistoryListModel::thumbnailFor(const HistoryEntry& entry) const {
    const QString& name = entry.thumbnailName;
    if (name.isEmpty() || missing_.contains(name)) {
        return {};
    }
    if (thumbnails_.isPending(name)) {
        return {}; // being made: thumbnailReady follows
    }
    QImage image = thumbnails_.thumbnail(name);
    if (image.isNull()) {
        missing_.insert(name);
        regenerate(entry);
    }
    return image;
}

void HistoryListModel::regenerate(const HistoryEntry& entry) const {
    // Videos need a decoder the library does not have; their thumbnail comes with the recording.
    if (entry.mediaType == kVideo || regenerating_.contains(entry.thumbnailName)) {
        return;
    }
    regenerating_.insert(entry.thumbnailName);
    const QString path = store_.mainFilePath(entry);
    const QString name = entry.thumbnailName;
    const QString id = entry.id;
    std::shared_ptr<bool> alive = alive_;
    HistoryStore* store = &store_;
    ThumbnailCache* thumbnails = &thumbnails_;
    startUtilityTask([path, name, id, alive, store, thumbnails] {
        QImage image = readForThumbnail(path);
        if (image.isNull()) {
            return; // the file is gone or unreadable: the placeholder stays
        }
        runOnMain([image = std::move(image), name, id, alive, store, thumbnails] {
            if (!*alive) {
                return;
            }
            // The entry may have left meanwhile (deleted, or another folder was loaded).
            for (const HistoryEntry& e : store->entries()) {
                if (e.id == id && e.thumbnailName == name) {
                    thumbnails->make(name, image);
                    return;
                }
            }
        });
    });
}

} // namespace mebo
