// Text rules shared by every subsystem: token replacement and ASCII upper-casing.
#pragma once
#include <string>
#include <string_view>

inline constexpr std::string_view DeviceNameToken = "#DEV_NAME#";
inline constexpr std::string_view DeviceDescriptionToken = "#INF_DEV_DESC#";

// Replaces every occurrence of token, scanning left to right; text put in is not searched again.
std::string ReplaceEachOnce(std::string_view text, std::string_view token, std::string_view replacement);

// ASCII letters to upper case; every other byte stays as it is, so double-byte characters
// are never changed.
inline char ToUpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string ToUpperAscii(std::string text);
