// The Linux file system seen the way Windows shows it to the package reader.
#include "HostFileSystem.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "text/Texts.h"

namespace {

std::string HostPath(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool SameLetter(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

} // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name)
{
    if (pattern.empty())
        return name.empty();
    if (pattern.front() == '*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip) {
            if (MatchesWildcard(pattern.substr(1), name.substr(skip)))
                return true;
        }
        return false;
    }
    if (pattern.front() == '?') {
        // Windows lets a '?' match nothing at the end of a name ("*.in?" matches "A.IN").
        if (name.empty())
            return MatchesWildcard(pattern.substr(1), name);
        return MatchesWildcard(pattern.substr(1), name.substr(1));
    }
    return !name.empty() && SameLetter(pattern.front(), name.front()) &&
           MatchesWildcard(pattern.substr(1), name.substr(1));
}

std::vector<std::string> HostFileSystem::FindFiles(const std::string& pattern)
{
    const std::string hostPattern = HostPath(pattern);
    const std::size_t slash = hostPattern.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : hostPattern.substr(0, slash + 1);
    const std::string namePattern = slash == std::string::npos ? hostPattern : hostPattern.substr(slash + 1);

    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory(error) && MatchesWildcard(namePattern, name))
            names.push_back(name);
    }
    // Directory order on Linux is arbitrary. Windows lists an NTFS folder in the order of the
    // names in capitals, so the first match the check reports is the one Setup.exe takes there.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::pair(ToUpperAscii(a), a) < std::pair(ToUpperAscii(b), b);
    });
    return names;
}

bool HostFileSystem::ReadAll(const std::string& path, std::string& bytes)
{
    // Straight into a buffer of the file's size: a stream copy would cost more than the read.
    std::error_code error;
    if (!std::filesystem::is_regular_file(HostPath(path), error))
        return false;
    std::ifstream file(HostPath(path), std::ios::binary | std::ios::ate);
    if (!file)
        return false;
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<std::uintmax_t>(size) > readLimit)
        return false;
    std::string contents(static_cast<std::size_t>(size), '\0');
    file.seekg(0, std::ios::beg);
    if (size > 0 && !file.read(contents.data(), size))
        return false;
    bytes.swap(contents);
    return true;
}
