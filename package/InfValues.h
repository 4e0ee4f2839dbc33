// What the INF reader makes of a field's text: integers as SetupAPI reads them, directory ids
// and their folders, the localized strings section's name, an INF file's own folder.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/TextCodePage.h"

namespace inf {

// "Strings.LLLL", the language in four lower-case hex digits. Spelled out by hand: a printf
// would bring the C library's whole formatter (floating point included) into Setup.exe.
struct SectionName {
    char text[sizeof "Strings.0000"];
};

inline SectionName LocalizedStringsName(std::uint16_t language)
{
    static constexpr char HexDigits[] = "0123456789abcdef";
    SectionName name = {"Strings.0000"};
    for (std::size_t digit = 0; digit < 4; ++digit)
        name.text[8 + digit] = HexDigits[(language >> (12 - 4 * digit)) & 0xF];
    return name;
}

// The folder of the INF file, ending in its separator; empty when the path names none.
inline std::string FolderOf(std::string_view path, const TextCodePage& codePage)
{
    std::size_t end = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (codePage.IsLeadByte(static_cast<unsigned char>(path[i])))
            ++i; // a second byte that looks like a backslash is not one
        else if (path[i] == '\\' || path[i] == '/')
            end = i + 1;
    }
    return std::string(path.substr(0, end));
}

// strtol with base 0, as SetupGetIntField applies it: leading blanks and a sign, "0x" for hex,
// a leading 0 for octal; the whole text must be digits after that; 32-bit overflow clamps.
inline bool ParseInteger(std::string_view text, std::int32_t& value)
{
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    const auto digitValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return 99;
    };
    int base = 10;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        if (pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X') && digitValue(text[pos + 2]) < 16) {
            base = 16;
            pos += 2;
        }
    }
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t magnitude = 0;
    const std::size_t firstDigit = pos;
    for (; pos < text.size() && digitValue(text[pos]) < base; ++pos)
        magnitude = std::min(limit, magnitude * base + digitValue(text[pos]));
    if (pos == firstDigit || pos != text.size())
        return false;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

// The directory ids the platform's SetupAPI substitutes, with the folders it gives them.
enum class Base : std::uint8_t { Empty, Windows, System, WindowsDrive, InfFolder, NotKnownHere };
struct DirectoryId {
    std::int32_t id;
    Base base;
    const char* tail;
};
constexpr DirectoryId DirectoryIds[] = {
    {-1, Base::Empty, ""}, // an absolute path follows
    {0, Base::Empty, ""},
    {1, Base::InfFolder, ""},
    {10, Base::Windows, ""},
    {11, Base::System, ""},
    {12, Base::System, "\\drivers"},
    {13, Base::System, ""},
    {17, Base::Windows, "\\inf"},
    {18, Base::Windows, "\\help"},
    {20, Base::Windows, "\\fonts"},
    {21, Base::System, "\\viewers"},
    {23, Base::System, "\\spool\\drivers\\color"},
    {24, Base::WindowsDrive, ""},
    {25, Base::Windows, ""},
    {30, Base::WindowsDrive, ""},
    {50, Base::Windows, "\\system"},
    {51, Base::Windows, "\\spool"},
    {52, Base::Windows, "\\spool\\drivers"},
    {53, Base::NotKnownHere, ""}, // the user's profile
    {54, Base::WindowsDrive, ""},
    {55, Base::NotKnownHere, ""}, // the print processors
    {0xFFFF, Base::Empty, ""},    // an absolute path follows, as -1
};
// Ids from here on name shell folders, up to the user's own ids.
constexpr std::int32_t FirstShellFolderId = 0x4000;
constexpr std::int32_t LastShellFolderId = 0x403F;
constexpr std::int32_t FirstUserId = 0x8000;

} // namespace inf
