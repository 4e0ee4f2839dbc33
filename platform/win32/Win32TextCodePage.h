// The system's ANSI code page through WideCharToMultiByte and MultiByteToWideChar.
#pragma once
#include <string>

#include "platform/TextCodePage.h"

class Win32TextCodePage : public TextCodePage {
public:
    std::string FromUtf16(const std::u16string& text) override;
    std::u16string ToUtf16(std::string_view text) override;
    bool IsLeadByte(unsigned char byte) const override;
};
