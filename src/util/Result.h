#pragma once

#include <cassert>
#include <utility>
#include <variant>

// The outcome of an operation that fails with a typed error instead of throwing: exceptions
// never cross the event loop or a coroutine boundary in this code base.
template <typename T, typename E>
class Result {
public:
    // Default-constructed results hold a default value; QCoro::waitFor needs one.
    Result() = default;
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_state(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T &value() const &
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    T &value() &
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    T &&value() &&
    {
        assert(ok());
        return std::get<0>(std::move(m_state));
    }
    const T *operator->() const { return &value(); }
    const T &operator*() const & { return value(); }

    const E &error() const
    {
        assert(!ok());
        return std::get<1>(m_state);
    }

    friend bool operator==(const Result &, const Result &) = default;

private:
    std::variant<T, E> m_state;
};

// Success without a value.
struct Done {
    friend bool operator==(Done, Done) = default;
};
