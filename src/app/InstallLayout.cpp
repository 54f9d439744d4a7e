#include "app/InstallLayout.h"

#include <QDir>
#include <QFileInfo>

namespace mebo {

InstallLayout::InstallLayout(QString executablePath) : executable_(std::move(executablePath)) {
    const QFileInfo exe(executable_);
    // The full program lives in lib/mebo, the launcher (and other tools) in bin/.
    const QString dir = exe.absolutePath();
    root_ = QDir::cleanPath(
        dir + (dir.endsWith(QLatin1String("/lib/mebo")) ? QStringLiteral("/../..") : QStringLiteral("/..")));
    if (QFileInfo::exists(root_ + QStringLiteral("/CMakeCache.txt"))) {
        kind_ = Kind::buildTree;
    } else if (root_ == QLatin1String("/usr") || root_ == QLatin1String("/usr/local")) {
        kind_ = Kind::system;
    }
}

const InstallLayout& InstallLayout::current() {
    // Started through the launcher (bin/mebo), the program is known by the launcher's path.
    static const InstallLayout layout([] {
        const QFileInfo launcher(qEnvironmentVariable("MEBO_LAUNCHER"));
        return launcher.isAbsolute() && launcher.isExecutable()
                   ? launcher.canonicalFilePath()
                   : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    }());
    return layout;
}

QString InstallLayout::modulesDir() const {
    return root_ + QStringLiteral("/lib/mebo");
}

QString InstallLayout::dataDir(const QString& kind) const {
    return root_ + QStringLiteral("/share/mebo/") + kind;
}

QString InstallLayout::shareDir() const {
    return root_ + QStringLiteral("/share");
}

} // namespace mebo
