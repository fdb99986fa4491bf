#include "model/Decoding.h"

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

// Declared up front so that every use below sees the specialisation, not the template.
template <> const RecordTable<CLIInfo>& schema<CLIInfo>();
template <> const RecordTable<Account>& schema<Account>();
template <> const RecordTable<Space>& schema<Space>();
template <> const RecordTable<SpaceNode>& schema<SpaceNode>();
template <> const RecordTable<SpacesSection>& schema<SpacesSection>();
template <> const RecordTable<Nodes>& schema<Nodes>();
template <> const RecordTable<Credits>& schema<Credits>();
template <> const RecordTable<Usage>& schema<Usage>();
template <> const RecordTable<ByteCount>& schema<ByteCount>();
template <> const RecordTable<DriveSection>& schema<DriveSection>();
template <> const RecordTable<Notification>& schema<Notification>();
template <> const RecordTable<Notifications>& schema<Notifications>();
template <> const RecordTable<StatusSectionError>& schema<StatusSectionError>();
template <> const RecordTable<InternalStatus>& schema<InternalStatus>();
template <> const RecordTable<Profile>& schema<Profile>();
template <> const RecordTable<AccountMe>& schema<AccountMe>();
template <> const RecordTable<LoginClaim>& schema<LoginClaim>();
template <> const RecordTable<ClaimUser>& schema<ClaimUser>();
template <> const RecordTable<ClaimResult>& schema<ClaimResult>();

template <> const RecordTable<CLIInfo>& schema<CLIInfo>() {
    static const RecordTable<CLIInfo> table{
        field<&CLIInfo::currentVersion>("currentVersion"),
        field<&CLIInfo::latestVersion>("latestVersion"),
        field<&CLIInfo::updateAvailable>("updateAvailable"),
    };
    return table;
}

template <> const RecordTable<Account>& schema<Account>() {
    static const RecordTable<Account> table{
        field<&Account::userId>("userId"),
        field<&Account::email>("email"),
        field<&Account::name>("name"),
        field<&Account::team>("team"),
    };
    return table;
}

template <> const RecordTable<Space>& schema<Space>() {
    static const RecordTable<Space> table{
        field<&Space::id>("id"),
        field<&Space::name>("name"),
        field<&Space::icon>("icon"),
        field<&Space::online>("online"),
        field<&Space::stopped>("stopped"),
        field<&Space::status>("status"),
        field<&Space::indicator>("indicator"),
        field<&Space::indicatorLabel>("indicatorLabel"),
        field<&Space::activity>("activity"),
        field<&Space::activityDetail>("activityDetail"),
        field<&Space::heartbeat>("heartbeat"),
        field<&Space::reported>("reported"),
    };
    return table;
}

template <> const RecordTable<SpaceNode>& schema<SpaceNode>() {
    static const RecordTable<SpaceNode> table{
        field<&SpaceNode::id>("id"),         field<&SpaceNode::name>("name"),
        field<&SpaceNode::online>("online"), field<&SpaceNode::registered>("registered"),
        field<&SpaceNode::spaces>("spaces"),
    };
    return table;
}

template <> const RecordTable<SpacesSection>& schema<SpacesSection>() {
    static const RecordTable<SpacesSection> table{
        field<&SpacesSection::nodes>("nodes"),
    };
    return table;
}

template <> const RecordTable<Nodes>& schema<Nodes>() {
    static const RecordTable<Nodes> table{
        field<&Nodes::online>("online"),
        field<&Nodes::total>("total"),
    };
    return table;
}

template <> const RecordTable<Credits>& schema<Credits>() {
    static const RecordTable<Credits> table{
        field<&Credits::creditsMicros>("creditsMicros"),
        field<&Credits::updated>("updated"),
    };
    return table;
}

template <> const RecordTable<Usage>& schema<Usage>() {
    static const RecordTable<Usage> table{
        field<&Usage::windowHours>("windowHours"),
        field<&Usage::costMicros>("costMicros"),
        field<&Usage::requestCount>("requestCount"),
    };
    return table;
}

template <> const RecordTable<ByteCount>& schema<ByteCount>() {
    static const RecordTable<ByteCount> table{
        field<&ByteCount::count>("count"),
        field<&ByteCount::totalBytes>("totalBytes"),
    };
    return table;
}

