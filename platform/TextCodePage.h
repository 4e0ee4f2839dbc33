// The system's ANSI code page: its conversions to and from UTF-16 and its double-byte characters,
// for the INF reader and for paths.
#pragma once
#include <string>
#include <string_view>

class TextCodePage {
public:
    virtual ~TextCodePage() = default;
    // Converts UTF-16LE code units to the ANSI code page; characters without a mapping become '?'.
    virtual std::string FromUtf16(const std::u16string& text) = 0;
    // Converts ANSI text to UTF-16, one code unit for each character. This default reads bytes
    // as Latin-1 and gives each double-byte character a code unit of its own from U+4000 up, so
    // that distinct characters stay distinct; code pages that know better override it.
    virtual std::u16string ToUtf16(std::string_view text)
    {
        std::u16string units;
        units.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned char byte = static_cast<unsigned char>(text[i]);
            if (IsLeadByte(byte) && i + 1 < text.size()) {
                const unsigned char trail = static_cast<unsigned char>(text[++i]);
                units.push_back(static_cast<char16_t>(0x4000 + ((byte & 0x7F) << 8) + trail));
            } else {
                units.push_back(byte);
            }
        }
        return units;
    }
    // Whether the byte opens a double-byte character (Japanese, Chinese code pages), whose
    // second byte may look like a backslash or a bracket.
    virtual bool IsLeadByte(unsigned char byte) const = 0;
};
