// A test code page with the lead bytes of Japanese code page 932; text from Unicode files
// keeps ASCII and turns everything else into '?'.
#pragma once
#include <string>

#include "platform/TextCodePage.h"

class ShiftJisCodePage : public TextCodePage {
public:
    std::string FromUtf16(const std::u16string& text) override
    {
        std::string bytes;
        for (char16_t unit : text)
            bytes.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        return bytes;
    }
    bool IsLeadByte(unsigned char byte) const override
    {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
};
