#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace mebo::test {

// Writes zip archives entry by entry (stored, not compressed), with any name and Unix mode, so
// tests can make archives no zip tool would: names with "..", absolute names, links leaving the
// folder.
class ZipWriter {
public:
    void addFile(const QString& name, const QByteArray& data, bool executable = false);
    void addDirectory(const QString& name);
    void addSymlink(const QString& name, const QString& target);
    // Every regular file and link under `dir`, named relative to `dir`'s parent plus the folder's
    // own name (a folder "Tasu.app" gives "Tasu.app/Contents/...").
    void addTree(const QString& dir);
    QByteArray bytes() const;

private:
    struct Entry {
        QByteArray name;
        QByteArray data;
        quint32 mode = 0;
    };
    QList<Entry> entries_;
};

} // namespace mebo::test
