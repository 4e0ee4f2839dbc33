// The system's ANSI code page, for text read from UTF-16 and UTF-8 INF files.
#pragma once
#include <string>

class TextCodePage {
public:
    virtual ~TextCodePage() = default;
    // Converts UTF-16LE code units to the ANSI code page; characters without a mapping become '?'.
    virtual std::string FromUtf16(const std::u16string& text) = 0;
    // Whether the byte opens a double-byte character (Japanese, Chinese code pages), whose
    // second byte may look like a backslash or a bracket.
    virtual bool IsLeadByte(unsigned char byte) const = 0;
};
