#pragma once

#include <QString>

namespace mebo {

// Where the running Mebo is installed, and whether an update may replace it. Only an install
// tree of its own (a folder named mebo… holding bin/mebo and lib/mebo, as the release archive
// unpacks) is replaced; a build folder, the system package manager's files or a shared prefix
// such as /usr/local never are, and `reason()` says why.
class InstallLocation {
public:
    enum class Kind { installTree, buildFolder, packageManager, unrecognised };

    // `executable`: the running program; `dpkgInfoDir` is where dpkg lists the files of each
    // package it installed.
    static InstallLocation detect(const QString& executable,
                                  const QString& dpkgInfoDir = QStringLiteral("/var/lib/dpkg/info"));
    // The running process's own location.
    static InstallLocation current();

    Kind kind() const { return kind_; }
    // The folder an update replaces (installTree), or the folder found (other kinds).
    const QString& root() const { return root_; }
    const QString& executable() const { return executable_; }
    // The program inside the install tree, relative to its root.
    static QString programInTree() { return QStringLiteral("bin/mebo"); }

    // Whether an update can be installed here automatically.
    bool canInstall() const { return kind_ == Kind::installTree && reason_.isEmpty(); }
    // Why automatic install is off (a sentence for the About tab); empty when it is on.
    const QString& reason() const { return reason_; }

private:
    Kind kind_ = Kind::unrecognised;
    QString root_;
    QString executable_;
    QString reason_;
};

} // namespace mebo
