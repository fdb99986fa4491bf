#include "model/RecordDecoder.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace tovi {

QString convertWireKey(const QString& wireKey) {
    qsizetype begin = 0;
    qsizetype end = wireKey.size();
    while (begin < end && wireKey.at(begin) == QLatin1Char('_'))
        ++begin;
    while (end > begin && wireKey.at(end - 1) == QLatin1Char('_'))
        --end;
    const QStringView core = QStringView(wireKey).mid(begin, end - begin);
    if (!core.contains(QLatin1Char('_')))
        return wireKey;

    QString out = wireKey.left(begin);
    bool first = true;
    for (QStringView piece : core.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
        if (first) {
            out += piece.toString().toLower();
            first = false;
        } else {
            out += piece.left(1).toString().toUpper();
            out += piece.mid(1).toString().toLower();
        }
    }
    out += QStringView(wireKey).mid(end);
    return out;
}

namespace decoding {

bool decodeCount(std::int64_t& out, const QCborValue& value, DecodeContext& ctx) {
    static constexpr QLatin1StringView wholeNumber("a whole number");
    // Every number written as a whole value within range arrives as an integer (see
    // exactNumbers); a double here is a fraction or out of range, whatever it rounds to.
    if (value.isInteger()) {
        out = value.toInteger();
        return true;
    }
    if (!value.isDouble())
        return ctx.typeMismatch(wholeNumber, value);
    const double d = value.toDouble();
    if (d == std::numeric_limits<double>::denorm_min())
        return ctx.fail(QStringLiteral("expected ") + wholeNumber + QStringLiteral(", found a fraction"));
    const QString shown = QString::number(d, 'g', 15);
    if (std::trunc(d) != d)
        return ctx.fail(QStringLiteral("expected ") + wholeNumber + QStringLiteral(", found ") + shown);
    return ctx.fail(QStringLiteral("expected a whole number within the signed 64-bit range, found ") + shown);
}

namespace {

enum class NumberKind { Whole, Fraction, OutOfRange, Malformed };

// What a JSON number token stands for, decided from its digits: a double would round
// 9007199254740993.0 down and 4503599627370497.5 to a whole number. `whole` gets the
// value's integer text when it is a whole number within the signed 64-bit range.
NumberKind classifyNumber(std::string_view token, std::string& whole) {
    std::size_t i = 0;
    const bool negative = i < token.size() && token[i] == '-';
    if (negative)
        ++i;
    const auto digitsFrom = [&](std::size_t at) {
        std::size_t end = at;
        while (end < token.size() && token[end] >= '0' && token[end] <= '9')
            ++end;
        return end;
    };
    const std::size_t intEnd = digitsFrom(i);
    if (intEnd == i || (token[i] == '0' && intEnd - i > 1))
        return NumberKind::Malformed;
    std::string digits(token.substr(i, intEnd - i));
    i = intEnd;
    std::int64_t scale = 0;
    if (i < token.size() && token[i] == '.') {
        const std::size_t fracEnd = digitsFrom(i + 1);
        if (fracEnd == i + 1)
            return NumberKind::Malformed;
        digits += token.substr(i + 1, fracEnd - i - 1);
        scale -= std::int64_t(fracEnd - i - 1);
        i = fracEnd;
    }
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        const bool negativeExponent = i < token.size() && token[i] == '-';
        if (i < token.size() && (token[i] == '-' || token[i] == '+'))
            ++i;
        const std::size_t expEnd = digitsFrom(i);
        if (expEnd == i)
            return NumberKind::Malformed;
        std::int64_t exponent = 0;
        for (std::size_t k = i; k < expEnd; ++k) // saturates far beyond any digit count
            exponent = std::min<std::int64_t>(exponent * 10 + (token[k] - '0'), 1'000'000'000);
        scale += negativeExponent ? -exponent : exponent;
        i = expEnd;
    }
    if (i != token.size())
        return NumberKind::Malformed;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.empty()) {
        whole = "0";
        return NumberKind::Whole;
    }
    while (digits.back() == '0') {
        digits.pop_back();
        ++scale;
    }
    if (scale < 0)
        return NumberKind::Fraction;
    if (std::int64_t(digits.size()) + scale > 19)
        return NumberKind::OutOfRange;
    digits.append(std::size_t(scale), '0');
    const std::string_view limit = negative ? "9223372036854775808" : "9223372036854775807";
    if (digits.size() == limit.size() && digits > limit)
        return NumberKind::OutOfRange;
    whole = (negative ? "-" : "") + digits;
    return NumberKind::Whole;
}

// Qt's parser keeps only integers written as such exact and makes every other number a
// double, and it refuses one beyond a double's range. So each number token is decided here
// first: a whole value in range becomes its integer text; a fraction or an out-of-range
// value stays as written if its double still shows what it is, else it becomes a double
// that does (the least double for a fraction, the nearest double outside the range otherwise). The
// document is copied only when a token changes.
QByteArray exactNumbers(const QByteArray& json) {
    QByteArray out;
    qsizetype copied = 0;
    bool inString = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
            continue;
        }
        if (c != '-' && (c < '0' || c > '9'))
            continue;
        qsizetype end = i;
        while (end < json.size() && std::strchr("0123456789+-.eE", json.at(end)) && json.at(end) != '\0')
            ++end;
        const std::string_view token(json.constData() + i, std::size_t(end - i));
        std::string replacement;
        const NumberKind kind = classifyNumber(token, replacement);
        const bool plainInteger = token.find_first_of(".eE") == std::string_view::npos;
        if (kind == NumberKind::Whole && plainInteger)
            replacement.clear();
        if (kind == NumberKind::Fraction || kind == NumberKind::OutOfRange) {
            double d = 0;
            const auto parsed = std::from_chars(token.data(), token.data() + token.size(), d);
            const bool finite = parsed.ec == std::errc() && std::isfinite(d);
            constexpr double limit = 9223372036854775808.0; // 2^63
            if (kind == NumberKind::Fraction && !(finite && std::trunc(d) != d))
                replacement = "5e-324"; // the least double: a fraction Qt keeps as one
            if (kind == NumberKind::OutOfRange && !finite)
                replacement = token.front() == '-' ? "-1.7976931348623157e308" : "1.7976931348623157e308";
            else if (kind == NumberKind::OutOfRange && d >= -limit && d < limit)
                replacement = "-9223372036854777856"; // just below -2^63, where the token rounded
        }
        if (!replacement.empty()) {
            out.append(json.constData() + copied, i - copied);
            out.append(replacement.data(), qsizetype(replacement.size()));
            copied = end;
        }
        i = end - 1;
    }
    if (copied == 0)
        return json;
    out.append(json.constData() + copied, json.size() - copied);
    return out;
}

} // namespace

