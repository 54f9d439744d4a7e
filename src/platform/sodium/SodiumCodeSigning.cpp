#include "platform/sodium/SodiumCodeSigning.h"

#include <sodium.h>

namespace mebo::platform {

namespace {

// sodium_init is thread-safe and idempotent; it only has to run before the first call.
void ensureSodium() {
    static const int ready = sodium_init();
    (void)ready;
}

} // namespace

SodiumCodeSigning::SodiumCodeSigning() {
    ensureSodium();
}

bool SodiumCodeSigning::verify(QByteArrayView message, const QByteArray& signature,
                               const QByteArray& publicKey) const {
    if (signature.size() != crypto_sign_BYTES || publicKey.size() != crypto_sign_PUBLICKEYBYTES) {
        return false;
    }
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                       reinterpret_cast<const unsigned char*>(message.data()),
                                       static_cast<unsigned long long>(message.size()),
                                       reinterpret_cast<const unsigned char*>(publicKey.constData())) == 0;
}

namespace sodium {

KeyPair generateKeyPair() {
    ensureSodium();
    KeyPair keys;
    keys.publicKey.resize(crypto_sign_PUBLICKEYBYTES);
    keys.secretKey.resize(crypto_sign_SECRETKEYBYTES);
    crypto_sign_keypair(reinterpret_cast<unsigned char*>(keys.publicKey.data()),
                        reinterpret_cast<unsigned char*>(keys.secretKey.data()));
    return keys;
}

std::optional<KeyPair> keyPairFromSecret(const QByteArray& secret) {
    ensureSodium();
    QByteArray seed;
    if (secret.size() == crypto_sign_SECRETKEYBYTES) {
        seed = secret.left(crypto_sign_SEEDBYTES);
    } else if (secret.size() == crypto_sign_SEEDBYTES) {
        seed = secret;
    } else {
        return std::nullopt;
    }
    KeyPair keys;
    keys.publicKey.resize(crypto_sign_PUBLICKEYBYTES);
    keys.secretKey.resize(crypto_sign_SECRETKEYBYTES);
    crypto_sign_seed_keypair(reinterpret_cast<unsigned char*>(keys.publicKey.data()),
                             reinterpret_cast<unsigned char*>(keys.secretKey.data()),
                             reinterpret_cast<const unsigned char*>(seed.constData()));
    // A 64-byte secret whose public half does not belong to its seed is not a key.
    if (secret.size() == crypto_sign_SECRETKEYBYTES && secret != keys.secretKey) {
        return std::nullopt;
    }
    return keys;
}

QByteArray sign(QByteArrayView message, const QByteArray& secretKey) {
    ensureSodium();
    if (secretKey.size() != crypto_sign_SECRETKEYBYTES) {
        return {};
    }
    QByteArray signature(crypto_sign_BYTES, Qt::Uninitialized);
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(message.data()),
                         static_cast<unsigned long long>(message.size()),
                         reinterpret_cast<const unsigned char*>(secretKey.constData()));
    return signature;
}

} // namespace sodium
} // namespace mebo::platform
