#include "ZipWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace mebo::test {

namespace {

void put16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

void ZipWriter::addFile(const QString& name, const QByteArray& data, bool executable) {
    entries_.append({name.toUtf8(), data, quint32(S_IFREG | (executable ? 0755 : 0644))});
}

void ZipWriter::addDirectory(const QString& name) {
    entries_.append({(name.endsWith(QLatin1Char('/')) ? name : name + QLatin1Char('/')).toUtf8(),
                     {},
                     quint32(S_IFDIR | 0755)});
}

void ZipWriter::addSymlink(const QString& name, const QString& target) {
    entries_.append({name.toUtf8(), target.toUtf8(), quint32(S_IFLNK | 0777)});
}

void ZipWriter::addTree(const QString& dir) {
    const QDir base = QFileInfo(dir).absoluteDir();
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext()) {
        paths << it.next();
    }
    paths.sort();
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const QString name = base.relativeFilePath(path);
        if (info.isSymLink()) {
            char target[4096];
            const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target - 1);
            addSymlink(name, n > 0 ? QFile::decodeName(QByteArray(target, int(n))) : QString());
        } else if (info.isDir()) {
            addDirectory(name);
        } else {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            addFile(name, f.readAll(), info.isExecutable());
        }
    }
}

QByteArray ZipWriter::bytes() const {
    QByteArray out;
    QByteArray central;
    for (const Entry& e : entries_) {
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), uInt(e.data.size())));
        const quint32 offset = quint32(out.size());
        put32(out, 0x04034b50);
        put16(out, 10);     // version needed
        put16(out, 0x0800); // UTF-8 names
        put16(out, 0);      // stored
        put16(out, 0);      // time
        put16(out, 0x21);   // date: 1980-01-01
        put32(out, crc);
        put32(out, quint32(e.data.size()));
        put32(out, quint32(e.data.size()));
        put16(out, quint16(e.name.size()));
        put16(out, 0);
        out += e.name;
        out += e.data;

        put32(central, 0x02014b50);
        put16(central, (3 << 8) | 30); // made by Unix
        put16(central, 10);
        put16(central, 0x0800);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0x21);
        put32(central, crc);
        put32(central, quint32(e.data.size()));
        put32(central, quint32(e.data.size()));
        put16(central, quint16(e.name.size()));
        put16(central, 0); // extra
        put16(central, 0); // comment
        put16(central, 0); // disk
        put16(central, 0); // internal attributes
        put32(central, e.mode << 16);
        put32(central, offset);
        central += e.name;
    }
    const quint32 centralOffset = quint32(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(entries_.size()));
    put16(out, quint16(entries_.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

bool ZipWriter::write(const QString& path) const {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes()) >= 0;
}

} // namespace mebo::test
