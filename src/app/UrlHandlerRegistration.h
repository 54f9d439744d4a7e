#pragma once

#include <QString>

#include <functional>

namespace mebo {

// Registers the running program as the user's handler of mebo:// URLs when it runs from a tree
// the system does not know (an unpacked release archive, a build folder): the tree's own desktop
// entry is written to "mebo.desktop" in the user's applications folder with Exec naming this
// program, and "mimeapps.list" gets x-scheme-handler/mebo=mebo.desktop unless it names another
// handler that exists. A system install has the package's entry and writes nothing. Main thread,
// once at launch.
class UrlHandlerRegistration {
public:
    struct Paths {
        QString executable;      // the program to start, absolute
        QString templateEntry;   // the tree's share/applications/mebo.desktop
        QString iconFile;        // the tree's scalable icon; empty keeps Icon=mebo
        QString applicationsDir; // $XDG_DATA_HOME/applications
        QString mimeAppsList;    // $XDG_CONFIG_HOME/mimeapps.list
    };
    enum class Outcome { unchanged, written, failed };

    explicit UrlHandlerRegistration(Paths paths);
    // The running program's paths (InstallLayout, XDG locations).
    static Paths defaultPaths();

    // Writes what is missing or out of date; logs what it wrote or why it could not.
    Outcome ensureRegistered();

    // The template's text with Exec (and TryExec) naming `executable` and the icon as a file.
    static QString entryText(const QString& templateText, const QString& executable, const QString& iconFile);
    // `listText` with x-scheme-handler/mebo=mebo.desktop in [Default Applications], unless it
    // already names a handler for which `handlerExists` holds. Other lines stay as they are.
    static QString withDefaultHandler(const QString& listText,
                                      const std::function<bool(const QString&)>& handlerExists);

private:
    Paths paths_;
};

} // namespace mebo
