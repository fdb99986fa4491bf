#include "TestKeys.h"

namespace tovi::test {

TestKeys::TestKeys() {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    EVP_PKEY_keygen_init(ctx);
    EVP_PKEY_keygen(ctx, &m_key);
    EVP_PKEY_CTX_free(ctx);
}

TestKeys::~TestKeys() {
    EVP_PKEY_free(m_key);
}

QByteArray TestKeys::publicKeyBase64() const {
    unsigned char raw[32];
    size_t size = sizeof raw;
    EVP_PKEY_get_raw_public_key(m_key, raw, &size);
    return QByteArray(reinterpret_cast<const char*>(raw), qsizetype(size)).toBase64();
}

QByteArray TestKeys::signBase64(const QByteArray& data) const {
    unsigned char signature[64];
    size_t size = sizeof signature;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, m_key);
    EVP_DigestSign(ctx, signature, &size, reinterpret_cast<const unsigned char*>(data.constData()),
                   size_t(data.size()));
    EVP_MD_CTX_free(ctx);
    return QByteArray(reinterpret_cast<const char*>(signature), qsizetype(size)).toBase64();
}

} // namespace tovi::test
