// Token replacement in the texts the program shows.
#pragma once
#include <string>
#include <string_view>

inline constexpr std::string_view DeviceNameToken = "#DEV_NAME#";
inline constexpr std::string_view DeviceDescriptionToken = "#INF_DEV_DESC#";

// Replaces every occurrence of token, scanning left to right; text put in is not searched again.
std::string ReplaceEachOnce(std::string_view text, std::string_view token, std::string_view replacement);