QCborValue parseDocument(const QByteArray& original, QString* error) {
    const QByteArray json = exactNumbers(original);
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error == QJsonParseError::NoError) {
        return doc.isArray() ? QCborValue(QCborArray::fromJsonArray(doc.array()))
                             : QCborValue(QCborMap::fromJsonObject(doc.object()));
    }

    if (json.trimmed().isEmpty()) {
        *error = QCoreApplication::translate("Decoding", "tovi printed no output where JSON was expected.");
        return {};
    }
    // Qt only accepts an object or an array at the top level. A lone scalar is still
    // well-formed JSON, and "found a number" says more than "illegal value".
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + json + ']');
    if (wrapped.isArray() && wrapped.array().size() == 1) {
        const QJsonValue scalar = wrapped.array().at(0);
        if (!scalar.isArray() && !scalar.isObject())
            return QCborValue::fromJsonValue(scalar);
    }
    // The place named is the one in what tovi printed, not in the rewritten copy.
    if (json != original)
        QJsonDocument::fromJson(original, &parseError);
    *error = QCoreApplication::translate("Decoding", "tovi's output isn't valid JSON (%1 at offset %2).")
                 .arg(parseError.errorString(), QString::number(parseError.offset));
    return {};
}

} // namespace decoding
} // namespace tovi
