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

// The position of the first `byte` in `text` from `from` on; npos without one.
inline std::size_t FindInText(std::string_view text, char byte, std::size_t from = 0)
{
    static_assert(std::endian::native == std::endian::little, "the first byte of a word is its lowest");
    constexpr std::uint64_t Ones = 0x0101010101010101u, Highs = 0x8080808080808080u;
    const std::uint64_t pattern = Ones * static_cast<unsigned char>(byte);
    std::size_t pos = from;
    for (; pos + sizeof(std::uint64_t) <= text.size(); pos += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + pos, sizeof word);
        word ^= pattern;
        // The high bit of each byte that is now zero; a borrow can also mark bytes above the
        // first such byte, never below it.
        const std::uint64_t zeros = (word - Ones) & ~word & Highs;
        if (zeros != 0)
            return pos + static_cast<std::size_t>(std::countr_zero(zeros)) / 8;
    }
    for (; pos < text.size(); ++pos)
        if (text[pos] == byte)
            return pos;
    return std::string_view::npos;
}

// The same for UTF-16 text, four units at a time.
inline std::size_t FindInText(std::u16string_view text, char16_t unit, std::size_t from = 0)
{
    constexpr std::uint64_t Ones = 0x0001000100010001u, Highs = 0x8000800080008000u;
    const std::uint64_t pattern = Ones * unit;
    std::size_t pos = from;
    for (; pos + 4 <= text.size(); pos += 4) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + pos, sizeof word);
        word ^= pattern;
        const std::uint64_t zeros = (word - Ones) & ~word & Highs;
        if (zeros != 0)
            return pos + static_cast<std::size_t>(std::countr_zero(zeros)) / 16;
    }
    for (; pos < text.size(); ++pos)
        if (text[pos] == unit)
            return pos;
    return std::u16string_view::npos;
}
