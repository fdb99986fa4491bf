#include "model/Decoding.h"

#include <cstdint>
#include <cstdlib>

// The key rule is a normal form: converting a converted key changes nothing, and the
// leading and trailing underscores survive untouched.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString key = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString once = tovi::convertWireKey(key);
    if (tovi::convertWireKey(once) != once)
        std::abort();
    qsizetype lead = 0;
    while (lead < key.size() && key[lead] == QLatin1Char('_'))
        ++lead;
    if (lead < key.size() && !once.startsWith(QString(lead, QLatin1Char('_'))))
        std::abort();
    return 0;
}
