// The one rule for whether a hardware ID or device instance ID carries a VID/PID pair, used by
// the device removal and the removal of installed INF copies alike.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "records/HardwareIdList.h"

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

// The package's pairs, looked up by the pairs an ID carries: the removal asks every device node
// and every hardware ID of every installed copy about all the pairs at once, so that a package of
// a million pairs costs no more per ID than one of a few.
class PairIndex {
public:
    static constexpr std::uint32_t NoPair = UINT32_MAX;

    // Pairs whose texts are not four hexadecimal digits are left out: they match nothing.
    explicit PairIndex(const HardwareIdList& pairs);
    bool empty() const { return keys_.empty(); }
    // The list position of the first pair that CarriesPair finds in the ID; NoPair for none.
    std::uint32_t FirstPairIn(std::string_view id) const;

private:
    std::vector<std::uint32_t> keys_;      // VID << 16 | PID, ascending, each once
    std::vector<std::uint32_t> positions_; // the first list position of each key
};
