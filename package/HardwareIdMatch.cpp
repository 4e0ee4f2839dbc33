// VID/PID texts and the pair match.
#include "package/HardwareIdMatch.h"

#include <string>

#include "text/Texts.h"

bool IsIdText(std::string_view text)
{
    if (text.size() != IdTextLength)
        return false;
    for (char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex)
            return false;
    }
    return true;
}

bool CarriesPair(std::string_view id, std::string_view vidText, std::string_view pidText)
{
    if (!IsIdText(vidText) || !IsIdText(pidText))
        return false;
    const std::string upperId = ToUpperAscii(std::string(id));
    return upperId.find(ToUpperAscii(VidMarker + std::string(vidText))) != std::string::npos &&
           upperId.find(ToUpperAscii(PidMarker + std::string(pidText))) != std::string::npos;
}
