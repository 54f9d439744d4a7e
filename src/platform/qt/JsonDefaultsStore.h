#pragma once

#include "platform/DefaultsStore.h"

#include <QByteArray>
#include <optional>

namespace mebo::platform {

// The per-user defaults store as one JSON file ("<config>/mebo/defaults.json"). Each value keeps its
// type: {"type": "bool" | "integer" | "double" | "string" | "array" | "dictionary" | "bytes",
// "value": ...}; arrays and dictionaries hold typed values the same way, bytes are base64.
// Every change rewrites the whole file atomically. A file that cannot be read or understood is
// never overwritten: the store then reads as empty, keeps the reason in lastError(), and changes
// last only for this session. Other processes write the same file (the command line beside the
// desktop application): a change first takes in what they wrote, so it never undoes theirs.
// Main thread only.
class JsonDefaultsStore : public DefaultsStore {
public:
    // The user's file in the XDG config location.
    JsonDefaultsStore();
    explicit JsonDefaultsStore(QString filePath);

    static QString defaultFilePath();
    QString filePath() const { return path_; }

    void registerDefaults(const QVariantMap& defaults) override;
    QVariant object(const QString& key) const override;
    bool hasUserValue(const QString& key) const override;
    // An invalid QVariant removes the key. A value of another type is refused (lastError()).
    void set(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    QStringList userKeys() const override;
    QString lastError() const override;

    // Whether `value` (or, for lists and maps, every element) is of a kind the file can keep.
    static bool isStorable(const QVariant& value);

private:
    static std::optional<QVariantMap> parse(const QByteArray& bytes, QString* problem);
    void load();
    void absorbOutsideChanges();
    void save();

    QString path_;
    QVariantMap user_;
    std::optional<QByteArray> synced_; // the file as last read or written
    QVariantMap registered_;
    // Set when the file on disk could not be read; nothing is written while it is set.
    QString loadError_;
    QString writeError_;
};

} // namespace mebo::platform
