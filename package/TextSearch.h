// Finding a byte or a UTF-16 unit in a text a machine word at a time, without a library call: the
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

// The machine's word: eight bytes in the 64-bit build, four in the 32-bit one, where a wider
// word would take two registers and twice the instructions.
using Word = std::uintptr_t;

// A word at a time: a unit of the word is the one searched for where the word XOR that unit
// repeated has a zero unit. A borrow can also mark units above the first zero one, never below it.
template <typename Unit>
std::size_t Find(const Unit* text, std::size_t size, Unit unit, std::size_t from)
{
    static_assert(std::endian::native == std::endian::little, "the first unit of a word is its lowest");
    constexpr unsigned Bits = 8 * sizeof(Unit);
    constexpr Word Ones = ~Word{0} / ((Word{1} << Bits) - 1);
    constexpr Word Highs = Ones << (Bits - 1);
    constexpr std::size_t PerWord = sizeof(Word) / sizeof(Unit);
    const Word pattern = Ones * static_cast<std::make_unsigned_t<Unit>>(unit);
    // The first match in the word at `pos`; npos for none.
    const auto firstIn = [&](std::size_t pos) {
        Word word = 0;
        std::memcpy(&word, text + pos, sizeof word);
        word ^= pattern;
        const Word zeros = (word - Ones) & ~word & Highs;
        return zeros == 0 ? std::string_view::npos : pos + static_cast<std::size_t>(std::countr_zero(zeros)) / Bits;
    };
    // Texts shorter than a word a unit at a time.
    if (from >= size || size - from < PerWord) {
        for (std::size_t pos = from; pos < size; ++pos)
            if (text[pos] == unit)
                return pos;
        return std::string_view::npos;
    }
    std::size_t pos = from;
    for (; pos + PerWord <= size; pos += PerWord)
        if (const std::size_t found = firstIn(pos); found != std::string_view::npos)
            return found;
    // The rest as the last word of the text: the units it shares with the word before match
    // nothing, and only a match can mark a unit above it.
    return pos == size ? std::string_view::npos : firstIn(size - PerWord);
}

} // namespace text_search

// The position of the first `byte` in `text` from `from` on; npos without one.
inline std::size_t FindInText(std::string_view text, char byte, std::size_t from = 0)
{
    return text_search::Find(text.data(), text.size(), byte, from);
}

// The same for a UTF-16 unit, two or four units at a time.
inline std::size_t FindInText(std::u16string_view text, char16_t unit, std::size_t from = 0)
{
    return text_search::Find(text.data(), text.size(), unit, from);
}
