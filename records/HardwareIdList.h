// The package's VID/PID pairs.
#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

#include "records/FixedText.h"

// One VID/PID pair of the package, four characters each at most.
struct HardwareIdEntry {
    FixedText<5> VidText;
    FixedText<5> PidText;
};

// The package's VID/PID pairs in model-line order.
class HardwareIdList {
public:
    // Grows geometrically: a package with a million model lines is read in linear time.
    void Append(const HardwareIdEntry& entry) { entries_.push_back(entry); }
    // The same for a pair given as texts, written where the entry stands: the package read adds
    // millions, and an entry made first and then copied costs a stall on every one.
    void Append(std::string_view vidText, std::string_view pidText)
    {
        HardwareIdEntry& entry = entries_.emplace_back();
        entry.VidText.Assign(vidText);
        entry.PidText.Assign(pidText);
    }
    // Room for this many entries, so that a list whose length is known is never moved.
    void Reserve(std::size_t count) { entries_.reserve(count); }
    // Empties the list and releases its storage.
    void Release() { std::vector<HardwareIdEntry>().swap(entries_); }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const HardwareIdEntry& operator[](std::size_t index) const { return entries_[index]; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    std::vector<HardwareIdEntry> entries_;
};
