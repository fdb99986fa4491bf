#pragma once

#include "model/Result.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

namespace tovi {

// Ed25519 checks of downloaded updates. Keys and signatures are base64 text as they
// appear in the build configuration and in the feed: a raw 32-byte public key and a
// 64-byte signature over the whole file.
class UpdateSignature {
    Q_DECLARE_TR_FUNCTIONS(UpdateSignature)
public:
    static Status verify(const QByteArray& data, const QByteArray& signatureBase64,
                         const QByteArray& publicKeyBase64);
    // Whether a key and a signature are there and well-formed at all, before anything
    // is downloaded.
    static Status checkInputs(const QByteArray& signatureBase64, const QByteArray& publicKeyBase64);
    static Status verifyFile(const QString& path, const QByteArray& signatureBase64,
                             const QByteArray& publicKeyBase64);
};

} // namespace tovi
