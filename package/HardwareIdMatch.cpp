// The pair match.
#include "package/HardwareIdMatch.h"

#include <string>

#include "text/Texts.h"

bool CarriesPair(std::string_view id, std::string_view vidText, std::string_view pidText)
{
    if (!IsIdText(vidText) || !IsIdText(pidText))
        return false;
    const std::string upperId = ToUpperAscii(std::string(id));
    return upperId.find(ToUpperAscii(VidMarker + std::string(vidText))) != std::string::npos &&
           upperId.find(ToUpperAscii(PidMarker + std::string(pidText))) != std::string::npos;
}
