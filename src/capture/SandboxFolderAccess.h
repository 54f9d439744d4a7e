#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace mebo {

class AppEvents;
class Cfg;
namespace platform {
class Dialogs;
}

// The save-folder picker and the folder-change flow. A Linux desktop has no sandbox, so there
// is no access scope to open or close: the chosen folder is simply remembered. Main thread.
class SandboxFolderAccess {
public:
    // `preferredStartDir`: where the picker opens when that folder exists (Pictures/mebo).
    SandboxFolderAccess(Cfg& cfg, AppEvents& events, platform::Dialogs& dialogs,
                        QString preferredStartDir = defaultStartDir());

    // Shows the folder picker with `prompt`; answers the chosen folder or nothing.
    void pickFolder(const QString& prompt, std::function<void(std::optional<QString>)> done);
    // Picks a new save folder; a folder other than the current one is stored and announced.
    // Answers whether a folder was chosen (also when it was the current one).
    void changeSaveFolder(std::function<void(bool chosen)> done);

    // The folder most recently chosen through this object.
    std::optional<QString> currentFolder() const { return currentFolder_; }

    static QString defaultStartDir();
    // Symbolic links resolved where the path exists; otherwise absolute and cleaned.
    static QString normalisedPath(const QString& path);

private:
    Cfg& cfg_;
    AppEvents& events_;
    platform::Dialogs& dialogs_;
    QString preferredStartDir_;
    std::optional<QString> currentFolder_;
};

} // namespace mebo
