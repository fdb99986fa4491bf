#pragma once

#include "model/DecodeContext.h"
#include "model/Result.h"

#include <QByteArray>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QLatin1StringView>
#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <type_traits>
#include <vector>

// The one decoder behind every record the CLI prints. A record is described once, as a
// table of its fields (name, member, and whether it is required, which follows from the
// member being a std::optional or not); the code below walks any document against any
// table.
//
// The walk runs over QCborValue rather than QJsonValue: both share the same parsed
// storage (the conversion copies nothing), but only the CBOR API hands out an object key
// without allocating a QString for it, and key reading was the largest cost of the walk.
namespace tovi {
QString convertWireKey(const QString& wireKey);
}

namespace tovi::decoding {

template <typename T> inline constexpr bool isOptional = false;
template <typename T> inline constexpr bool isOptional<std::optional<T>> = true;

template <typename T> inline constexpr bool isList = false;
template <typename T> inline constexpr bool isList<QList<T>> = true;

// The record type a value holds, through optional and list: a field of it needs that record's table.
template <typename T> struct LeafOf {
    using Type = T;
};
template <typename T> struct LeafOf<std::optional<T>> : LeafOf<T> {};
template <typename T> struct LeafOf<QList<T>> : LeafOf<T> {};
template <typename T> using Leaf = typename LeafOf<T>::Type;
template <typename T>
inline constexpr bool holdsRecord = !std::is_same_v<Leaf<T>, QString> && !std::is_same_v<Leaf<T>, bool> &&
                                    !std::is_same_v<Leaf<T>, std::int64_t>;

template <typename R> class RecordTable;

template <typename R> struct FieldSpec {
    QLatin1StringView name; // camelCase, as wire keys convert to
    bool required;
    bool (*decode)(R& record, const QCborValue& value, DecodeContext& ctx, const void* nested);
    // The table of the records the field holds (a RecordTable<Leaf<member type>>), else null.
    const void* nested = nullptr;
};

// Records have at most this many fields; the per-object match slots live on the stack.
inline constexpr std::size_t maxFields = 16;

template <typename R> class RecordTable {
public:
    RecordTable(std::initializer_list<FieldSpec<R>> fields)
        : m_fields(fields) {
        Q_ASSERT(m_fields.size() <= maxFields);
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            const QString snake = snakeCase(m_fields[i].name);
            Q_ASSERT(convertWireKey(snake) == m_fields[i].name);
            m_snakeNames.push_back(snake);
            m_byKey.push_back({snake, QCborValue(snake), int(i)});
        }
        // Object keys come sorted, so matching them against the names in the same order
        // needs about one comparison per key.
        std::sort(m_byKey.begin(), m_byKey.end(),
                  [](const Canonical& a, const Canonical& b) { return a.text < b.text; });
    }

    std::size_t size() const { return m_fields.size(); }
    const FieldSpec<R>& operator[](std::size_t i) const { return m_fields[i]; }
    const QString& snakeName(std::size_t i) const { return m_snakeNames[i]; }

    // The field whose snake_case name is `key`, looking from `cursor` on; -1 if none.
    int matchSnakeName(const QCborValue& key, std::size_t& cursor) const {
        for (std::size_t i = cursor; i < m_byKey.size(); ++i) {
            if (key == m_byKey[i].key) {
                cursor = i + 1;
                return m_byKey[i].field;
            }
        }
        return -1;
    }

    // The field any spelling of a key maps to, or -1.
    int indexOf(const QString& wireKey) const {
        const QString converted = wireKey.contains(QLatin1Char('_')) ? convertWireKey(wireKey) : wireKey;
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            if (converted == m_fields[i].name)
                return int(i);
        }
        return -1;
    }

private:
    struct Canonical {
        QString text;
        QCborValue key;
        int field;
    };

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
    std::vector<Canonical> m_byKey;
};

// `table` is the value's record table, when it holds records (holdsRecord<T>); null otherwise.
template <typename T>
bool decodeValue(T& out, const QCborValue& value, DecodeContext& ctx, const RecordTable<Leaf<T>>* table);

