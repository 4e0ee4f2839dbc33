// Placing the package's files under the Windows folder.
#pragma once
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "records/RunContext.h"

// The INF copy (edited), on the Windows 98 family the port driver and the removal of the driver
// database, and the driver, with the status line and the progress from..to.
void PlaceDriverFiles(RunContext& run, FileSystem& files, Registry& registry, int from, int to);

// Whether the INF copy and the driver can be read at their destinations: a file read-only,
// locked or replaced by a folder there means the placement failed.
bool DriverFilesInPlace(FileSystem& files, const SetupState& state);
