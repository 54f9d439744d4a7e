#pragma once

#include "platform/CodeSigning.h"

#include <QByteArray>
#include <optional>

namespace mebo::platform {

// libsodium's Ed25519 (crypto_sign_verify_detached: pure Ed25519, one pass over the message).
class SodiumCodeSigning : public CodeSigning {
public:
    SodiumCodeSigning();
    bool verify(QByteArrayView message, const QByteArray& signature,
                const QByteArray& publicKey) const override;
};

// The publisher's side: key pairs and signatures, for the release tools and the tests.
namespace sodium {

struct KeyPair {
    QByteArray publicKey; // 32 bytes
    QByteArray secretKey; // 64 bytes (seed followed by the public key)
};

KeyPair generateKeyPair();
// A secret key of 64 bytes, or a 32-byte seed, gives its key pair; anything else nothing.
std::optional<KeyPair> keyPairFromSecret(const QByteArray& secret);
// The 64-byte signature of `message`.
QByteArray sign(QByteArrayView message, const QByteArray& secretKey);

} // namespace sodium
} // namespace mebo::platform
