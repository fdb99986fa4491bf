#include "bridge/DaemonStateProbe.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

// A pid is accepted only from a trimmed, plain base-10 number that fits in 32 bits.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto pid = tovi::parsePidFileContents(bytes);
    if (!pid)
        return 0;
    static const QRegularExpression plain(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = QString::fromUtf8(bytes).trimmed();
    if (!plain.match(trimmed).hasMatch())
        std::abort();
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    if (ok && value != *pid)
        std::abort();
    return 0;
}
