// Decoding of Unicode INF files into UTF-16 code units, for the INF reader.
#pragma once
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// UTF-8 without its byte order mark. Ill-formed input (stray continuation bytes, overlong forms,
// encoded surrogates, values above U+10FFFF, sequences cut short) becomes U+FFFD, one for each
// longest run of bytes that could have begun a sequence, and decoding goes on after that run.
std::u16string DecodeUtf8(std::string_view bytes);
// Whether DecodeUtf8 would find nothing ill-formed to replace.
bool IsWellFormedUtf8(std::string_view bytes);

// The UTF-16 little-endian text of a file that opens with its byte order mark (and has an even
// number of bytes), in place: moved over the mark to the front of `bytes` as units in the host's
// order, up to its first Ctrl-Z unit; the mark leaves room for one unit after the text. No copy:
// a Unicode INF takes no more memory than its bytes. Lone surrogates pass through as they
// are: the code page conversion maps them to '?'.
std::span<char16_t> Utf16LeTextInPlace(std::string& bytes);
