#include "capture/SandboxFolderAccess.h"

#include "app/AppEvents.h"
#include "app/Cfg.h"
#include "platform/Dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace mebo {

SandboxFolderAccess::SandboxFolderAccess(Cfg& cfg, AppEvents& events, platform::Dialogs& dialogs,
                                         QString preferredStartDir)
    : cfg_(cfg), events_(events), dialogs_(dialogs), preferredStartDir_(std::move(preferredStartDir)) {}

QString SandboxFolderAccess::defaultStartDir() {
    return Cfg::defaultSaveDirectory();
}

QString SandboxFolderAccess::normalisedPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath(); // empty when the path does not exist
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

void SandboxFolderAccess::pickFolder(const QString& prompt,
                                     std::function<void(std::optional<QString>)> done) {
    const bool preferredExists = !preferredStartDir_.isEmpty() && QFileInfo(preferredStartDir_).isDir();
    const QString startDir = preferredExists ? preferredStartDir_ : cfg_.saveDirectory();
    dialogs_.pickFolder(prompt, startDir, std::move(done));
}

void SandboxFolderAccess::changeSaveFolder(std::function<void(bool chosen)> done) {
    pickFolder(QStringLiteral("Choose a new folder for Mebo"),
               [this, done = std::move(done)](std::optional<QString> folder) {
                   if (!folder || folder->isEmpty()) {
                       done(false);
                       return;
                   }
                   const QString chosen = QDir::cleanPath(QFileInfo(*folder).absoluteFilePath());
                   currentFolder_ = chosen;
                   if (normalisedPath(chosen) != normalisedPath(cfg_.saveDirectory())) {
                       cfg_.setSaveDirectory(chosen);
                       events_.postSaveDirectoryChanged(cfg_.saveDirectory());
                   }
                   done(true);
               });
}

} // namespace mebo
