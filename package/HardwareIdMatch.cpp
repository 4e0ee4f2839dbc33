// The pair match.
#include "package/HardwareIdMatch.h"

#include "package/ShortTextSearch.h"
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

// Whether the ID holds the marker followed by the text, without regard to case. Found from the
// marker's last character, '_', which few IDs hold more than twice; no copy is made, since the
// removal of installed copies asks this of every hardware ID of every INF file in the system.
bool HoldsMarkedText(std::string_view id, std::string_view marker, std::string_view text)
{
    const std::size_t before = marker.size() - 1;
    for (std::size_t last = FindInShortText(id, marker.back(), before); last != std::string_view::npos;
         last = FindInShortText(id, marker.back(), last + 1)) {
        if (last + text.size() >= id.size())
            return false;
        if (SameIgnoringCase(id.substr(last - before, marker.size()), marker) &&
            SameIgnoringCase(id.substr(last + 1, text.size()), text))
            return true;
    }
    return false;
}

} // namespace

bool CarriesPair(std::string_view id, std::string_view vidText, std::string_view pidText)
{
    if (!IsIdText(vidText) || !IsIdText(pidText))
        return false;
    return HoldsMarkedText(id, VidMarker, vidText) && HoldsMarkedText(id, PidMarker, pidText);
}
