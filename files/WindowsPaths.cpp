// Where the setup's files stand under the Windows folder.
#include "files/WindowsPaths.h"

#include "text/Paths.h"

namespace {

// The templates' "%s" are the Windows folder and then a file name; the INF folder in the
// spelling each has always used (see the header).
constexpr const char* InfCopy98Family = "%s\\inf\\other\\%s";
constexpr const char* InfCopyOem = "%s\\inf\\oem%s";
constexpr const char* Driver = "%s\\system32\\drivers\\%s";
constexpr const char* PortDriver = "%s\\system\\iosubsys\\%s";
constexpr const char* OtherDevices = "%s\\INF\\OTHER";
constexpr const char* InstalledCopies98Family = "%s\\INF\\OTHER\\*.INF";
constexpr const char* InstalledCopy98Family = "%s\\INF\\OTHER\\%s";
constexpr const char* InstalledCopiesOem = "%s\\INF\\OEM*.INF";
constexpr const char* InstalledCopyOem = "%s\\INF\\%s";

std::string Format(const char* pathTemplate, const SetupState& state, std::string_view name)
{
    std::string path;
    FormatPath(pathTemplate, {state.WindowsFolder.view(), name}, path);
    return path;
}

// The installed name of a packed file: its last character overwritten with a letter
// (EXDISK.SY_ becomes EXDISK.SYS with 'S', EXDISK.IN_ becomes EXDISK.INF with 'F').
std::string InstalledName(std::string path, char lastLetter)
{
    if (!path.empty())
        path.back() = lastLetter;
    return path;
}

} // namespace

std::string InfCopyDestination(const SetupState& state)
{
    const char* folder = IsWindows98Family(state.OsClass) ? InfCopy98Family : InfCopyOem;
    // The search for "*.in?" also finds EXDISK.IN, whose copy must still end in .INF to be
    // read by the system and found by the next removal.
    const std::string_view name = state.SetupFileName.view();
    const std::string copy = Format(folder, state, name);
    if (name.size() >= 3 && name[name.size() - 3] == '.')
        return copy.empty() || copy.size() >= MaxPathLength ? std::string() : copy + 'F';
    return InstalledName(copy, 'F');
}

bool InfCopyTakesSystemName(const SetupState& state)
{
    const std::string_view name = state.SetupFileName.view();
    std::size_t digits = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') ++digits;
    return !IsWindows98Family(state.OsClass) && digits != 0 && (digits == name.size() || name[digits] == '.');
}

std::string DriverDestination(const SetupState& state)
{
    if (state.DriverFileName.empty())
        return {};
    return InstalledName(Format(Driver, state, state.DriverFileName.view()), 'S');
}

std::string PortDriverDestination(const SetupState& state)
{
    return Format(PortDriver, state, state.PortDriverFileName.view());
}

std::string OtherDeviceFolder(const SetupState& state)
{
    std::string folder;
    FormatPath(OtherDevices, {state.WindowsFolder.view()}, folder);
    return folder;
}

std::string InfCopySearchPattern(const SetupState& state)
{
    std::string pattern;
    FormatPath(IsWindows98Family(state.OsClass) ? InstalledCopies98Family : InstalledCopiesOem,
               {state.WindowsFolder.view()}, pattern);
    return pattern;
}

std::string InfCopyPath(const SetupState& state, std::string_view name)
{
    return Format(IsWindows98Family(state.OsClass) ? InstalledCopy98Family : InstalledCopyOem, state, name);
}

std::string PrecompiledTwin(const std::string& infPath)
{
    const std::size_t nameStart = infPath.rfind('\\') + 1;
    const std::size_t dot = infPath.rfind('.');
    const std::size_t extension = dot == std::string::npos || dot < nameStart ? infPath.size() : dot;
    return infPath.substr(0, extension) + ".PNF";
}
