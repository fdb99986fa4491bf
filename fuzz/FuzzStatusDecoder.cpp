#include "model/Decoding.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cstdint>
#include <cstdlib>

// Whatever the CLI prints, decoding ends in a value or an error with a message; a success
// is only possible for a document whose top level is an object. Qt's parser refuses a number
// beyond a double's range, which the decoder takes (refused as a count, ignored elsewhere).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto result = tovi::decodeInternalStatus(bytes);
    if (result.ok()) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
        if (!document.isObject() && error.error != QJsonParseError::IllegalNumber)
            std::abort();
    } else if (result.error().description().isEmpty()) {
        std::abort();
    }
    return 0;
}
