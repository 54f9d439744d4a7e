#pragma once

#include <QString>

namespace mebo {

// Where the program's parts are, relative to the executable: an install tree is
// <root>/bin/mebo, <root>/lib/mebo (backend modules) and <root>/share (data, desktop files); a
// build tree is laid out the same way below its build folder. Nothing depends on the prefix the
// tree was installed to, so an unpacked release archive runs from any folder. Any thread.
class InstallLayout {
public:
    enum class Kind {
        system,      // a system prefix (/usr, /usr/local): the package manager's or an admin's
        relocatable, // anywhere else: an unpacked release archive
        buildTree,   // a CMake build folder
    };

    // `executablePath`: the program's absolute path, links resolved.
    explicit InstallLayout(QString executablePath);
    // The running program's layout (/proc/self/exe, so it works before any Qt application object).
    static const InstallLayout& current();

    const QString& executable() const { return executable_; }
    const QString& root() const { return root_; }
    Kind kind() const { return kind_; }

    QString modulesDir() const;                 // <root>/lib/mebo
    QString dataDir(const QString& kind) const; // <root>/share/mebo/<kind>
    QString shareDir() const;                   // <root>/share

private:
    QString executable_;
    QString root_;
    Kind kind_ = Kind::relocatable;
};

} // namespace mebo
