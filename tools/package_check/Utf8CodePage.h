// On Linux the check prints UTF-8, so text from UTF-16 and UTF-8 INF files is shown as written.
#pragma once
#include "platform/TextCodePage.h"

class Utf8CodePage : public TextCodePage {
public:
    std::string FromUtf16(const std::u16string& text) override;
    bool IsLeadByte(unsigned char) const override { return false; }
};
