// Placing the package's files under the Windows folder.
#pragma once
#include "app/SetupSession.h"

void PlaceDriverFiles(SetupSession& session, int from, int to);

// Whether the INF copy and the driver can be read at their destinations: a file read-only,
// locked or replaced by a folder there means the placement failed.
bool DriverFilesInPlace(SetupSession& session);
