#include "ZipWriter.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace mebo::test {

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
    QDataStream local(&out, QIODevice::WriteOnly);
    QDataStream directory(&central, QIODevice::WriteOnly);
    local.setByteOrder(QDataStream::LittleEndian);
    directory.setByteOrder(QDataStream::LittleEndian);
    for (const Entry& e : entries_) {
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), uInt(e.data.size())));
        const quint32 size = quint32(e.data.size());
        const quint32 offset = quint32(out.size());
        // version 1.0, UTF-8 names, stored, 1980-01-01 00:00
        local << quint32(0x04034b50) << quint16(10) << quint16(0x0800) << quint16(0) << quint16(0)
              << quint16(0x21) << crc << size << size << quint16(e.name.size()) << quint16(0);
        local.writeRawData(e.name.constData(), int(e.name.size()));
        local.writeRawData(e.data.constData(), int(e.data.size()));
        // made by Unix (the mode is in the upper half of the external attributes)
        directory << quint32(0x02014b50) << quint16((3 << 8) | 30) << quint16(10) << quint16(0x0800)
                  << quint16(0) << quint16(0) << quint16(0x21) << crc << size << size
                  << quint16(e.name.size()) << quint16(0) << quint16(0) << quint16(0) << quint16(0)
                  << quint32(e.mode << 16) << offset;
        directory.writeRawData(e.name.constData(), int(e.name.size()));
    }
    const quint32 centralOffset = quint32(out.size());
    out += central;
    QDataStream end(&out, QIODevice::Append);
    end.setByteOrder(QDataStream::LittleEndian);
    end << quint32(0x06054b50) << quint16(0) << quint16(0) << quint16(entries_.size())
        << quint16(entries_.size()) << quint32(central.size()) << centralOffset << quint16(0);
    return out;
}

} // namespace mebo::test
