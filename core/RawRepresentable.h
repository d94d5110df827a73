#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace orvane {

// An enumeration whose cases have string raw values. Specialise RawValues<T> with a `table`
// array of {case, raw value} pairs in declaration order to get rawValue, fromRawValue and
// allCases for it.
template <typename T> struct RawValues;

template <typename T>
concept RawRepresentable = requires {
    RawValues<T>::table;
};

template <RawRepresentable T> constexpr std::string_view rawValue(T value) {
    for (const auto& [candidate, raw] : RawValues<T>::table) {
        if (candidate == value) {
            return raw;
        }
    }
    return {};
}

// Only the exact raw values are accepted: case-sensitive, whole string.
template <RawRepresentable T> constexpr std::optional<T> fromRawValue(std::string_view raw) {
    for (const auto& [candidate, text] : RawValues<T>::table) {
        if (text == raw) {
            return candidate;
        }
    }
    return std::nullopt;
}

template <RawRepresentable T> constexpr auto allCases() {
    constexpr auto& table = RawValues<T>::table;
    std::array<T, std::tuple_size_v<std::remove_cvref_t<decltype(table)>>> cases{};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        cases[i] = table[i].first;
    }
    return cases;
}

} // namespace orvane
