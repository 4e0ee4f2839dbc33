// What the benchmarks share: wall-clock timing, medians, and the plain read they are measured against.
#pragma once
#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

using Timer = std::chrono::steady_clock;

inline double Milliseconds(Timer::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The bytes alone: the file opened and read whole into memory; the number of bytes read.
inline std::size_t ReadWhole(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = file.tellg();
    file.seekg(0, std::ios::beg);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.read(bytes.data(), size);
    return static_cast<std::size_t>(file.gcount());
}