template <typename R> bool decodeRecord(R& out, const QCborMap& object, const RecordTable<R>& table, DecodeContext& ctx) {
    // Where each field takes its value from. When several spellings map to one field,
    // the CLI's own snake_case spelling wins; among other spellings the one that sorts
    // last does (Qt keeps object keys sorted, and an exact repeat keeps the later value).
    std::array<QCborMap::ConstIterator, maxFields> at;
    std::array<bool, maxFields> found{};
    std::array<bool, maxFields> bySnakeName{};
    std::size_t cursor = 0;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QCborValue key = it.key();
        int field = table.matchSnakeName(key, cursor);
        if (field >= 0) {
            at[std::size_t(field)] = it;
            found[std::size_t(field)] = bySnakeName[std::size_t(field)] = true;
            continue;
        }
        const QString text = key.toString();
        field = table.indexOf(text);
        if (field < 0)
            continue;
        const auto f = std::size_t(field);
        const bool snake = text == table.snakeName(f);
        if (snake || !bySnakeName[f]) {
            at[f] = it;
            found[f] = true;
            bySnakeName[f] = snake;
        }
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        const FieldSpec<R>& spec = table[i];
        if (!found[i]) {
            if (!spec.required)
                continue;
            ctx.fail(QStringLiteral("missing required value"));
            ctx.enterField(spec.name);
            return false;
        }
        if (!spec.decode(out, at[i].value(), ctx, spec.nested)) {
            ctx.enterField(spec.name);
            return false;
        }
    }
    return true;
}

bool decodeCount(std::int64_t& out, const QCborValue& value, DecodeContext& ctx);

template <typename T>
bool decodeValue(T& out, const QCborValue& value, DecodeContext& ctx, const RecordTable<Leaf<T>>* table) {
    if constexpr (isOptional<T>) {
        if (value.isNull() || value.isUndefined()) {
            out.reset();
            return true;
        }
        return decodeValue(out.emplace(), value, ctx, table);
    } else if constexpr (std::is_same_v<T, QString>) {
        if (!value.isString())
            return ctx.typeMismatch(QLatin1StringView("a string"), value);
        out = value.toString();
        return true;
    } else if constexpr (std::is_same_v<T, bool>) {
        if (!value.isBool())
            return ctx.typeMismatch(QLatin1StringView("true or false"), value);
        out = value.isTrue();
        return true;
    } else if constexpr (std::is_same_v<T, std::int64_t>) {
        return decodeCount(out, value, ctx);
    } else if constexpr (isList<T>) {
        if (!value.isArray())
            return ctx.typeMismatch(QLatin1StringView("an array"), value);
        const QCborArray array = value.toArray();
        out.clear();
        out.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (!decodeValue(out.emplace_back(), array.at(i), ctx, table)) {
                ctx.enterIndex(i);
                return false;
            }
        }
        return true;
    } else {
        if (!value.isMap())
            return ctx.typeMismatch(QLatin1StringView("an object"), value);
        return decodeRecord(out, value.toMap(), *table, ctx);
    }
}

template <typename T> struct MemberOf;
template <typename R, typename T> struct MemberOf<T R::*> {
    using Record = R;
    using Type = T;
};

// One row of a record's table: field<&Space::name>("name"); a field that holds records names
// their table too: field<&SpaceNode::spaces>("spaces", spaceFields()).
template <auto member> FieldSpec<typename MemberOf<decltype(member)>::Record> field(const char* name) {
    using R = typename MemberOf<decltype(member)>::Record;
    using T = typename MemberOf<decltype(member)>::Type;
    static_assert(!holdsRecord<T>, "a field that holds records names their table");
    return {QLatin1StringView(name), !isOptional<T>,
            [](R& record, const QCborValue& value, DecodeContext& ctx, const void*) {
                return decodeValue(record.*member, value, ctx, nullptr);
            }};
}

template <auto member>
FieldSpec<typename MemberOf<decltype(member)>::Record>
field(const char* name, const RecordTable<Leaf<typename MemberOf<decltype(member)>::Type>>& table) {
    using R = typename MemberOf<decltype(member)>::Record;
    using T = typename MemberOf<decltype(member)>::Type;
    static_assert(holdsRecord<T>, "only a field that holds records has a table");
    return {QLatin1StringView(name), !isOptional<T>,
            [](R& record, const QCborValue& value, DecodeContext& ctx, const void* nested) {
                return decodeValue(record.*member, value, ctx, static_cast<const RecordTable<Leaf<T>>*>(nested));
            },
            &table};
}

// Parses the bytes as JSON and returns the top-level value, which a record wants as an
// object and a list as an array; on malformed input, sets `error` instead.
QCborValue parseDocument(const QByteArray& json, QString* error);

template <typename T> Result<T> decodeDocument(const QByteArray& json, const RecordTable<Leaf<T>>& table) {
    QString parseError;
    const QCborValue root = parseDocument(json, &parseError);
    if (!parseError.isEmpty())
        return Error::decode(parseError);
    T out{};
    DecodeContext ctx;
    if (!decodeValue(out, root, ctx, &table))
        return Error::decode(ctx.errorText());
    return out;
}

} // namespace tovi::decoding
