// Paths joined in 260-character buffers, refused rather than cut short.
#include "text/Paths.h"

std::size_t LastBackslash(std::string_view path, const TextCodePage& codePage)
{
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (codePage.IsLeadByte(static_cast<unsigned char>(path[i])))
            ++i; // the trail byte is part of this character
        else if (path[i] == '\\')
            last = i;
    }
    return last;
}

bool JoinPath(const TextCodePage& codePage, std::string_view folder, std::string_view name, std::string& out)
{
    const bool endsWithBackslash = !folder.empty() && LastBackslash(folder, codePage) == folder.size() - 1;
    std::string joined(folder);
    if (!endsWithBackslash)
        joined += '\\';
    joined.append(name);
    if (joined.size() > MaxPathLength)
        return false;
    out = std::move(joined);
    return true;
}

bool FormatPath(std::string_view format, std::initializer_list<std::string_view> arguments, std::string& out)
{
    std::string formatted;
    auto argument = arguments.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (argument == arguments.end())
                return false;
            formatted.append(*argument++);
            ++i;
        } else {
            formatted += format[i];
        }
    }
    if (argument != arguments.end() || formatted.size() > MaxPathLength)
        return false;
    out = std::move(formatted);
    return true;
}
