#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace mebo {

// The publisher's Ed25519 public key as it is built in (base64 of 32 bytes). Its key id plays
// the part of a signing team's identifier: ten upper-case hexadecimal digits, the first five
// bytes of the key's SHA-256.
class PublisherKey {
public:
    static std::optional<PublisherKey> fromBase64(const QString& text);
    static std::optional<PublisherKey> fromBytes(const QByteArray& bytes);

    const QByteArray& bytes() const { return bytes_; }
    QString base64() const { return QString::fromLatin1(bytes_.toBase64()); }
    QString keyId() const;
    static QString keyIdOf(const QByteArray& publicKey);

private:
    explicit PublisherKey(QByteArray bytes) : bytes_(std::move(bytes)) {}
    QByteArray bytes_;
};

} // namespace mebo