template <> const RecordTable<DriveSection>& schema<DriveSection>() {
    static const RecordTable<DriveSection> table{
        field<&DriveSection::fileCount>("fileCount"),
        field<&DriveSection::totalBytes>("totalBytes"),
    };
    return table;
}

template <> const RecordTable<Notification>& schema<Notification>() {
    static const RecordTable<Notification> table{
        field<&Notification::id>("id"),         field<&Notification::created>("created"),
        field<&Notification::source>("source"), field<&Notification::level>("level"),
        field<&Notification::title>("title"),
    };
    return table;
}

template <> const RecordTable<Notifications>& schema<Notifications>() {
    static const RecordTable<Notifications> table{
        field<&Notifications::unread>("unread"),
        field<&Notifications::notifications>("notifications"),
    };
    return table;
}

template <> const RecordTable<StatusSectionError>& schema<StatusSectionError>() {
    static const RecordTable<StatusSectionError> table{
        field<&StatusSectionError::section>("section"),
        field<&StatusSectionError::message>("message"),
    };
    return table;
}

template <> const RecordTable<InternalStatus>& schema<InternalStatus>() {
    static const RecordTable<InternalStatus> table{
        field<&InternalStatus::cli>("cli"),
        field<&InternalStatus::authenticated>("authenticated"),
        field<&InternalStatus::account>("account"),
        field<&InternalStatus::spaces>("spaces"),
        field<&InternalStatus::nodes>("nodes"),
        field<&InternalStatus::credits>("credits"),
        field<&InternalStatus::usage>("usage"),
        field<&InternalStatus::sites>("sites"),
        field<&InternalStatus::drive>("drive"),
        field<&InternalStatus::secrets>("secrets"),
        field<&InternalStatus::notifications>("notifications"),
        field<&InternalStatus::partial>("partial"),
        field<&InternalStatus::errors>("errors"),
    };
    return table;
}

template <> const RecordTable<Profile>& schema<Profile>() {
    static const RecordTable<Profile> table{
        field<&Profile::name>("name"),         field<&Profile::active>("active"),
        field<&Profile::isDefault>("default"), field<&Profile::email>("email"),
        field<&Profile::team>("team"),
    };
    return table;
}

template <> const RecordTable<AccountMe>& schema<AccountMe>() {
    static const RecordTable<AccountMe> table{
        field<&AccountMe::id>("id"),
        field<&AccountMe::email>("email"),
        field<&AccountMe::teamId>("teamId"),
        field<&AccountMe::teamName>("teamName"),
    };
    return table;
}

template <> const RecordTable<LoginClaim>& schema<LoginClaim>() {
    static const RecordTable<LoginClaim> table{
        field<&LoginClaim::status>("status"),
        field<&LoginClaim::url>("url"),
        field<&LoginClaim::token>("token"),
        field<&LoginClaim::expiresIn>("expiresIn"),
        field<&LoginClaim::resume>("resume"),
        field<&LoginClaim::note>("note"),
        field<&LoginClaim::authenticated>("authenticated"),
    };
    return table;
}

template <> const RecordTable<ClaimUser>& schema<ClaimUser>() {
    static const RecordTable<ClaimUser> table{
        field<&ClaimUser::id>("id"),
        field<&ClaimUser::email>("email"),
        field<&ClaimUser::firstName>("firstName"),
        field<&ClaimUser::lastName>("lastName"),
    };
    return table;
}

template <> const RecordTable<ClaimResult>& schema<ClaimResult>() {
    static const RecordTable<ClaimResult> table{
        field<&ClaimResult::status>("status"),
        field<&ClaimResult::user>("user"),
    };
    return table;
}

} // namespace decoding

Result<InternalStatus> decodeInternalStatus(const QByteArray& json) {
    return decoding::decodeDocument<InternalStatus>(json);
}

Result<QList<Profile>> decodeProfileList(const QByteArray& json) {
    return decoding::decodeDocument<QList<Profile>>(json);
}

Result<AccountMe> decodeAccountMe(const QByteArray& json) {
    return decoding::decodeDocument<AccountMe>(json);
}

Result<LoginClaim> decodeLoginClaim(const QByteArray& json) {
    return decoding::decodeDocument<LoginClaim>(json);
}

Result<ClaimResult> decodeClaimResult(const QByteArray& json) {
    return decoding::decodeDocument<ClaimResult>(json);
}

} // namespace tovi
