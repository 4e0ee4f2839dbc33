// Placing the package's files under the Windows folder.
#pragma once
#include "app/SetupSession.h"

void PlaceDriverFiles(SetupSession& session, int from, int to);

// Whether the INF copy and the driver can be read at their destinations: a file read-only,
// locked or replaced by a folder there means the placement failed.
bool DriverFilesInPlace(SetupSession& session);

// The driver's place in the system's drivers folder, under its installed name (EXDISK.SYS);
// empty when there is no driver name or the path would not fit.
std::string DriverDestination(const SetupState& state);

// Where the INF copy goes: INF\OTHER on the 98 family, OEM-prefixed in INF on 2000 and XP.
// Empty when the path would not fit.
std::string InfCopyDestination(const SetupState& state);
