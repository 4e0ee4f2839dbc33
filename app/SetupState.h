// The shared records of one run: the setup state, the brand strings, the hardware IDs, the OS class.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// A zero-terminated 8-bit text of fixed width (terminator included). A value that does not
// fit is refused and the old value stays: nothing is ever cut short or written past the end.
template <std::size_t Width>
class FixedText {
public:
    static constexpr std::size_t width = Width;

    bool Assign(std::string_view value)
    {
        if (value.size() >= Width || value.find('\0') != std::string_view::npos)
            return false;
        std::memcpy(text_, value.data(), value.size());
        std::memset(text_ + value.size(), 0, Width - value.size());
        return true;
    }
    void Clear() { std::memset(text_, 0, Width); }

    const char* c_str() const { return text_; }
    std::string_view view() const { return std::string_view(text_, std::strlen(text_)); }
    std::string str() const { return std::string(view()); }
    bool empty() const { return text_[0] == '\0'; }

private:
    char text_[Width] = {};
};

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

// Class of the running system. Below Windows2000 the Windows 98 family's steps apply.
enum class OsClass : std::uint8_t {
    Unsupported = 0,
    Windows98 = 1,
    Windows98SecondEdition = 2,
    WindowsMe = 3,
    Windows2000 = 4,
    WindowsXp = 5,
};

inline bool IsWindows98Family(OsClass osClass)
{
    return osClass <= OsClass::WindowsMe;
}

// Per-run paths, names and codes, filled while the setup dialog starts and read-only afterwards.
struct SetupState {
    HardwareIdList HardwareIds;
    ::OsClass OsClass = ::OsClass::Unsupported;
    FixedText<10> TargetVidText;
    FixedText<10> TargetPidText;
    FixedText<40> ModelsSectionName;
    FixedText<20> SetupFileName;
    FixedText<20> MpdInfName;
    FixedText<20> FddInfName;
    FixedText<20> DriverFileName;
    FixedText<20> PortDriverFileName;
    FixedText<260> ProgramFolder;
    FixedText<260> WindowsFolder;
    FixedText<64> DeviceDescription;
    FixedText<64> DeviceDisplayName;
    FixedText<40> ProviderName;
    FixedText<40> InstallSectionName;
    std::int32_t Win98Only = 0;
};

// The four texts that brand the program; loaded from the string table, the first three
// possibly replaced by the package.
struct BrandStrings {
    std::string AppTitle;
    std::string DeviceName;
    std::string AboutText;
    std::string LinkText;
};
