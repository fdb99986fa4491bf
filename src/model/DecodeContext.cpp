#include "model/DecodeContext.h"

namespace tovi::decoding {

bool DecodeContext::fail(QString message) {
    m_message = std::move(message);
    return false;
}

bool DecodeContext::typeMismatch(QLatin1StringView expected, const QCborValue& found) {
    return fail(QStringLiteral("expected ") + expected + QStringLiteral(", found ") + describe(found));
}

QString DecodeContext::errorText() const {
    QString path;
    for (auto it = m_path.rbegin(); it != m_path.rend(); ++it) {
        if (it->index >= 0) {
            path += QLatin1Char('[') + QString::number(it->index) + QLatin1Char(']');
        } else {
            if (!path.isEmpty())
                path += QLatin1Char('.');
            path += it->field;
        }
    }
    return path.isEmpty() ? m_message : path + QStringLiteral(": ") + m_message;
}

QString DecodeContext::describe(const QCborValue& value) {
    // Only the types a JSON document can produce: null, booleans, numbers, strings,
    // arrays and objects.
    if (value.isNull() || value.isUndefined())
        return QStringLiteral("null");
    if (value.isBool())
        return value.isTrue() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isInteger() || value.isDouble())
        return QStringLiteral("a number");
    if (value.isString())
        return QStringLiteral("a string");
    if (value.isArray())
        return QStringLiteral("an array");
    if (value.isMap())
        return QStringLiteral("an object");
    return QStringLiteral("an unsupported value");
}

} // namespace tovi::decoding
