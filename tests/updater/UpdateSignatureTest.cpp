#include "updater/UpdateSignature.h"
#include "TestKeys.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tovi::UpdateSignature;
using tovi::test::TestKeys;

TEST(UpdateSignature, AcceptsOnlyTheExactBytesSignedByTheMatchingKey) {
    TestKeys keys;
    TestKeys otherKeys;
    const QByteArray data = QByteArray(100000, 'x') + "payload";
    const QByteArray signature = keys.signBase64(data);

    EXPECT_TRUE(UpdateSignature::verify(data, signature, keys.publicKeyBase64()).ok());

    QByteArray flipped = data;
    flipped[5] = 'y';
    EXPECT_FALSE(UpdateSignature::verify(flipped, signature, keys.publicKeyBase64()).ok());
    EXPECT_FALSE(UpdateSignature::verify(data, signature, otherKeys.publicKeyBase64()).ok());
    EXPECT_FALSE(UpdateSignature::verify(data, otherKeys.signBase64(data), keys.publicKeyBase64()).ok());

    // The empty file is a message like any other.
    EXPECT_TRUE(
        UpdateSignature::verify(QByteArray(), keys.signBase64(QByteArray()), keys.publicKeyBase64()).ok());
    EXPECT_FALSE(UpdateSignature::verify(QByteArray(), signature, keys.publicKeyBase64()).ok());
}

TEST(UpdateSignature, RefusesMissingOrMalformedKeysAndSignatures) {
    TestKeys keys;
    const QByteArray data = "payload";
    const QByteArray signature = keys.signBase64(data);
    const QByteArray key = keys.publicKeyBase64();
    const std::pair<QByteArray, QByteArray> bad[] = {
        {signature, ""},                                              // no key compiled in
        {signature, QByteArray(16, 'A').toBase64()},                  // key of the wrong size
        {"", key},                                                    // unsigned
        {QByteArray::fromBase64(signature).left(63).toBase64(), key}, // truncated signature
    };
    for (const auto& [sig, k] : bad) {
        SCOPED_TRACE(sig.toStdString() + " / " + k.toStdString());
        const auto checked = UpdateSignature::checkInputs(sig, k);
        ASSERT_FALSE(checked.ok());
        EXPECT_FALSE(checked.error().description().isEmpty());
        EXPECT_FALSE(UpdateSignature::verify(data, sig, k).ok());
    }
    EXPECT_TRUE(UpdateSignature::checkInputs(signature, key).ok());
    // Whitespace around base64 text (line ends in a config) does not matter.
    EXPECT_TRUE(UpdateSignature::verify(data, " " + signature + "\n", key + "\n").ok());
}
