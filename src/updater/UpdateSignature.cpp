#include "updater/UpdateSignature.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>
#include <optional>

namespace tovi {

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

std::optional<QByteArray> strictBase64(const QByteArray& text) {
    auto decoded = QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

Status verifyBytes(const unsigned char* data, size_t size, const QByteArray& signatureBase64,
                   const QByteArray& publicKeyBase64) {
    if (const Status usable = UpdateSignature::checkInputs(signatureBase64, publicKeyBase64); !usable)
        return usable;
    const QByteArray key = *strictBase64(publicKeyBase64);
    const QByteArray signature = *strictBase64(signatureBase64);
    std::unique_ptr<EVP_PKEY, PkeyFree> pkey(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key.constData()),
        size_t(key.size())));
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!pkey || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1)
        return Error::platform(QCoreApplication::translate(
            "UpdateSignature", "The update could not be verified, so it was not used."));
    // EVP_DigestVerify wants a non-null pointer even for an empty message.
    static const unsigned char empty = 0;
    const int verdict =
        EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                         size_t(signature.size()), size ? data : &empty, size);
    if (verdict != 1)
        return Error::platform(QCoreApplication::translate(
            "UpdateSignature", "The update's signature does not match, so the download was discarded."));
    return success();
}

} // namespace

Status UpdateSignature::checkInputs(const QByteArray& signatureBase64, const QByteArray& publicKeyBase64) {
    const auto key = strictBase64(publicKeyBase64);
    if (publicKeyBase64.trimmed().isEmpty() || !key || key->size() != 32)
        return Error::platform(
            tr("This copy of Tovi has no valid key to verify updates with, so the update was not used."));
    const auto signature = strictBase64(signatureBase64);
    if (signatureBase64.trimmed().isEmpty())
        return Error::platform(tr("The update is not signed, so it was not used."));
    if (!signature || signature->size() != 64)
        return Error::platform(tr("The update's signature is malformed, so the update was not used."));
    return success();
}

Status UpdateSignature::verify(const QByteArray& data, const QByteArray& signatureBase64,
                               const QByteArray& publicKeyBase64) {
    return verifyBytes(reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()),
                       signatureBase64, publicKeyBase64);
}

Status UpdateSignature::verifyFile(const QString& path, const QByteArray& signatureBase64,
                                   const QByteArray& publicKeyBase64) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error::platform(tr("The downloaded update could not be read: %1").arg(file.errorString()));
    // Ed25519 signs the whole message at once; mapping spares a copy of a large AppImage.
    const qint64 size = file.size();
    if (size == 0)
        return verifyBytes(nullptr, 0, signatureBase64, publicKeyBase64);
    const uchar* mapped = file.map(0, size);
    if (mapped)
        return verifyBytes(mapped, size_t(size), signatureBase64, publicKeyBase64);
    return verify(file.readAll(), signatureBase64, publicKeyBase64);
}

} // namespace tovi
