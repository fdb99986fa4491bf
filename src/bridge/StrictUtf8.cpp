#include "bridge/StrictUtf8.h"

#include <QStringDecoder>

namespace tovi {

std::optional<QString> decodeUtf8Strictly(const QByteArray& bytes) {
    // Stateless: a sequence cut off at the end is an error, not state kept for a next call.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace tovi
