#include "app/InstallLayout.h"

#include <QDir>
#include <QFileInfo>

namespace mebo {

InstallLayout::InstallLayout(QString executablePath) : executable_(std::move(executablePath)) {
    const QFileInfo exe(executable_);
    root_ = QDir::cleanPath(exe.absolutePath() + QStringLiteral("/.."));
    if (QFileInfo::exists(root_ + QStringLiteral("/CMakeCache.txt"))) {
        kind_ = Kind::buildTree;
    } else if (root_ == QLatin1String("/usr") || root_ == QLatin1String("/usr/local")) {
        kind_ = Kind::system;
    }
}

const InstallLayout& InstallLayout::current() {
    static const InstallLayout layout(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
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
