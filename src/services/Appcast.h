#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace mebo {

// One release of an update feed (an RSS 2.0 <item> in the Sparkle appcast form).
struct AppcastItem {
    QString title;
    QString version;      // sparkle:version: the build number
    QString shortVersion; // sparkle:shortVersionString: the version people read
    QString releaseNotesLink;
    QString description;
    QDateTime pubDate;
    QUrl enclosureUrl;
    qint64 enclosureLength = -1; // bytes; -1 when the feed does not say
    QString enclosureType;
    QString edSignature; // base64 Ed25519 signature of the whole archive

    // The short version when the feed gives one, else the build number.
    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }
    // Whether this release is newer than the running `version` / `build`: the short versions
    // decide, the build numbers only when those are equal or missing.
    bool isNewerThan(const QString& version, const QString& build) const;
};

// The appcast: items in feed order. Version attributes may sit on the item or, in older feeds,
// on its enclosure; both are read.
class Appcast {
public:
    static constexpr const char* sparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";

    static Result<QList<AppcastItem>> parse(const QByteArray& xml);
    // The newest item that has a download, if any.
    static std::optional<AppcastItem> newest(const QList<AppcastItem>& items);
};

} // namespace mebo
