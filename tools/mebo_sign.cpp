// mebo-sign: the publisher's side of update and companion signatures (Ed25519).
#include "platform/sodium/SodiumCodeSigning.h"
#include "services/CodeSignature.h"
#include "services/PublisherKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

using namespace mebo;

namespace {

const char* kHelp = R"(Usage: mebo-sign keygen SECRET-FILE
       mebo-sign public-key SECRET-FILE
       mebo-sign key-id SECRET-FILE
       mebo-sign sign FILE --key SECRET-FILE
       mebo-sign sign-app APP-FOLDER --key SECRET-FILE
       mebo-sign verify FILE --signature BASE64 --public-key BASE64

keygen writes a new secret key (base64, mode 600) and SECRET-FILE.pub (the public key Mebo is
built with: -DMEBO_PUBLISHER_KEY=...). sign prints FILE's signature (base64, pure Ed25519 over
all its bytes), as an appcast's sparkle:edSignature. sign-app writes the application folder's
Contents/_CodeSignature (manifest and signature). key-id prints the key's id, which stands for
the signing team.
)";

void out(const QString& text) {
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
}

int fail(const QString& text) {
    std::fprintf(stderr, "mebo-sign: %s\n", text.toUtf8().constData());
    return 1;
}

std::optional<platform::sodium::KeyPair> readKey(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the key %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    const auto secret =
        QByteArray::fromBase64Encoding(f.readAll().trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    auto keys = secret ? platform::sodium::keyPairFromSecret(*secret) : std::nullopt;
    if (!keys) {
        *error = QStringLiteral("%1 is not a secret key made by 'mebo-sign keygen'").arg(path);
    }
    return keys;
}

bool writeFile(const QString& path, const QByteArray& data, QFileDevice::Permissions permissions,
               QString* error) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    QFile::setPermissions(path, permissions);
    return true;
}

QString option(const QStringList& args, const QString& name) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

std::optional<QByteArray> readAll(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    return f.readAll();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    const QString target = args.value(1);
    QString error;
    if (command.isEmpty() || command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kHelp, stdout);
        return command.isEmpty() ? 2 : 0;
    }
    if (target.isEmpty()) {
        return fail(QStringLiteral("%1 needs a file (see 'mebo-sign --help')").arg(command));
    }
    if (command == QLatin1String("keygen")) {
        if (QFileInfo::exists(target)) {
            return fail(QStringLiteral("%1 exists; a key is never overwritten").arg(target));
        }
        const auto keys = platform::sodium::generateKeyPair();
        if (!writeFile(target, keys.secretKey.toBase64() + '\n', QFile::ReadOwner | QFile::WriteOwner,
                       &error) ||
            !writeFile(target + QStringLiteral(".pub"), keys.publicKey.toBase64() + '\n',
                       QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther, &error)) {
            return fail(error);
        }
        out(QStringLiteral("public key %1 (key id %2)")
                .arg(QString::fromLatin1(keys.publicKey.toBase64()), PublisherKey::keyIdOf(keys.publicKey)));
        return 0;
    }
    if (command == QLatin1String("verify")) {
        const auto data = readAll(target, &error);
        const auto key = PublisherKey::fromBase64(option(args, QStringLiteral("--public-key")));
        const QByteArray signature =
            QByteArray::fromBase64(option(args, QStringLiteral("--signature")).toLatin1());
        if (!data || !key) {
            return fail(data ? QStringLiteral("--public-key is not a public key") : error);
        }
        if (!platform::SodiumCodeSigning().verify(*data, signature, key->bytes())) {
            return fail(QStringLiteral("%1: the signature does not match").arg(target));
        }
        out(QStringLiteral("%1: signature valid (key id %2)").arg(target, key->keyId()));
        return 0;
    }
    const QString keyFile = (command == QLatin1String("public-key") || command == QLatin1String("key-id"))
                                ? target
                                : option(args, QStringLiteral("--key"));
    if (keyFile.isEmpty()) {
        return fail(QStringLiteral("%1 needs --key SECRET-FILE").arg(command));
    }
    const auto keys = readKey(keyFile, &error);
    if (!keys) {
        return fail(error);
    }
    if (command == QLatin1String("public-key")) {
        out(QString::fromLatin1(keys->publicKey.toBase64()));
        return 0;
    }
    if (command == QLatin1String("key-id")) {
        out(PublisherKey::keyIdOf(keys->publicKey));
        return 0;
    }
    if (command == QLatin1String("sign")) {
        QFile f(target);
        if (!f.open(QIODevice::ReadOnly)) {
            return fail(QStringLiteral("cannot read %1: %2").arg(target, f.errorString()));
        }
        const uchar* bytes = f.size() > 0 ? f.map(0, f.size()) : nullptr;
        if (f.size() > 0 && !bytes) {
            return fail(QStringLiteral("cannot map %1: %2").arg(target, f.errorString()));
        }
        const QByteArray signature = platform::sodium::sign(
            QByteArrayView(reinterpret_cast<const char*>(bytes), f.size()), keys->secretKey);
        out(QString::fromLatin1(signature.toBase64()));
        return 0;
    }
    if (command == QLatin1String("sign-app")) {
        const QString signatureDir = QDir(target).filePath(CodeSignature::signatureDir());
        QDir(signatureDir).removeRecursively();
        const QByteArray manifest = CodeSignature::buildManifest(target, &error);
        if (manifest.isEmpty()) {
            return fail(error.isEmpty() ? QStringLiteral("%1 is not a folder").arg(target) : error);
        }
        QDir().mkpath(signatureDir);
        const QByteArray signature = platform::sodium::sign(manifest, keys->secretKey);
        const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        if (!writeFile(QDir(target).filePath(CodeSignature::manifestPath()), manifest, readable, &error) ||
            !writeFile(QDir(target).filePath(CodeSignature::signaturePath()),
                       CodeSignature::signatureFile(signature, keys->publicKey), readable, &error)) {
            return fail(error);
        }
        out(QStringLiteral("signed %1 (key id %2)").arg(target, PublisherKey::keyIdOf(keys->publicKey)));
        return 0;
    }
    return fail(QStringLiteral("unknown command '%1' (see 'mebo-sign --help')").arg(command));
}
