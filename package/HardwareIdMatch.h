// The one rule for whether a hardware ID or device instance ID carries a VID/PID pair, used by
// the device removal and the removal of installed INF copies alike.
#pragma once
#include <string_view>

// The length of a VID or PID text.
constexpr std::size_t IdTextLength = 4;

// What a VID and a PID text follow in a hardware ID. The match below finds them in any case; the
// device model reads the package's own pairs only after them as written.
inline constexpr const char* VidMarker = "VID_";
inline constexpr const char* PidMarker = "PID_";

// A VID or PID text: exactly four hexadecimal digits, in either case. Inline: the package read
// tests two for each model line.
inline bool IsIdText(std::string_view text)
{
    if (text.size() != IdTextLength)
        return false;
    for (char c : text) {
        // 0-9, then A-F and a-f as one range once the case bit is set.
        const unsigned unit = static_cast<unsigned char>(c);
        if (unit - '0' >= 10u && (unit | 0x20u) - 'a' >= 6u)
            return false;
    }
    return true;
}

// Whether the ID holds "VID_" followed by the VID text and "PID_" followed by the PID text,
// without regard to case. A text that is not four hexadecimal digits never matches: a short or
// empty one would also match other devices of the vendor, or every device.
bool CarriesPair(std::string_view id, std::string_view vidText, std::string_view pidText);
