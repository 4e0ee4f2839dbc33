// Finding a byte or a UTF-16 unit in a text eight bytes at a time, without a library call: the
// package read searches fields of each of possibly millions of model lines, where a call costs
// more than the search, and the INF reader searches whole files, where some C libraries would
// take a byte at a time.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace text_search {

// Eight bytes at a time: a unit of the word is the one searched for where the word XOR that unit
// repeated has a zero unit. A borrow can also mark units above the first zero one, never below it.
template <typename Unit>
std::size_t Find(const Unit* text, std::size_t size, Unit unit, std::size_t from)
{
    static_assert(std::endian::native == std::endian::little, "the first unit of a word is its lowest");
    constexpr unsigned Bits = 8 * sizeof(Unit);
    constexpr std::uint64_t Ones = ~std::uint64_t{0} / ((std::uint64_t{1} << Bits) - 1);
    constexpr std::uint64_t Highs = Ones << (Bits - 1);
    constexpr std::size_t PerWord = sizeof(std::uint64_t) / sizeof(Unit);
    const std::uint64_t pattern = Ones * static_cast<std::make_unsigned_t<Unit>>(unit);
    std::size_t pos = from;
    for (; pos + PerWord <= size; pos += PerWord) {
        std::uint64_t word = 0;
        std::memcpy(&word, text + pos, sizeof word);
        word ^= pattern;
        const std::uint64_t zeros = (word - Ones) & ~word & Highs;
        if (zeros != 0)
            return pos + static_cast<std::size_t>(std::countr_zero(zeros)) / Bits;
    }
    for (; pos < size; ++pos)
        if (text[pos] == unit)
            return pos;
    return std::string_view::npos;
}

} // namespace text_search

// The position of the first `byte` in `text` from `from` on; npos without one.
inline std::size_t FindInText(std::string_view text, char byte, std::size_t from = 0)
{
    return text_search::Find(text.data(), text.size(), byte, from);
}

// The same for a UTF-16 unit, four units at a time.
inline std::size_t FindInText(std::u16string_view text, char16_t unit, std::size_t from = 0)
{
    return text_search::Find(text.data(), text.size(), unit, from);
}
