#include "model/Decoding.h"

#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>

// Whatever the CLI prints, decoding ends in a value or an error with a message; a success
// is only possible for a document whose top level is an object.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto result = tovi::decodeInternalStatus(bytes);
    if (result.ok()) {
        if (!QJsonDocument::fromJson(bytes).isObject())
            std::abort();
    } else if (result.error().description().isEmpty()) {
        std::abort();
    }
    return 0;
}
