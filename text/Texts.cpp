// Text rules shared by every subsystem: token replacement and ASCII upper-casing.
#include "text/Texts.h"

std::string ReplaceEachOnce(std::string_view text, std::string_view token, std::string_view replacement)
{
    if (token.empty())
        return std::string(text);
    std::string result;
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(token, start)) != std::string_view::npos; start = found + token.size()) {
        result.append(text, start, found - start);
        result.append(replacement);
    }
    result.append(text, start);
    return result;
}

std::string ToUpperAscii(std::string text)
{
    for (char& c : text) c = ToUpperAscii(c);
    return text;
}
