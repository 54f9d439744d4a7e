#pragma once

#include <QByteArray>
#include <QString>

namespace mebo {

class PublisherKey;
namespace platform {
class CodeSigning;
}

// The signature of an application folder (Name.app): Contents/_CodeSignature/CodeResources is a
// manifest of every file and link in the folder (path, size, SHA-256, executable bit; link
// targets), Contents/_CodeSignature/CodeSignature holds the publisher's key id and the Ed25519
// signature of the manifest's exact bytes. A check rebuilds the manifest from the folder, so a
// file added, removed, changed or made executable breaks it. Statuses follow the code-signing
// service's numbers (0 is valid). Blocking; any thread.
class CodeSignature {
public:
    enum Status : int {
        valid = 0,
        staticCodeNotFound = -67068,
        unsigned_ = -67062,
        signatureFailed = -67061,
        badDictionaryFormat = -67058,
        badResource = -67054,
        requirementInvalid = -67052,
        requirementFailed = -67050,
    };

    static QString signatureDir() { return QStringLiteral("Contents/_CodeSignature"); }
    static QString manifestPath() { return QStringLiteral("Contents/_CodeSignature/CodeResources"); }
    static QString signaturePath() { return QStringLiteral("Contents/_CodeSignature/CodeSignature"); }

    // The requirement the installer states: signed by the key whose id is `teamId`.
    static QString requirementText(const QString& teamId);

    // Checks `appPath` against the requirement "signed by `teamId`", verifying with `pinned` (the
    // key built into Mebo, whose id must be `teamId`).
    static int check(const QString& appPath, const QString& teamId, const PublisherKey* pinned,
                     const platform::CodeSigning& signing);

    // The manifest of the folder as it is (canonical JSON, keys sorted), or empty with the reason
    // in `error` (unreadable files, links leaving the folder).
    static QByteArray buildManifest(const QString& appPath, QString* error);
    // The signature file for `manifest` signed with a 64-byte secret key whose public half is
    // `publicKey`.
    static QByteArray signatureFile(const QByteArray& signature, const QByteArray& publicKey);
};

} // namespace mebo
