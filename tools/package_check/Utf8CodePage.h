// On Linux the check prints UTF-8, so text from UTF-16 and UTF-8 INF files is shown as written;
// ANSI text is taken for UTF-8 as well.
#pragma once
#include "package/InfEncoding.h"
#include "platform/TextCodePage.h"

class Utf8CodePage : public TextCodePage {
public:
    std::string FromUtf16(const std::u16string& text) override;
    std::u16string ToUtf16(std::string_view text) override { return DecodeUtf8(text); }
    bool IsLeadByte(unsigned char) const override { return false; }
};
