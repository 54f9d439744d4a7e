#include "services/Appcast.h"

#include "services/VersionComparator.h"

#include <QLocale>
#include <QXmlStreamReader>

namespace mebo {

namespace {

const QString kSparkle = QString::fromLatin1(Appcast::sparkleNamespace);

// RFC 2822 dates ("Tue, 04 Jun 2024 10:00:00 +0000"); a missing day name is allowed.
QDateTime parsePubDate(const QString& text) {
    QDateTime when = QDateTime::fromString(text.trimmed(), Qt::RFC2822Date);
    if (!when.isValid()) {
        when = QLocale::c().toDateTime(text.trimmed(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss t"));
    }
    return when;
}

void readEnclosure(QXmlStreamReader& xml, AppcastItem& item) {
    const QXmlStreamAttributes a = xml.attributes();
    item.enclosureUrl = QUrl(a.value(QStringLiteral("url")).toString().trimmed());
    bool ok = false;
    const qint64 length = a.value(QStringLiteral("length")).toLongLong(&ok);
    item.enclosureLength = ok && length >= 0 ? length : -1;
    item.enclosureType = a.value(QStringLiteral("type")).toString();
    item.edSignature = a.value(kSparkle, QStringLiteral("edSignature")).toString().trimmed();
    if (item.version.isEmpty()) {
        item.version = a.value(kSparkle, QStringLiteral("version")).toString().trimmed();
    }
    if (item.shortVersion.isEmpty()) {
        item.shortVersion = a.value(kSparkle, QStringLiteral("shortVersionString")).toString().trimmed();
    }
}

AppcastItem readItem(QXmlStreamReader& xml) {
    AppcastItem item;
    while (xml.readNextStartElement()) {
        const auto ns = xml.namespaceUri();
        const auto name = xml.name();
        if (ns.isEmpty() && name == QLatin1String("enclosure")) {
            readEnclosure(xml, item);
            xml.skipCurrentElement();
        } else if (ns.isEmpty() && name == QLatin1String("title")) {
            item.title = xml.readElementText().trimmed();
        } else if (ns.isEmpty() && name == QLatin1String("description")) {
            item.description = xml.readElementText().trimmed();
        } else if (ns.isEmpty() && name == QLatin1String("pubDate")) {
            item.pubDate = parsePubDate(xml.readElementText());
        } else if (ns == kSparkle && name == QLatin1String("version")) {
            item.version = xml.readElementText().trimmed();
        } else if (ns == kSparkle && name == QLatin1String("shortVersionString")) {
            item.shortVersion = xml.readElementText().trimmed();
        } else if (ns == kSparkle && name == QLatin1String("releaseNotesLink")) {
            item.releaseNotesLink = xml.readElementText().trimmed();
        } else {
            xml.skipCurrentElement();
        }
    }
    return item;
}

} // namespace

bool AppcastItem::isNewerThan(const QString& runningVersion, const QString& runningBuild) const {
    if (!shortVersion.isEmpty()) {
        const int c = VersionComparator::compare(shortVersion, runningVersion);
        if (c != 0) {
            return c > 0;
        }
        return !version.isEmpty() && VersionComparator::compare(version, runningBuild) > 0;
    }
    // Without a short version the build number is all the feed says.
    return !version.isEmpty() && VersionComparator::compare(version, runningBuild) > 0 &&
           VersionComparator::compare(version, runningVersion) > 0;
}

Result<QList<AppcastItem>> Appcast::parse(const QByteArray& data) {
    QXmlStreamReader xml(data);
    QList<AppcastItem> items;
    bool sawRss = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QLatin1String("rss")) {
            sawRss = true;
        } else if (xml.name() == QLatin1String("item") && xml.namespaceUri().isEmpty()) {
            items << readItem(xml);
        }
    }
    if (xml.hasError()) {
        return Result<QList<AppcastItem>>::fail(
            QStringLiteral("the update feed is not valid XML (line %1: %2)")
                .arg(xml.lineNumber())
                .arg(xml.errorString()));
    }
    if (!sawRss) {
        return Result<QList<AppcastItem>>::fail(QStringLiteral("the update feed is not an RSS feed"));
    }
    return Result<QList<AppcastItem>>::ok(items);
}

std::optional<AppcastItem> Appcast::newest(const QList<AppcastItem>& items) {
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items) {
        if (!item.enclosureUrl.isValid() || item.enclosureUrl.isEmpty()) {
            continue;
        }
        if (!best) {
            best = item;
            continue;
        }
        int c = VersionComparator::compare(item.displayVersion(), best->displayVersion());
        if (c == 0) {
            c = VersionComparator::compare(item.version, best->version);
        }
        if (c > 0) {
            best = item;
        }
    }
    return best;
}

} // namespace mebo
