#pragma once

#include <QString>

namespace mebo {

// A rename is durable only once the folder holding the new name reaches the disk: without this a
// power cut can lose a file the user was told is saved, though its data was synced.
namespace FolderSync {
// Syncs the folder `path` lies in. False when the folder cannot be opened or synced.
bool syncFolderOf(const QString& path);
} // namespace FolderSync

} // namespace mebo
