// Where the setup's files stand under the Windows folder: every path it builds there has its
// home here. A path that would not fit in 260 characters is empty, never cut short.
//
// Two spellings of the INF folder stand side by side, each kept byte for byte where it has
// always been used: the INF copy (placed, checked, recovered) and the deletion of the driver
// database use "inf" ("inf\other" on the 98 family); the search-path folder and its registry
// value, the copy removal's search and the hiding use "INF" ("INF\OTHER"). The file system
// ignores case, so both name the same folders; the registry value shows "INF\OTHER".
#pragma once
#include <string>
#include <string_view>

#include "records/SetupState.h"

// The INF copy under its installed name: INF\OTHER on the 98 family, OEM-prefixed in INF on
// 2000 and XP.
std::string InfCopyDestination(const SetupState& state);

// Whether the INF copy takes a name of the kind the system gives the INF copies it installs
// itself, oem<number>.inf: on 2000 and XP, for a setup description named by a number.
bool InfCopyTakesSystemName(const SetupState& state);

// The driver in the system's drivers folder, under its installed name (EXDISK.SYS); empty too
// when there is no driver name.
std::string DriverDestination(const SetupState& state);

// The port driver in the 98 family's iosubsys folder.
std::string PortDriverDestination(const SetupState& state);

// The 98 family's other-device INF folder, where the system looks for the INF of a new device.
std::string OtherDeviceFolder(const SetupState& state);

// The search that finds installed INF copies (INF\OTHER\*.INF on the 98 family, INF\OEM*.INF
// on 2000 and XP), and the path of a copy it found by its name.
std::string InfCopySearchPattern(const SetupState& state);
std::string InfCopyPath(const SetupState& state, std::string_view name);

// The precompiled twin the system keeps beside an INF: the same path with .PNF as extension.
std::string PrecompiledTwin(const std::string& infPath);

// The system's matching data as path templates, "%s" the Windows folder. First the 98 family's
// driver database, deleted by the placement so that the system rebuilds it from the INF folder
// and finds the new copy.
inline constexpr const char* DriverDatabaseFiles[] = {"%s\\inf\\DRVIDX.BIN", "%s\\inf\\DRVDATA.BIN"};

// A system file and the backup name it is hidden under while a device starts.
struct HiddenFile {
    const char* systemName;
    const char* backupName;
};
inline constexpr HiddenFile UsbStorageInf[] = {
    {"%s\\INF\\USBSTOR.INF", "%s\\INF\\USBSTOR.IQ7"},
    {"%s\\INF\\USBSTOR.PNF", "%s\\INF\\USBSTOR.PQ7"},
};
inline constexpr HiddenFile DriverDatabase[] = {
    {"%s\\INF\\DRVIDX.BIN", "%s\\INF\\DRVIDX.Q7"},
    {"%s\\INF\\DRVDATA.BIN", "%s\\INF\\DRVDATA.Q7"},
};
