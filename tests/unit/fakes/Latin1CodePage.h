// A test code page: U+0000..U+00FF map to the byte of the same value, everything else to '?'.
#pragma once
#include <string>

#include "platform/TextCodePage.h"

class Latin1CodePage : public TextCodePage {
public:
    std::string FromUtf16(const std::u16string& text) override
    {
        std::string bytes;
        bytes.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i];
            bytes.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
            // A surrogate pair is one character and so one '?', as on Windows.
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                ++i;
        }
        return bytes;
    }
    bool IsLeadByte(unsigned char) const override { return false; }
};
