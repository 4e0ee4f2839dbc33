// Paths under the program and Windows folders: joined and formatted in 260-character buffers,
// refused rather than cut short when they do not fit.
#pragma once
#include <string>
#include <string_view>

// The widest path a 260-character buffer holds, terminator excluded.
constexpr std::size_t MaxPathLength = 259;

// folder, one backslash, name; no second backslash when the folder already ends with one.
// False (and out untouched) when the result would be longer than MaxPathLength.
bool JoinPath(std::string_view folder, std::string_view name, std::string& out);
