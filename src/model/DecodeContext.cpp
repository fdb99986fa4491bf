#include "model/DecodeContext.h"

namespace tovi::decoding {

bool DecodeContext::fail(QString message) {
    m_message = std::move(message);
    return false;
}

bool DecodeContext::typeMismatch(QLatin1StringView expected, const QJsonValue& found) {
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

QString DecodeContext::describe(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        return QStringLiteral("nothing");
    }
    return QStringLiteral("nothing");
}

} // namespace tovi::decoding
