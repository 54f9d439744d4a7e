#include "services/CodeSignature.h"

#include "platform/CodeSigning.h"
#include "services/PublisherKey.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <unistd.h>

namespace mebo {

namespace {

QString linkText(const QString& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer - 1);
    return n > 0 ? QFile::decodeName(QByteArray(buffer, int(n))) : QString();
}

std::optional<QByteArray> sha256(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f)) {
        return std::nullopt;
    }
    return hash.result().toHex();
}

} // namespace

QString CodeSignature::requirementText(const QString& teamId) {
    return QStringLiteral("publisher key id = \"%1\"").arg(teamId);
}

QByteArray CodeSignature::buildManifest(const QString& appPath, QString* error) {
    const QDir app(appPath);
    const QString root = QDir::cleanPath(app.absolutePath());
    QJsonObject files;
    QJsonObject links;
    QDirIterator it(appPath, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString relative = app.relativeFilePath(entry.filePath());
        if (relative == signatureDir() || relative.startsWith(signatureDir() + QLatin1Char('/'))) {
            continue;
        }
        if (entry.isSymLink()) {
            const QString target = linkText(entry.filePath());
            const QString resolved = QDir::cleanPath(QDir(entry.absolutePath()).filePath(target));
            if (target.isEmpty() || QDir::isAbsolutePath(target) ||
                !(resolved == root || resolved.startsWith(root + QLatin1Char('/')))) {
                if (error) {
                    *error = QStringLiteral("%1 links outside the application (to %2)").arg(relative, target);
                }
                return {};
            }
            links.insert(relative, target);
            continue;
        }
        if (entry.isDir()) {
            continue;
        }
        if (!entry.isFile()) {
            if (error) {
                *error = QStringLiteral("%1 is not a file").arg(relative);
            }
            return {};
        }
        const auto hash = sha256(entry.filePath());
        if (!hash) {
            if (error) {
                *error = QStringLiteral("%1 cannot be read").arg(relative);
            }
            return {};
        }
        files.insert(relative, QJsonObject{{QStringLiteral("sha256"), QString::fromLatin1(*hash)},
                                           {QStringLiteral("size"), double(entry.size())},
                                           {QStringLiteral("executable"), entry.isExecutable()}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("files"), files}, {QStringLiteral("links"), links}})
        .toJson(QJsonDocument::Compact);
}

QByteArray CodeSignature::signatureFile(const QByteArray& signature, const QByteArray& publicKey) {
    return QJsonDocument(
               QJsonObject{{QStringLiteral("keyId"), PublisherKey::keyIdOf(publicKey)},
                           {QStringLiteral("signature"), QString::fromLatin1(signature.toBase64())}})
        .toJson(QJsonDocument::Compact);
}

int CodeSignature::check(const QString& appPath, const QString& teamId, const PublisherKey* pinned,
                         const platform::CodeSigning& signing) {
    if (!QFileInfo(appPath).isDir()) {
        return staticCodeNotFound;
    }
    if (!pinned || pinned->keyId() != teamId) {
        return requirementInvalid;
    }
    QFile manifestFile(QDir(appPath).filePath(manifestPath()));
    QFile sigFile(QDir(appPath).filePath(signaturePath()));
    if (!manifestFile.open(QIODevice::ReadOnly) || !sigFile.open(QIODevice::ReadOnly)) {
        return unsigned_;
    }
    const QByteArray manifest = manifestFile.readAll();
    QJsonParseError parseError{};
    const QJsonDocument sig = QJsonDocument::fromJson(sigFile.read(64 * 1024), &parseError);
    if (parseError.error != QJsonParseError::NoError || !sig.isObject() ||
        !sig.object().value(QStringLiteral("keyId")).isString() ||
        !sig.object().value(QStringLiteral("signature")).isString()) {
        return badDictionaryFormat;
    }
    if (sig.object().value(QStringLiteral("keyId")).toString() != teamId) {
        return requirementFailed;
    }
    const auto bytes =
        QByteArray::fromBase64Encoding(sig.object().value(QStringLiteral("signature")).toString().toLatin1(),
                                       QByteArray::AbortOnBase64DecodingErrors);
    if (!bytes || !signing.verify(manifest, *bytes, pinned->bytes())) {
        return signatureFailed;
    }
    QString why;
    const QByteArray actual = buildManifest(appPath, &why);
    if (actual.isEmpty() || actual != manifest) {
        return badResource;
    }
    return valid;
}

} // namespace mebo
