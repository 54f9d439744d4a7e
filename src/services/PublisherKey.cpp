#include "services/PublisherKey.h"

#include "platform/CodeSigning.h"

#include <QCryptographicHash>

namespace mebo {

std::optional<PublisherKey> PublisherKey::fromBase64(const QString& text) {
    const auto decoded =
        QByteArray::fromBase64Encoding(text.trimmed().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return std::nullopt;
    }
    return fromBytes(*decoded);
}

std::optional<PublisherKey> PublisherKey::fromBytes(const QByteArray& bytes) {
    if (bytes.size() != platform::CodeSigning::publicKeyBytes) {
        return std::nullopt;
    }
    return PublisherKey(bytes);
}

QString PublisherKey::keyId() const {
    return keyIdOf(bytes_);
}

QString PublisherKey::keyIdOf(const QByteArray& publicKey) {
    return QString::fromLatin1(
        QCryptographicHash::hash(publicKey, QCryptographicHash::Sha256).left(5).toHex().toUpper());
}

} // namespace mebo
