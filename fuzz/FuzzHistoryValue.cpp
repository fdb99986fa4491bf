#include "store/StatusStore.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

// Input: the config key, a newline, then what `tovi config get` printed. A value is read
// only from a JSON object that has the key; every failure names the key, because that
// text is what the user sees.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf('\n');
    if (newline < 0)
        return 0;
    const QString key = QString::fromUtf8(input.left(newline));
    const QByteArray output = input.mid(newline + 1);

    const tovi::Result<bool> disabled = tovi::StatusStore::readHistoryDisabled(output, key);
    const QJsonDocument document = QJsonDocument::fromJson(output);
    if (disabled.ok()) {
        if (!document.isObject() || !document.object().contains(key))
            std::abort();
        const QJsonValue value = document.object().value(key);
        if (value.isBool() && value.toBool() != disabled.value())
            std::abort();
    } else if (!disabled.error().description().contains(key)) {
        std::abort();
    }
    return 0;
}
