#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace mebo::platform {

// Ed25519 signatures: pure Ed25519 over the whole message (not the pre-hashed variant), 64-byte
// signatures, 32-byte public keys. Updates and the hotkey companion are checked against the
// publisher's pinned key with it. Stateless; any thread.
class CodeSigning {
public:
    static constexpr int publicKeyBytes = 32;
    static constexpr int signatureBytes = 64;

    virtual ~CodeSigning() = default;
    // Whether `signature` is `publicKey`'s signature of `message`; false for keys or signatures
    // of the wrong length.
    virtual bool verify(QByteArrayView message, const QByteArray& signature,
                        const QByteArray& publicKey) const = 0;
};

} // namespace mebo::platform
