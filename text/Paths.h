// Paths under the program and Windows folders: joined and formatted in 260-character buffers,
// refused rather than cut short when they do not fit.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/TextCodePage.h"

// The widest path a 260-character buffer holds, terminator excluded.
constexpr std::size_t MaxPathLength = 259;

// The position of the last backslash that is a character of its own, not the second byte of a
// double-byte character; npos when there is none.
std::size_t LastBackslash(std::string_view path, const TextCodePage& codePage);

// folder, one backslash, name; no second backslash when the folder already ends with one.
// False (and out untouched) when the result would be longer than MaxPathLength.
bool JoinPath(const TextCodePage& codePage, std::string_view folder, std::string_view name, std::string& out);

// A "%s" template filled with the arguments in order ("%s\\INF\\%s"). False (and out untouched)
// when the result would be longer than MaxPathLength or the arguments do not match the template.
bool FormatPath(std::string_view format, std::initializer_list<std::string_view> arguments, std::string& out);
