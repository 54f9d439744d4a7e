#pragma once

#include "platform/Result.h"
#include "services/Appcast.h"

#include <QString>
#include <QStringList>

namespace mebo {

class PublisherKey;
namespace platform {
class CodeSigning;
}

// A downloaded release archive (mebo-VERSION-ARCH.tar.gz holding one folder mebo-VERSION/, an
// install tree): its check against the feed and its unpacking. Blocking; worker threads.
class UpdateArchive {
public:
    // Empty when the file has the feed's length (when the feed gives one) and carries the
    // publisher's Ed25519 signature over all its bytes; otherwise the reason, for the user.
    static QString verify(const QString& path, const AppcastItem& item, const PublisherKey* key,
                          const platform::CodeSigning& signing);

    // Unpacks the archive into `stagingDir` (which exists and is empty) after checking its
    // listing; answers the path of the unpacked install tree.
    static Result<QString> unpack(const QString& archivePath, const QString& stagingDir);

    // Empty when every listed name is relative, has no ".." and lies in one top folder (its
    // name goes to `top`); otherwise the reason.
    static QString checkEntryNames(const QStringList& names, QString* top);
    // Empty when no symbolic link under `root` points outside it; otherwise the reason.
    static QString checkLinksStayInside(const QString& root);
};

} // namespace mebo
