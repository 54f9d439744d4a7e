#include "services/InstallLocation.h"

#include "app/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace mebo {

namespace {

// Whether dpkg lists `path` among the files of an installed package.
bool ownedByDpkg(const QString& path, const QString& dpkgInfoDir) {
    const QDir info(dpkgInfoDir);
    for (const QString& list : info.entryList({QStringLiteral("mebo*.list")}, QDir::Files)) {
        QFile f(info.filePath(list));
        if (!f.open(QIODevice::ReadOnly)) {
            continue;
        }
        while (!f.atEnd()) {
            if (QString::fromUtf8(f.readLine()).trimmed() == path) {
                return true;
            }
        }
    }
    return false;
}

bool writable(const QString& dir) {
    return ::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0;
}

} // namespace

InstallLocation InstallLocation::current() {
    return detect(InstallLayout::current().executable());
}

InstallLocation InstallLocation::detect(const QString& executable, const QString& dpkgInfoDir) {
    InstallLocation loc;
    const QFileInfo exe(executable);
    loc.executable_ = exe.canonicalFilePath().isEmpty() ? exe.absoluteFilePath() : exe.canonicalFilePath();
    const QDir binDir = QFileInfo(loc.executable_).absoluteDir();

    // A build folder: CMake's cache sits a few levels above the program.
    QDir up = binDir;
    for (int level = 0; level < 4; ++level) {
        if (up.exists(QStringLiteral("CMakeCache.txt"))) {
            loc.kind_ = Kind::buildFolder;
            loc.root_ = up.absolutePath();
            loc.reason_ = QStringLiteral("Mebo runs from a build folder (%1), so updates are not installed "
                                         "automatically: build the new version from its source.")
                              .arg(loc.root_);
            return loc;
        }
        if (!up.cdUp()) {
            break;
        }
    }

    const QString root = QFileInfo(binDir.absolutePath()).absolutePath();
    if (ownedByDpkg(loc.executable_, dpkgInfoDir) || root == QLatin1String("/usr") ||
        (root.startsWith(QLatin1String("/usr/")) && root != QLatin1String("/usr/local"))) {
        loc.kind_ = Kind::packageManager;
        loc.root_ = root;
        loc.reason_ =
            QStringLiteral("Mebo was installed by the system's package manager (%1), so updates are "
                           "not installed automatically: update it with the package manager.")
                .arg(loc.executable_);
        return loc;
    }

    const QDir tree(root);
    const bool isTree = binDir.dirName() == QLatin1String("bin") && tree.exists(QStringLiteral("lib/mebo")) &&
                        tree.dirName().startsWith(QLatin1String("mebo"), Qt::CaseInsensitive);
    loc.root_ = root;
    if (!isTree) {
        loc.kind_ = Kind::unrecognised;
        loc.reason_ = QStringLiteral("Mebo's folder (%1) is not a Mebo install folder of its own, so updates "
                                     "are not installed automatically.")
                          .arg(QFileInfo(loc.executable_).absolutePath());
        return loc;
    }
    loc.kind_ = Kind::installTree;
    const QString parent = QFileInfo(root).absolutePath();
    if (!writable(root) || !writable(parent)) {
        loc.reason_ =
            QStringLiteral("The folder Mebo is installed in (%1) cannot be changed by this user, so "
                           "updates are not installed automatically.")
                .arg(root);
    }
    return loc;
}

} // namespace mebo
