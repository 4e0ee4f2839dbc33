// A folder of installed INF files of the shapes a system's INF folder holds, made the same way
// for the same seed, for timing the removal's INF lookups here and under Wine.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct GeneratedInf {
    std::string name;  // OEM<n>.INF
    std::string bytes; // as written to disk: ANSI, or UTF-16LE or UTF-8 with a byte order mark
    enum class Encoding { Ansi, Utf16, Utf8 } encoding = Encoding::Ansi;
    std::size_t modelLines = 0; // lines of the models section [Manufacturer] names
};

struct InfFolderShape {
    std::size_t files = 300;
    std::size_t largeFiles = 6;           // 1 to 3 MB each
    std::size_t smallestBytes = 2 * 1024; // the others, spread evenly on a log scale
    std::size_t largestBytes = 50 * 1024;
    unsigned utf16Percent = 15;
    unsigned utf8Percent = 5;
    std::uint64_t seed = 20060621;
};

std::vector<GeneratedInf> GenerateInfFolder(const InfFolderShape& shape = {});

// Writes every file into the folder, creating it when missing. False with a reason on failure.
bool WriteInfFolder(const std::vector<GeneratedInf>& files, const std::filesystem::path& folder, std::string& error);
