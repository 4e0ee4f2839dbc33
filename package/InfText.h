// The INF reader's view of text: character classes, white space as the platform counts it,
// a file's text in its own units, and the conversions between UTF-8 and UTF-16 it needs.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace inf {

template <typename Unit>
constexpr bool IsAnsi = std::is_same_v<Unit, char>;

constexpr char ControlZ = 0x1A;

// What the lexer needs to know of a character. Plain ones are taken in runs.
enum CharacterClass : std::uint8_t {
    Plain = 0,
    Blank = 1,    // white space, dropped around keys and fields
    Syntax = 2,   // a line end, NUL, or one of ; " \ = , which the lexer looks at one by one
    LeadByte = 4, // opens a character of two or more bytes that needs a closer look
    QuoteEnd = 8, // a line end, NUL or '"', which end a run of quoted text
};

// White space as the platform's parser counts it; it parses in Unicode, ANSI files included.
constexpr bool IsUnicodeBlank(char16_t c)
{
    if (c < 0x100)
        return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x85 || c == 0xA0;
    return c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// The classes of the units below U+0100 of UTF-16 text; those of bytes start from its ASCII half.
constexpr std::array<std::uint8_t, 256> LowClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    for (unsigned c = 0; c < 256; ++c)
        if (IsUnicodeBlank(static_cast<char16_t>(c)))
            classes[c] = Blank;
    for (const unsigned char c : {'\n', '\0', ';', '"', '\\', '=', ','}) classes[c] = Syntax;
    for (const unsigned char c : {'\n', '\0', '"'}) classes[c] |= QuoteEnd;
    return classes;
}();

// The same for the bytes of well-formed UTF-8: only the first bytes of sequences that may be
// white space need a closer look; the rest of the text runs on as it is.
constexpr std::array<std::uint8_t, 256> Utf8Classes = [] {
    std::array<std::uint8_t, 256> classes = LowClasses;
    for (unsigned c = 0x80; c < 0x100; ++c) classes[c] = Plain;
    for (const unsigned c : {0xC2, 0xE1, 0xE2, 0xE3}) classes[c] = LeadByte;
    return classes;
}();

inline std::size_t Utf8Length(unsigned char lead)
{
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

constexpr char16_t UnicodeBlanksAboveAscii[] = {0x85,   0xA0,   0x1680, 0x2000, 0x2001, 0x2002, 0x2003,
                                                0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A,
                                                0x2028, 0x2029, 0x202F, 0x205F, 0x3000};

inline unsigned FoldCase(unsigned c)
{
    return c - 'A' < 26u ? c + ('a' - 'A') : c;
}

// A stretch of a file's text in its own units: bytes (of the ANSI code page or UTF-8) or UTF-16
// code units. The lookups are written once for all of them.
class Units {
public:
    static constexpr std::size_t npos = std::size_t(-1);

    Units() = default;
    Units(std::string_view bytes) : data_(bytes.data()), size_(bytes.size()), wide_(false) {}
    Units(std::u16string_view units) : data_(units.data()), size_(units.size()), wide_(true) {}

    std::size_t size() const { return size_; }
    char16_t operator[](std::size_t i) const
    {
        return wide_ ? static_cast<const char16_t*>(data_)[i]
                     : static_cast<unsigned char>(static_cast<const char*>(data_)[i]);
    }
    Units substr(std::size_t pos, std::size_t count = npos) const
    {
        Units part = *this;
        part.data_ = static_cast<const char*>(data_) + pos * (wide_ ? 2 : 1);
        part.size_ = std::min(count, size_ - pos);
        return part;
    }
    std::size_t find(char16_t unit, std::size_t from = 0) const
    {
        const std::size_t found = wide_ ? Wide().find(unit, from) : Narrow().find(static_cast<char>(unit), from);
        return found == std::string_view::npos ? npos : found;
    }
    bool IsAscii() const
    {
        if (wide_)
            return std::all_of(Wide().begin(), Wide().end(), [](char16_t c) { return c < 0x80; });
        return std::all_of(Narrow().begin(), Narrow().end(), [](char c) { return (c & 0x80) == 0; });
    }
    // Only for ASCII text, or bytes of the ANSI code page.
    void CopyBytes(char* bytes) const
    {
        if (!wide_)
            std::memcpy(bytes, data_, size_);
        else
            std::transform(Wide().begin(), Wide().end(), bytes, [](char16_t c) { return static_cast<char>(c); });
    }
    void AppendTo(std::u16string& text) const
    {
        for (std::size_t i = 0; i < size_; ++i) text.push_back((*this)[i]);
    }

private:
    std::string_view Narrow() const { return std::string_view(static_cast<const char*>(data_), size_); }
    std::u16string_view Wide() const { return std::u16string_view(static_cast<const char16_t*>(data_), size_); }

    const void* data_ = nullptr;
    std::size_t size_ = 0;
    bool wide_ = false;
};

// UTF-8 as the reader keeps it, to UTF-16: well formed, but for the lone first half of a
// surrogate pair that a cut may leave, written as UTF-8 would write it.
inline void AppendUtf8AsUtf16(Units text, std::u16string& units)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(static_cast<unsigned char>(text[i]));
        char32_t value = length == 1 ? text[i] : text[i] & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) value = value << 6 | (text[i + k] & 0x3F);
        i += length;
        if (value >= 0x10000) {
            units.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(value));
        }
    }
}

// The other way, each byte kept as one unit; a lone surrogate takes three bytes.
inline void AppendUtf16AsUtf8(std::u16string_view text, std::u16string& bytes)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        const std::size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (length == 1) {
            bytes.push_back(static_cast<char16_t>(c));
            continue;
        }
        bytes.push_back(static_cast<char16_t>((0xF00 >> length & 0xFF) | c >> (6 * (length - 1))));
        for (std::size_t k = length - 1; k-- > 0;)
            bytes.push_back(static_cast<char16_t>(0x80 | ((c >> (6 * k)) & 0x3F)));
    }
}

} // namespace inf
