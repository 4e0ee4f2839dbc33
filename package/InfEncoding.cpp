// Decoding of Unicode INF files into UTF-16 code units, for the INF reader.
#include "package/InfEncoding.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "package/TextSearch.h"

namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

bool IsAscii8(const char* bytes)
{
    std::uint64_t eight = 0;
    std::memcpy(&eight, bytes, sizeof eight);
    return (eight & 0x8080808080808080u) == 0;
}

// The sequence that starts at `pos` with a byte from 0x80 up: true and its value when it is well
// formed. `taken` is its length, or that of the longest start of one that broke off.
bool ReadSequence(std::string_view bytes, std::size_t pos, char32_t& value, std::size_t& taken)
{
    const unsigned char lead = static_cast<unsigned char>(bytes[pos]);
    // Length of the sequence and the range its second byte must fall in; the narrowed
    // ranges after E0, ED, F0 and F4 exclude overlong forms, surrogates and values past U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    }
    taken = 1;
    if (length == 0)
        return false;
    for (; taken < length; ++taken) {
        if (pos + taken >= bytes.size())
            return false;
        const unsigned char next = static_cast<unsigned char>(bytes[pos + taken]);
        if (taken == 1 ? (next < low || next > high) : !IsContinuation(next))
            return false;
        value = (value << 6) | (next & 0x3F);
    }
    return true;
}

// Where the run of ASCII that starts at `pos` ends; most INF text is ASCII, taken eight bytes
// at a time while it lasts.
std::size_t AsciiEnd(std::string_view bytes, std::size_t pos)
{
    while (pos + 8 <= bytes.size() && IsAscii8(bytes.data() + pos)) pos += 8;
    while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) < 0x80) ++pos;
    return pos;
}

} // namespace

std::u16string DecodeUtf8(std::string_view bytes)
{
    // No sequence gives more code units than it has bytes, so the result fits in place.
    std::u16string units(bytes.size(), u'\0');
    char16_t* out = units.data();
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        for (const std::size_t end = AsciiEnd(bytes, pos); pos < end; ++pos)
            out[count++] = static_cast<unsigned char>(bytes[pos]);
        if (pos == bytes.size())
            break;
        char32_t value = 0;
        std::size_t taken = 0;
        // A broken sequence yields one replacement for the bytes that were valid so far.
        const bool complete = ReadSequence(bytes, pos, value, taken);
        pos += taken;
        if (!complete) {
            out[count++] = ReplacementCharacter;
        } else if (value >= 0x10000) {
            value -= 0x10000;
            out[count++] = static_cast<char16_t>(0xD800 + (value >> 10));
            out[count++] = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
        } else {
            out[count++] = static_cast<char16_t>(value);
        }
    }
    units.resize(count);
    return units;
}

bool IsWellFormedUtf8(std::string_view bytes)
{
    std::size_t pos = 0;
    while ((pos = AsciiEnd(bytes, pos)) < bytes.size()) {
        char32_t value = 0;
        std::size_t taken = 0;
        if (!ReadSequence(bytes, pos, value, taken))
            return false;
        pos += taken;
    }
    return true;
}

namespace {

// The bytes of UTF-16 little-endian text before its first Ctrl-Z unit; all of them when it has
// none. Searched as bytes, where the search is fast.
std::size_t Utf16LeTextLength(std::string_view bytes)
{
    for (std::size_t pos = 0; pos + 1 < bytes.size(); pos += 2) {
        pos = FindInText(bytes, '\x1A', pos);
        if (pos == std::string_view::npos)
            break;
        if (pos % 2 == 0 && pos + 1 < bytes.size() && bytes[pos + 1] == '\0')
            return pos;
        pos -= pos % 2; // the loop steps on to the next unit
    }
    return bytes.size() - bytes.size() % 2;
}

} // namespace

std::span<char16_t> Utf16LeTextInPlace(std::string& bytes)
{
    const std::size_t mark = 2;
    const std::size_t length = Utf16LeTextLength(std::string_view(bytes).substr(mark));
    char* const data = bytes.data();
    std::memmove(data, data + mark, length);
    // A string's storage, the allocator's or its own short buffer, is aligned for 16-bit units.
    char16_t* const units = reinterpret_cast<char16_t*>(data);
    const std::size_t count = length / 2;
    if constexpr (std::endian::native != std::endian::little)
        for (std::size_t i = 0; i < count; ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                             static_cast<unsigned char>(data[2 * i + 1]) << 8);
    return {units, count};
}
