#pragma once

#include <QByteArray>

#include <openssl/evp.h>

namespace tovi::test {

// A throwaway Ed25519 key pair, made fresh for each test run.
class TestKeys {
public:
    TestKeys();
    ~TestKeys();
    TestKeys(const TestKeys&) = delete;
    TestKeys& operator=(const TestKeys&) = delete;

    QByteArray publicKeyBase64() const;
    QByteArray signBase64(const QByteArray& data) const;

private:
    EVP_PKEY* m_key = nullptr;
};

} // namespace tovi::test
