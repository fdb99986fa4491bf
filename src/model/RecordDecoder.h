#pragma once

#include "model/DecodeContext.h"
#include "model/Result.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QLatin1StringView>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <type_traits>
#include <vector>

// The one decoder behind every record the CLI prints. A record is described once, as a
// table of its fields (name, member, and whether it is required, which follows from the
// member being a std::optional or not); the code below walks any JSON against any table.
namespace tovi {
QString convertWireKey(const QString& wireKey);
}

namespace tovi::decoding {

template <typename T> inline constexpr bool isOptional = false;
template <typename T> inline constexpr bool isOptional<std::optional<T>> = true;

template <typename T> inline constexpr bool isList = false;
template <typename T> inline constexpr bool isList<QList<T>> = true;

template <typename R> struct FieldSpec {
    QLatin1StringView name; // camelCase, as wire keys convert to
    bool required;
    bool (*decode)(R& record, const QJsonValue& value, DecodeContext& ctx);
};

// Records have at most this many fields; the per-object match slots live on the stack.
inline constexpr std::size_t maxFields = 16;

template <typename R> class RecordTable {
public:
    RecordTable(std::initializer_list<FieldSpec<R>> fields)
        : m_fields(fields) {
        Q_ASSERT(m_fields.size() <= maxFields);
        m_snakeNames.reserve(m_fields.size());
        for (const FieldSpec<R>& f : m_fields) {
            m_snakeNames.push_back(snakeCase(f.name));
            Q_ASSERT(convertWireKey(m_snakeNames.back()) == f.name);
        }
    }

    std::size_t size() const { return m_fields.size(); }
    const FieldSpec<R>& operator[](std::size_t i) const { return m_fields[i]; }

    // Index of the field a wire key maps to, or -1. The CLI writes snake_case, so its own
    // spelling is checked first and needs no conversion; only other spellings pay for it.
    int indexOf(const QString& wireKey) const {
        for (std::size_t i = 0; i < m_snakeNames.size(); ++i) {
            if (wireKey == m_snakeNames[i])
                return int(i);
        }
        if (!wireKey.contains(QLatin1Char('_'))) {
            for (std::size_t i = 0; i < m_fields.size(); ++i) {
                if (wireKey == m_fields[i].name)
                    return int(i);
            }
            return -1;
        }
        const QString converted = convertWireKey(wireKey);
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            if (converted == m_fields[i].name)
                return int(i);
        }
        return -1;
    }

private:
    static QString snakeCase(QLatin1StringView camel) {
        QString out;
        for (char c : camel) {
            if (c >= 'A' && c <= 'Z') {
                out += QLatin1Char('_');
                out += QLatin1Char(char(c - 'A' + 'a'));
            } else {
                out += QLatin1Char(c);
            }
        }
        return out;
    }

    std::vector<FieldSpec<R>> m_fields;
    std::vector<QString> m_snakeNames;
};

// Specialised once per record, next to the public decode functions.
template <typename R> const RecordTable<R>& schema();

template <typename T> bool decodeValue(T& out, const QJsonValue& value, DecodeContext& ctx);

template <typename R> bool decodeRecord(R& out, const QJsonObject& object, DecodeContext& ctx) {
    const RecordTable<R>& table = schema<R>();
    // Position in `object` of the key each field takes its value from. Qt keeps object
    // keys sorted, so when several spellings map to one field the one sorting last wins;
    // for lower-case snake_case names that is always the CLI's own spelling.
    std::array<qsizetype, maxFields> at;
    at.fill(-1);
    qsizetype pos = 0;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it, ++pos) {
        const int field = table.indexOf(it.key());
        if (field >= 0)
            at[std::size_t(field)] = pos;
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        const FieldSpec<R>& spec = table[i];
        if (at[i] < 0) {
            if (!spec.required)
                continue;
            ctx.fail(QStringLiteral("missing required value"));
            ctx.enterField(spec.name);
            return false;
        }
        if (!spec.decode(out, (object.constBegin() + at[i]).value(), ctx)) {
            ctx.enterField(spec.name);
            return false;
        }
    }
    return true;
}

bool decodeCount(std::int64_t& out, const QJsonValue& value, DecodeContext& ctx);

template <typename T> bool decodeValue(T& out, const QJsonValue& value, DecodeContext& ctx) {
    if constexpr (isOptional<T>) {
        if (value.isNull() || value.isUndefined()) {
            out.reset();
            return true;
        }
        return decodeValue(out.emplace(), value, ctx);
    } else if constexpr (std::is_same_v<T, QString>) {
        if (!value.isString())
            return ctx.typeMismatch(QLatin1StringView("a string"), value);
        out = value.toString();
        return true;
    } else if constexpr (std::is_same_v<T, bool>) {
        if (!value.isBool())
            return ctx.typeMismatch(QLatin1StringView("true or false"), value);
        out = value.toBool();
        return true;
    } else if constexpr (std::is_same_v<T, std::int64_t>) {
        return decodeCount(out, value, ctx);
    } else if constexpr (isList<T>) {
        if (!value.isArray())
            return ctx.typeMismatch(QLatin1StringView("an array"), value);
        const QJsonArray array = value.toArray();
        out.clear();
        out.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (!decodeValue(out.emplace_back(), array.at(i), ctx)) {
                ctx.enterIndex(i);
                return false;
            }
        }
        return true;
    } else {
        if (!value.isObject())
            return ctx.typeMismatch(QLatin1StringView("an object"), value);
        return decodeRecord(out, value.toObject(), ctx);
    }
}

template <typename T> struct MemberOf;
template <typename R, typename T> struct MemberOf<T R::*> {
    using Record = R;
    using Type = T;
};

// One row of a record's table: field<&Space::name>("name").
template <auto member> FieldSpec<typename MemberOf<decltype(member)>::Record> field(const char* name) {
    using R = typename MemberOf<decltype(member)>::Record;
    using T = typename MemberOf<decltype(member)>::Type;
    return {QLatin1StringView(name), !isOptional<T>,
            [](R& record, const QJsonValue& value, DecodeContext& ctx) {
                return decodeValue(record.*member, value, ctx);
            }};
}

// Parses the bytes and decodes the top-level value, which a record wants as an object
// and a list as an array.
QJsonValue parseDocument(const QByteArray& json, QString* error);

template <typename T> Result<T> decodeDocument(const QByteArray& json) {
    QString parseError;
    const QJsonValue root = parseDocument(json, &parseError);
    if (!parseError.isEmpty())
        return Error::decode(parseError);
    T out{};
    DecodeContext ctx;
    if (!decodeValue(out, root, ctx))
        return Error::decode(ctx.errorText());
    return out;
}

} // namespace tovi::decoding
