#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace mebo {

// The text recognised in each capture of the library, kept beside its index in "index.text.json"
// ({"version": 1, "entries": {"<id>": "<text>"}}), so that the library can be searched by what
// the pictures show. An entry without text has not been recognised yet; an empty text means there
// is none to find. Main thread only.
class LibraryTextIndex : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kFileName = "index.text.json";

    explicit LibraryTextIndex(QObject* parent = nullptr);

    // Reads the file of `folder`, replacing what was held; a missing or unreadable file is an empty
    // index (it is rebuilt by recognising again).
    void load(const QString& folder);
    QString folder() const { return folder_; }
    // Writes the file atomically; false (logged) when it could not be written.
    bool save();

    bool contains(const QString& id) const { return texts_.contains(id); }
    QString text(const QString& id) const { return texts_.value(id).text; }
    void setText(const QString& id, const QString& text);
    // Forgets every entry whose id is not in `ids` (captures that left the library).
    void retain(const QSet<QString>& ids);
    int size() const { return int(texts_.size()); }

    // Whether `word` begins a word of the entry's text, ignoring case ("sett" finds "Settings",
    // "tings" does not). False for an entry without text.
    bool matchesWord(const QString& id, const QString& word) const;
    static bool textMatches(const QString& foldedText, const QString& foldedWord);

Q_SIGNALS:
    void textChanged(const QString& id);

private:
    struct Item {
        QString text;
        QString folded; // case-folded, for matching
    };
    QString folder_;
    QHash<QString, Item> texts_;
};

} // namespace mebo
