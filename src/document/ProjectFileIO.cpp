#include "document/ProjectFileIO.h"

#include "document/DocumentFileError.h"

#include <QFile>
#include <QSaveFile>

namespace mebo {

std::optional<QByteArray> ProjectFileIO::read(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw DocumentFileError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    if (file.size() > maxBytes) {
        return std::nullopt;
    }
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        throw DocumentFileError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    if (bytes.size() > maxBytes) {
        return std::nullopt;
    }
    return bytes;
}

void ProjectFileIO::write(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw DocumentFileError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        throw DocumentFileError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    }
}

} // namespace mebo
