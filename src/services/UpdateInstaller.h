#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>

namespace mebo {

class InstallLocation;

// Puts an unpacked install tree in the place of the running one. The staging folder sits beside
// the install folder (one file system), so the swap is a rename: with renameat2's exchange it is
// atomic, otherwise two renames with the first undone when the second fails. The old tree stays
// in the staging folder ("previous") until the new version has started. Blocking; any thread.
class UpdateInstaller {
public:
    static constexpr const char* stagingPrefix = ".mebo-update-";

    // A new, empty staging folder beside `location`'s root.
    static Result<QString> createStagingDir(const InstallLocation& location);
    static QString previousTree(const QString& stagingDir);
    static QString failedTree(const QString& stagingDir);

    // Afterwards `root` holds `newTree` and `previous` the old tree. Empty on success, else the
    // reason (nothing changed then).
    static QString swapIn(const QString& root, const QString& newTree, const QString& previous);
    // The reverse: `root` gets `previous` back and the tree that failed moves to `failed`.
    static QString swapBack(const QString& root, const QString& previous, const QString& failed);
    // Whether `root`'s program starts and reports `version` ("mebo VERSION (build …)").
    static QString checkStarts(const QString& root, const QString& version, int timeoutMs);
    // Removes staging folders of earlier updates that no guard looks after any more.
    static void removeStaleStaging(const InstallLocation& location);
    static bool removeTree(const QString& path);
};

} // namespace mebo
