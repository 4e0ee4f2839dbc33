// The system's ANSI code page, for text read from UTF-16 and UTF-8 INF files.
#pragma once
#include <string>

class TextCodePage {
public:
    virtual ~TextCodePage() = default;
    // Converts UTF-16LE code units to the ANSI code page; characters without a mapping become '?'.
    virtual std::string FromUtf16(const std::u16string& text) = 0;
};
