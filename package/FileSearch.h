// Directory searches as the core uses them: every name the system's search returns is checked
// again against the pattern, by its long name.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/TextCodePage.h"

// Windows' matching of a search pattern against one name, without regard to ASCII case: "*" any
// run of characters; "*" before "." stops short of the name's last dot; "?" one character, or
// nothing at a dot or at the end of the name (so "*.in?" takes "A.IN"); a "." before "?", "*"
// or the end of the pattern also matches the end of a name without dot (so "*.*" takes "README").
bool MatchesSearchPattern(std::string_view name, std::string_view pattern);

// The names a search of pattern ("C:\\WINDOWS\\INF\\OEM*.INF", its name part ASCII) yields, in the search's order,
// without those the system matched only by their short 8.3 alias ("x.sy_old" is found by
// "*.sy_" on Windows 2000 and XP) and without any that is no plain name of the folder.
std::vector<std::string> FindMatchingFiles(FileSystem& files, const TextCodePage& codePage, const std::string& pattern);
