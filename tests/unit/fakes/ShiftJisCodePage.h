// A test code page with the lead bytes of Japanese code page 932. The ideographic space 81 40 is
// U+3000, as in the real one; every other double-byte character gets the base class's unit from
// U+4000 up, and converts back to its own bytes. (Single bytes from 0x80 up read as Latin-1.)
// Other text from Unicode files keeps ASCII and turns into '?'.
#pragma once
#include <string>

#include "platform/TextCodePage.h"

class ShiftJisCodePage : public TextCodePage {
public:
    static constexpr char16_t IdeographicSpace = 0x3000;

    std::string FromUtf16(const std::u16string& text) override
    {
        std::string bytes;
        for (char16_t unit : text) {
            const unsigned lead = 0x80 + ((unit - 0x4000u) >> 8);
            if (unit < 0x80) {
                bytes.push_back(static_cast<char>(unit));
            } else if (unit == IdeographicSpace) {
                bytes += "\x81\x40";
            } else if (unit >= 0x4000 && unit < 0xC000 && IsLeadByte(static_cast<unsigned char>(lead))) {
                bytes.push_back(static_cast<char>(lead));
                bytes.push_back(static_cast<char>(unit & 0xFF));
            } else {
                bytes.push_back('?');
            }
        }
        return bytes;
    }
    std::u16string ToUtf16(std::string_view text) override
    {
        std::u16string units = TextCodePage::ToUtf16(text);
        for (char16_t& unit : units)
            if (unit == 0x4000 + ((0x81 & 0x7F) << 8) + 0x40)
                unit = IdeographicSpace;
        return units;
    }
    bool IsLeadByte(unsigned char byte) const override
    {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
};
