#include "model/Decoding.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdint>
#include <cstdlib>

// The first byte picks one of the account-command decoders; the rest is the document.
// Every failure must carry a message the window can show. Qt's parser refuses a number beyond
// a double's range, which the decoders take (refused as a count, ignored elsewhere).
template <typename R>
static void check(const R& result, bool wantArray, const QByteArray& bytes)
{
    if (result.ok()) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
        if (error.error != QJsonParseError::IllegalNumber && (wantArray ? !doc.isArray() : !doc.isObject()))
            std::abort();
    } else if (result.error().description().isEmpty()) {
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    switch (data[0] % 4) {
    case 0:
        check(tovi::decodeProfileList(bytes), true, bytes);
        break;
    case 1:
        check(tovi::decodeAccountMe(bytes), false, bytes);
        break;
    case 2:
        check(tovi::decodeLoginClaim(bytes), false, bytes);
        break;
    case 3:
        check(tovi::decodeClaimResult(bytes), false, bytes);
        break;
    }
    return 0;
}
