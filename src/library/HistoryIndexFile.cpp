#include "library/HistoryIndexFile.h"

#include "app/AppLogger.h"
#include "app/FolderSync.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>
#include <unistd.h>

namespace mebo {

namespace {

QHash<QString, const HistoryEntry*> byId(const QList<HistoryEntry>& entries) {
    QHash<QString, const HistoryEntry*> out;
    out.reserve(entries.size());
    for (const HistoryEntry& e : entries) {
        out.insert(e.id, &e);
    }
    return out;
}

// Serialises the read-merge-write of one index between processes. The lock lives in the user's
// runtime folder (else the temporary folder, named with the user id), keyed by the index's path,
// not in the library, which holds only captures and the index.
QString lockPathFor(const QString& indexPath) {
    const QByteArray key =
        QCryptographicHash::hash(QFileInfo(indexPath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    // Read directly: Qt warns on standard error when it has to pick a runtime folder itself.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString dir = runtime.isEmpty() ? QDir::tempPath() : runtime;
    return QDir(dir).filePath(
        QStringLiteral("app.mebo.index-%1-%2.lock").arg(::getuid()).arg(QString::fromLatin1(key)));
}

} // namespace

HistoryIndexFile::HistoryIndexFile(QString path) : path_(std::move(path)) {}

QByteArray HistoryIndexFile::encode(const QList<HistoryEntry>& entries) {
    QJsonArray array;
    for (const HistoryEntry& e : entries) {
        array.append(e.toJson());
    }
    // QJsonDocument writes object keys sorted.
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

std::optional<QList<HistoryEntry>> HistoryIndexFile::decode(const QByteArray& json, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        return fail(QStringLiteral("%1 at offset %2").arg(parse.errorString()).arg(parse.offset));
    }
    if (!doc.isArray()) {
        return fail(QStringLiteral("expected an array"));
    }
    const QJsonArray array = doc.array();
    QList<HistoryEntry> out;
    out.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString at = QStringLiteral("[%1]").arg(i);
        if (!array.at(i).isObject()) {
            return fail(at + QStringLiteral(": expected an object"));
        }
        QString why;
        std::optional<HistoryEntry> e = HistoryEntry::fromJson(array.at(i).toObject(), &why);
        if (!e) {
            return fail(at + QLatin1Char('.') + why);
        }
        out << std::move(*e);
    }
    return out;
}

HistoryIndexFile::Disk HistoryIndexFile::readDisk() const {
    Disk disk;
    QFile file(path_);
    // A folder in the index's place is no index: writing reports it.
    disk.exists = QFileInfo(path_).isFile();
    if (!disk.exists) {
        return disk;
    }
    if (file.open(QIODevice::ReadOnly)) {
        disk.readable = true;
        disk.bytes = file.readAll();
    } else {
        disk.error = file.errorString();
    }
    return disk;
}

HistoryIndexFile::ReadResult HistoryIndexFile::read() {
    ReadResult out;
    const Disk disk = readDisk();
    base_.clear();
    brokenAtRead_ = false;
    synced_.reset();
    if (!disk.exists) {
        return out;
    }
    synced_ = disk.bytes;
    if (!disk.readable) {
        out.state = State::unreadable;
        out.error = disk.error;
        brokenAtRead_ = true;
        return out;
    }
    std::optional<QList<HistoryEntry>> decoded = decode(disk.bytes, &out.error);
    if (!decoded) {
        out.state = State::undecodable;
        brokenAtRead_ = true;
        return out;
    }
    out.state = State::ok;
    base_ = *decoded;
    out.entries = std::move(*decoded);
    return out;
}

bool HistoryIndexFile::changedOnDisk() const {
    const Disk disk = readDisk();
    if (!disk.exists) {
        return synced_.has_value();
    }
    return !synced_ || !disk.readable || disk.bytes != *synced_;
}

void HistoryIndexFile::moveAside(const QString& why) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = path_ + QStringLiteral(".broken-") + stamp;
    for (int n = 1; QFileInfo::exists(kept); ++n) {
        kept = path_ + QStringLiteral(".broken-%1-%2").arg(stamp).arg(n);
    }
    if (QFile::rename(path_, kept)) {
        logWarning(QStringLiteral("[History] the index could not be used (%1); kept as %2")
                       .arg(why, QFileInfo(kept).fileName()));
    } else {
        logError(QStringLiteral("[History] the unusable index could not be kept aside: %1").arg(why));
    }
}

bool HistoryIndexFile::absorbOutsideChanges(QList<HistoryEntry>& entries, bool* needsWrite) {
    *needsWrite = false;
    const Disk disk = readDisk();
    if (!disk.exists || !disk.readable || (synced_ && disk.bytes == *synced_)) {
        // Gone or unreadable: the next write puts ours back (keeping an unreadable one aside).
        *needsWrite = disk.exists ? !disk.readable : synced_.has_value();
        return false;
    }
    QString error;
    std::optional<QList<HistoryEntry>> theirs = decode(disk.bytes, &error);
    if (!theirs) {
        *needsWrite = true; // a half-written or foreign file: ours replaces it (kept aside first)
        return false;
    }
    QList<HistoryEntry> merged = merge(base_, entries, *theirs);
    *needsWrite = merged != *theirs;
    synced_ = disk.bytes;
    base_ = *theirs;
    brokenAtRead_ = false;
    if (merged == entries) {
        return false;
    }
    entries = std::move(merged);
    return true;
}

bool HistoryIndexFile::write(QList<HistoryEntry>& entries, QString* error, bool* mergedOutside) {
    if (mergedOutside) {
        *mergedOutside = false;
    }
    QLockFile lock(lockPathFor(path_));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(2000); // without it the merge below still narrows the race

    const Disk disk = readDisk();
    if (disk.exists && disk.readable && (!synced_ || disk.bytes != *synced_)) {
        QString why;
        if (std::optional<QList<HistoryEntry>> theirs = decode(disk.bytes, &why)) {
            QList<HistoryEntry> merged = merge(base_, entries, *theirs);
            if (mergedOutside) {
                *mergedOutside = merged != entries;
            }
            entries = std::move(merged);
        } else {
            moveAside(why);
        }
    } else if (disk.exists && !disk.readable) {
        moveAside(QStringLiteral("not readable"));
    } else if (disk.exists && brokenAtRead_) {
        QString why;
        decode(disk.bytes, &why);
        moveAside(why);
    }

    const QByteArray bytes = encode(entries);
    QSaveFile file(path_);
    QString failure;
    if (!file.open(QIODevice::WriteOnly)) {
        failure = file.errorString();
    } else if (file.write(bytes) != bytes.size()) {
        failure = file.errorString();
        file.cancelWriting();
    } else if (!file.commit()) {
        failure = file.errorString();
    } else {
        FolderSync::syncFolderOf(path_);
    }
    if (locked) {
        lock.unlock();
    }
    if (!failure.isEmpty()) {
        if (error) {
            *error = failure;
        }
        return false;
    }
    synced_ = bytes;
    base_ = entries;
    brokenAtRead_ = false;
    return true;
}

QList<HistoryEntry> HistoryIndexFile::merge(const QList<HistoryEntry>& base, const QList<HistoryEntry>& ours,
                                            const QList<HistoryEntry>& theirs) {
    const auto baseIds = byId(base);
    const auto theirIds = byId(theirs);
    QList<HistoryEntry> out;
    out.reserve(std::max(ours.size(), theirs.size()));
    QSet<QString> taken;
    for (const HistoryEntry& mine : ours) {
        const HistoryEntry* before = baseIds.value(mine.id);
        const HistoryEntry* other = theirIds.value(mine.id);
        if (!other) {
            if (!before) {
                out << mine; // added here
            }
            continue; // else removed there
        }
        const bool changedHere = !before || *before != mine;
        out << (changedHere ? mine : *other);
        taken.insert(mine.id);
    }
    const QSet<QString> ourIds = [&] {
        QSet<QString> s;
        for (const HistoryEntry& e : ours) {
            s.insert(e.id);
        }
        return s;
    }();
    for (const HistoryEntry& other : theirs) {
        if (taken.contains(other.id) || ourIds.contains(other.id) || baseIds.contains(other.id)) {
            continue; // merged above, or removed here
        }
        // Added there: placed before the first entry that is older.
        qsizetype at = 0;
        while (at < out.size() && out.at(at).createdAt >= other.createdAt) {
            ++at;
        }
        out.insert(at, other);
    }
    return out;
}

} // namespace mebo
