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

// The bits of a unit, and the word with 1 in each of its units.
template <typename Unit>
constexpr unsigned UnitBits = 8 * sizeof(Unit);
template <typename Unit>
constexpr Word UnitOnes = ~Word{0} / (~Word{0} >> (8 * sizeof(Word) - UnitBits<Unit>));

// The marks of the units in the word at `units` that `pattern` repeats: the high bit of each
// unit where the word XOR the pattern has a zero unit. A borrow can also mark units above the
// first zero one, never below it, so the lowest mark is the first match. Inlined even where the
// build optimises for size: a call for each word would cost more than the test.
template <typename Unit>
[[gnu::always_inline]] inline Word MarksInWord(const Unit* units, Word pattern)
{
    static_assert(std::endian::native == std::endian::little, "the first unit of a word is its lowest");
    constexpr Word Ones = UnitOnes<Unit>, Highs = Ones << (UnitBits<Unit> - 1);
    Word word = 0;
    std::memcpy(&word, units, sizeof word);
    word ^= pattern;
    return (word - Ones) & ~word & Highs;
}

// Four words at a time with one branch, then word by word from the block that holds the match,
// then the rest as the last word of the text: the units it shares with the word before match
// nothing. Texts shorter than a word a unit at a time.
template <typename Unit>
std::size_t Find(const Unit* text, std::size_t size, Unit unit, std::size_t from)
{
    constexpr std::size_t PerWord = sizeof(Word) / sizeof(Unit);
    const Word pattern = UnitOnes<Unit> * static_cast<std::make_unsigned_t<Unit>>(unit);
    if (from >= size || size - from < PerWord) {
        for (std::size_t pos = from; pos < size; ++pos)
            if (text[pos] == unit)
                return pos;
        return std::string_view::npos;
    }
    const auto at = [](std::size_t pos, Word marks) {
        return pos + static_cast<std::size_t>(std::countr_zero(marks)) / UnitBits<Unit>;
    };
    std::size_t pos = from;
    for (; size - pos >= 4 * PerWord; pos += 4 * PerWord)
        if ((MarksInWord(text + pos, pattern) | MarksInWord(text + pos + PerWord, pattern) |
             MarksInWord(text + pos + 2 * PerWord, pattern) | MarksInWord(text + pos + 3 * PerWord, pattern)) != 0)
            break;
    for (; size - pos >= PerWord; pos += PerWord)
        if (const Word marks = MarksInWord(text + pos, pattern); marks != 0)
            return at(pos, marks);
    if (pos == size)
        return std::string_view::npos;
    pos = size - PerWord;
    const Word marks = MarksInWord(text + pos, pattern);
    return marks == 0 ? std::string_view::npos : at(pos, marks);
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
