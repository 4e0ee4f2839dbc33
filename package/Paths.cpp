// Paths joined in 260-character buffers, refused rather than cut short.
#include "package/Paths.h"

bool JoinPath(std::string_view folder, std::string_view name, std::string& out)
{
    const bool endsWithBackslash = !folder.empty() && folder.back() == '\\';
    std::string joined(folder);
    if (!endsWithBackslash)
        joined += '\\';
    joined.append(name);
    if (joined.size() > MaxPathLength)
        return false;
    out = std::move(joined);
    return true;
}
