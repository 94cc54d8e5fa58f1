#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>

// Enumerations whose raw values travel on the wire. Each one specialises RawEnumTraits with
// `allCases`, its cases in declaration order; rawValue/fromRaw then work for all of them.
template <typename E>
struct RawEnumTraits;

template <typename E>
constexpr std::uint8_t rawValue(E value)
{
    static_assert(std::is_enum_v<E>);
    return static_cast<std::uint8_t>(value);
}

template <typename E>
constexpr std::optional<E> fromRaw(std::uint8_t raw)
{
    for (E candidate : RawEnumTraits<E>::allCases) {
        if (rawValue(candidate) == raw) {
            return candidate;
        }
    }
    return std::nullopt;
}

template <typename E>
constexpr const auto &allCases()
{
    return RawEnumTraits<E>::allCases;
}
