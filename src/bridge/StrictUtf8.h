#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tovi {

// Decodes bytes that must be UTF-8 throughout: any invalid or truncated sequence gives
// nothing rather than a string with replacement characters in it. A leading byte-order
// mark is kept, so the text is exactly what was written.
std::optional<QString> decodeUtf8Strictly(const QByteArray& bytes);

} // namespace tovi
