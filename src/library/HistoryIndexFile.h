#pragma once

#include "library/HistoryEntry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace mebo {

// One save folder's "index.json" as this process last read or wrote it. Other processes (the
// command line beside the desktop application) change the same file, so nothing is written over
// content this process has not seen: a write first folds in what changed on disk since the last
// read or write (a three-way merge by entry id), and a file that could not be read or decoded is
// moved aside ("index.json.broken-<time>") before anything replaces it. Main thread only.
class HistoryIndexFile {
public:
    enum class State { missing, unreadable, undecodable, ok };
    struct ReadResult {
        State state = State::missing;
        QList<HistoryEntry> entries;
        QString error; // why it could not be read or decoded
    };

    explicit HistoryIndexFile(QString path = {});

    QString path() const { return path_; }

    // Reads the file and takes its content as the state this process has seen.
    ReadResult read();
    // Whether the file on disk is no longer what this process last read or wrote.
    bool changedOnDisk() const;
    // Writes `entries`; changes another process made since the last read or write are merged into
    // them first (so `entries` may change). Answers false with `error` when the file could not be
    // written; `mergedOutside` tells whether anything came from disk.
    bool write(QList<HistoryEntry>& entries, QString* error, bool* mergedOutside = nullptr);
    // Takes in what another process wrote: `entries` becomes the merge of both sides. Answers
    // whether `entries` changed; `needsWrite` is set when `entries` holds changes the disk lacks.
    bool absorbOutsideChanges(QList<HistoryEntry>& entries, bool* needsWrite);

    // The three-way merge by id: `base` is the last content both sides shared. An entry changed on
    // one side only takes that side's version (ours wins when both changed it); an entry removed
    // on either side stays removed; entries added on either side stay. Our order is kept and
    // their additions are placed by date, newest first.
    static QList<HistoryEntry> merge(const QList<HistoryEntry>& base, const QList<HistoryEntry>& ours,
                                     const QList<HistoryEntry>& theirs);

    // The file's content: a JSON array, newest first, keys sorted, pretty-printed. Decoding is
    // strict; the error names the key path of the first bad value ("[2].widthPx: missing").
    static QByteArray encode(const QList<HistoryEntry>& entries);
    static std::optional<QList<HistoryEntry>> decode(const QByteArray& json, QString* error);

private:
    struct Disk {
        bool exists = false;
        bool readable = false;
        QByteArray bytes;
        QString error;
    };
    Disk readDisk() const;
    // Renames the file at `path_` to a free "index.json.broken-<time>" name beside it.
    void moveAside(const QString& why);

    QString path_;
    std::optional<QByteArray> synced_; // what was last read or written; none when there was no file
    QList<HistoryEntry> base_;         // the entries of `synced_`
    bool brokenAtRead_ = false;        // the file as read could not be used: keep it before replacing
};

} // namespace mebo
