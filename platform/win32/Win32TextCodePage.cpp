// The system's ANSI code page through WideCharToMultiByte and MultiByteToWideChar.
#include "platform/win32/Win32TextCodePage.h"

#include <windows.h>

#include <algorithm>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "WCHAR is a UTF-16 code unit");

namespace {

// The conversions take int lengths, so long texts go through in pieces that never split a
// surrogate pair or a double-byte character.
constexpr std::size_t PieceLength = 1u << 20;

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

std::string Win32TextCodePage::FromUtf16(const std::u16string& text)
{
    // The UTF-8 code pages refuse a default character; every other one takes "?".
    const UINT codePage = GetACP();
    const char* defaultChar = codePage == CP_UTF8 || codePage == CP_UTF7 ? nullptr : "?";
    std::string result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t length = std::min(PieceLength, text.size() - pos);
        if (pos + length < text.size() && IsHighSurrogate(text[pos + length - 1]))
            --length;
        const auto* wide = reinterpret_cast<const wchar_t*>(text.data() + pos);
        const int units = static_cast<int>(length);
        const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, defaultChar, nullptr);
        if (size <= 0) {
            result.append(length, '?');
        } else {
            const std::size_t start = result.size();
            result.resize(start + static_cast<std::size_t>(size));
            const int written = WideCharToMultiByte(CP_ACP, 0, wide, units, &result[start], size, defaultChar, nullptr);
            result.resize(start + static_cast<std::size_t>(std::max(written, 0)));
        }
        pos += length;
    }
    return result;
}

std::u16string Win32TextCodePage::ToUtf16(std::string_view text)
{
    std::u16string result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t length = text.size() - pos;
        if (length > PieceLength) {
            // Only a character boundary found from the start of the piece is certain.
            length = 0;
            while (length < PieceLength) length += IsDBCSLeadByte(static_cast<BYTE>(text[pos + length])) ? 2 : 1;
        }
        const int bytes = static_cast<int>(length);
        const int units = MultiByteToWideChar(CP_ACP, 0, text.data() + pos, bytes, nullptr, 0);
        if (units > 0) {
            const std::size_t start = result.size();
            result.resize(start + static_cast<std::size_t>(units));
            const int written = MultiByteToWideChar(CP_ACP, 0, text.data() + pos, bytes,
                                                    reinterpret_cast<wchar_t*>(&result[start]), units);
            result.resize(start + static_cast<std::size_t>(std::max(written, 0)));
        }
        pos += length;
    }
    return result;
}

bool Win32TextCodePage::IsLeadByte(unsigned char byte) const
{
    return IsDBCSLeadByte(byte) != FALSE;
}
