// The pair match.
#include "package/HardwareIdMatch.h"

#include <algorithm>

#include "package/TextSearch.h"
#include "package/StableSort.h"
#include "text/Texts.h"

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i]))
            return false;
    return true;
}

// The value of a VID or PID text.
std::uint32_t IdValue(std::string_view text)
{
    std::uint32_t value = 0;
    for (char c : text) {
        const unsigned unit = static_cast<unsigned char>(c);
        value = value << 4 | (unit <= '9' ? unit - '0' : (unit | 0x20u) - 'a' + 10);
    }
    return value;
}

// Calls `take` with the value of each VID or PID text that follows the marker in the ID, in any
// case. Found from the marker's last character, '_', which few IDs hold more than twice; no copy
// is made, since the removal asks this of every hardware ID of every INF file in the system.
template <typename Take>
void ForEachMarkedValue(std::string_view id, std::string_view marker, Take take)
{
    const std::size_t before = marker.size() - 1;
    for (std::size_t last = FindInText(id, marker.back(), before);
         last != std::string_view::npos && last + IdTextLength < id.size();
         last = FindInText(id, marker.back(), last + 1)) {
        const std::string_view text = id.substr(last + 1, IdTextLength);
        if (SameIgnoringCase(id.substr(last - before, marker.size()), marker) && IsIdText(text))
            take(IdValue(text));
    }
}

bool HoldsMarkedValue(std::string_view id, std::string_view marker, std::uint32_t value)
{
    bool held = false;
    ForEachMarkedValue(id, marker, [&](std::uint32_t found) { held = held || found == value; });
    return held;
}

} // namespace

bool CarriesPair(std::string_view id, std::string_view vidText, std::string_view pidText)
{
    if (!IsIdText(vidText) || !IsIdText(pidText))
        return false;
    return HoldsMarkedValue(id, VidMarker, IdValue(vidText)) && HoldsMarkedValue(id, PidMarker, IdValue(pidText));
}

PairIndex::PairIndex(const HardwareIdList& pairs)
{
    std::vector<std::uint32_t> byKey, keyOf(pairs.size());
    for (std::uint32_t i = 0; i < pairs.size(); ++i) {
        const std::string_view vid = pairs[i].VidText.view(), pid = pairs[i].PidText.view();
        if (IsIdText(vid) && IsIdText(pid)) {
            keyOf[i] = IdValue(vid) << 16 | IdValue(pid);
            byKey.push_back(i);
        }
    }
    // Stable, so that the first of the positions that share a key is the earliest.
    inf::SortByValue(byKey, keyOf);
    for (const std::uint32_t position : byKey) {
        if (keys_.empty() || keys_.back() != keyOf[position]) {
            keys_.push_back(keyOf[position]);
            positions_.push_back(position);
        }
    }
}

std::uint32_t PairIndex::FirstPairIn(std::string_view id) const
{
    // The ID's PID values, each once, read when a VID first names one of the vendors: most IDs
    // are of other vendors, and a crafted one repeats its markers. A hardware ID (255 characters)
    // holds at most 32; a longer ID with more is read again for each VID instead.
    std::uint32_t pids[32];
    std::size_t pidCount = 0;
    bool pidsRead = false, morePids = false;
    std::uint32_t first = NoPair;
    ForEachMarkedValue(id, VidMarker, [&](std::uint32_t vid) {
        const auto vendor = std::lower_bound(keys_.begin(), keys_.end(), vid << 16);
        if (vendor == keys_.end() || *vendor >> 16 != vid)
            return;
        const auto take = [&](std::uint32_t pid) {
            const auto key = std::lower_bound(vendor, keys_.end(), vid << 16 | pid);
            if (key != keys_.end() && *key == (vid << 16 | pid))
                first = std::min(first, positions_[static_cast<std::size_t>(key - keys_.begin())]);
        };
        if (!pidsRead) {
            pidsRead = true;
            ForEachMarkedValue(id, PidMarker, [&](std::uint32_t pid) {
                if (std::find(pids, pids + pidCount, pid) != pids + pidCount)
                    return;
                if (pidCount < std::size(pids))
                    pids[pidCount++] = pid;
                else
                    morePids = true;
            });
        }
        if (morePids)
            ForEachMarkedValue(id, PidMarker, take);
        else
            std::for_each(pids, pids + pidCount, take);
    });
    return first;
}
