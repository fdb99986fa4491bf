#pragma once

#include "model/Error.h"

#include <utility>
#include <variant>

namespace tovi {

// A value or the Error that prevented it. Coroutines return this instead of throwing so
// that failures cross co_await boundaries as plain values.
//
// Beware `co_return member;` in a QCoro::Task<Result<T>>: for an lvalue of another type
// (a T, an Error) QCoro 0.8 converts it with std::move, emptying the member. Locals are
// harmless; for anything that outlives the coroutine write `co_return Result<T>(member);`.
template <typename T> class Result {
public:
    Result(T value)
        : m_v(std::in_place_index<0>, std::move(value)) {}
    Result(Error error)
        : m_v(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_v); }
    const T& value() const& { return std::get<0>(m_v); }
    T&& value() && { return std::get<0>(std::move(m_v)); }
    const Error& error() const { return std::get<1>(m_v); }

    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

private:
    std::variant<T, Error> m_v;
};

struct Done {};
using Status = Result<Done>;

inline Status success() {
    return Done{};
}

} // namespace tovi
