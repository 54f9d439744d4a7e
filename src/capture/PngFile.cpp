#include "capture/PngFile.h"

#include "app/FolderSync.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <unistd.h>

namespace mebo {

namespace {

QString errnoText(int err) {
    return QString::fromStdString(std::generic_category().message(err));
}

} // namespace

bool PngFile::write(const QByteArray& png, const QString& path, QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };

    // A hidden sibling in the same folder, so the rename stays on one file system and is atomic.
    const QFileInfo target(path);
    QFile temp;
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp.setFileName(
            target.absolutePath() + QStringLiteral("/.") + target.fileName() +
            QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (temp.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (temp.error() != QFileDevice::OpenError || !temp.exists()) {
            return fail(QStringLiteral("cannot create a file in %1: %2")
                            .arg(target.absolutePath(), temp.errorString()));
        }
    }
    if (!temp.isOpen())
        return fail(QStringLiteral("cannot create a temporary file in ") + target.absolutePath());

    auto discard = [&](const QString& why) {
        temp.close();
        temp.remove();
        return fail(why);
    };
    if (temp.write(png) != png.size() || !temp.flush()) {
        return discard(QStringLiteral("cannot write %1: %2").arg(temp.fileName(), temp.errorString()));
    }
    // The data reaches the disk before the name does: after a crash the final name holds either
    // nothing or the whole image, never an empty file (docs/performance.md has the cost).
    if (::fdatasync(temp.handle()) != 0) {
        return discard(QStringLiteral("cannot write %1: %2").arg(temp.fileName(), errnoText(errno)));
    }
    temp.close();
    if (temp.error() != QFileDevice::NoError) {
        return discard(QStringLiteral("cannot write %1: %2").arg(temp.fileName(), temp.errorString()));
    }
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(path).constData()) !=
        0) {
        const int err = errno;
        temp.remove();
        return fail(QStringLiteral("cannot rename %1 to %2: %3").arg(temp.fileName(), path, errnoText(err)));
    }
    // The image is complete under its name; a folder that cannot be synced (some network file
    // systems refuse) does not undo that.
    FolderSync::syncFolderOf(path);
    return true;
}

} // namespace mebo
