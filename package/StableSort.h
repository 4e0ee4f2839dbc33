// Stable sorts of positions, for the INF reader's section and string indexes and the removal's lists.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace inf {

// A stable merge sort of positions in an order the caller defines (`less(a, b)`: position a
// goes before position b): one of its own, since every instantiation of std::stable_sort would
// weigh on Setup.exe. The order is a parameter, not a virtual call, since the INF reader sorts
// the sections of every file it opens.
template <typename Less>
void SortStable(std::vector<std::uint32_t>& positions, Less less)
{
    std::vector<std::uint32_t> merged(positions.size());
    for (std::size_t width = 1; width < positions.size(); width *= 2) {
        for (std::size_t left = 0; left < positions.size(); left += 2 * width) {
            const std::size_t middle = std::min(left + width, positions.size());
            const std::size_t right = std::min(left + 2 * width, positions.size());
            std::size_t i = left, j = middle, k = left;
            while (i < middle && j < right)
                merged[k++] = less(positions[j], positions[i]) ? positions[j++] : positions[i++];
            while (i < middle) merged[k++] = positions[i++];
            while (j < right) merged[k++] = positions[j++];
        }
        positions.swap(merged);
    }
}

// Positions ordered by a number each (values[position]), stably: a radix sort, a byte of the
// number a pass, whose time grows with the count alone. The INF reader sorts the sections of
// every file it opens by the hashes of their names, thousands in a printer driver's INF.
inline void SortByValue(std::vector<std::uint32_t>& positions, const std::vector<std::uint32_t>& values)
{
    std::vector<std::uint32_t> sorted(positions.size());
    for (unsigned shift = 0; shift < 32; shift += 8) {
        std::size_t starts[256] = {};
        for (const std::uint32_t position : positions) ++starts[values[position] >> shift & 0xFF];
        std::size_t next = 0;
        for (std::size_t& start : starts) next += std::exchange(start, next);
        for (const std::uint32_t position : positions) sorted[starts[values[position] >> shift & 0xFF]++] = position;
        positions.swap(sorted);
    }
}

} // namespace inf
