#include "services/ServiceFixtures.h"

#include "services/ChildProcess.h"

#include <QFile>

namespace mebo::test {

const platform::sodium::KeyPair& publisherKeys() {
    static const auto keys = platform::sodium::generateKeyPair();
    return keys;
}

const platform::sodium::KeyPair& foreignKeys() {
    static const auto keys = platform::sodium::generateKeyPair();
    return keys;
}

QString publisherKeyBase64() {
    return QString::fromLatin1(publisherKeys().publicKey.toBase64());
}

bool writeFile(const QString& path, const QByteArray& data, bool executable) {
    writeBytes(path, data);
    const auto exec = executable ? QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther : QFile::Permissions();
    return QFile::setPermissions(path, QFile::permissions(path) | exec);
}

QByteArray programScript(const QString& version, const QString& body) {
    return QStringLiteral(
               "#!/bin/sh\nif [ \"$1\" = --version ]; then echo \"mebo %1 (build 7)\"; exit 0; fi\n%2\n")
        .arg(version, body)
        .toUtf8();
}

QString makeInstallTree(const QString& dir, const QString& version, const QByteArray& program) {
    const QString root = QDir(dir).filePath(QStringLiteral("mebo-") + version);
    QDir().mkpath(root + QStringLiteral("/lib/mebo"));
    writeFile(root + QStringLiteral("/lib/mebo/module.so"), "module " + version.toUtf8());
    writeFile(root + QStringLiteral("/bin/mebo"), program, true);
    return root + QStringLiteral("/bin/mebo");
}

QByteArray makeReleaseArchive(const QString& version, const QByteArray& program) {
    QTemporaryDir work;
    makeInstallTree(work.path(), version, program);
    const QString archive = work.filePath(QStringLiteral("release.tar.gz"));
    ChildProcess::run(QStringLiteral("/bin/tar"),
                      {QStringLiteral("-czf"), archive, QStringLiteral("-C"), work.path(),
                       QStringLiteral("mebo-") + version},
                      60000);
    return fileBytes(archive);
}

QString appcastItem(const QString& version, const QString& build, const QString& url, qint64 length,
                    const QString& signature) {
    return QStringLiteral("<item><title>Mebo %1</title><sparkle:version>%2</sparkle:version>"
                          "<sparkle:shortVersionString>%1</sparkle:shortVersionString>"
                          "<enclosure url=\"%3\" length=\"%4\" type=\"application/gzip\" "
                          "sparkle:edSignature=\"%5\"/></item>")
        .arg(version, build, url)
        .arg(length)
        .arg(signature);
}

QByteArray appcast(const QStringList& items) {
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\" "
                           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
                           "<title>Mebo</title>") +
            items.join(QString()) + QStringLiteral("</channel></rss>"))
        .toUtf8();
}

} // namespace mebo::test
