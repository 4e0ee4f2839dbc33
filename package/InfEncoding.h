// Decoding of Unicode INF files into UTF-16 code units, for the INF reader.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 without its byte order mark. Ill-formed input (stray continuation bytes, overlong forms,
// encoded surrogates, values above U+10FFFF, sequences cut short) becomes U+FFFD, one for each
// longest run of bytes that could have begun a sequence, and decoding goes on after that run.
std::u16string DecodeUtf8(std::string_view bytes);
// Whether DecodeUtf8 would find nothing ill-formed to replace.
bool IsWellFormedUtf8(std::string_view bytes);

// UTF-16 little endian without its byte order mark; an odd last byte is dropped. Lone
// surrogates pass through as they are: the code page conversion maps them to '?'.
std::u16string DecodeUtf16Le(std::string_view bytes);
// The bytes of UTF-16 little-endian text (without its byte order mark) before its first Ctrl-Z
// unit; all of them when it has none.
std::size_t Utf16LeTextLength(std::string_view bytes);
