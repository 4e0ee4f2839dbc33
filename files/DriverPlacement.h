// Placing the package's files under the Windows folder.
#pragma once
#include "app/SetupSession.h"

void PlaceDriverFiles(SetupSession& session, int from, int to);

// Where the INF copy goes: INF\OTHER on the 98 family, OEM-prefixed in INF on 2000 and XP.
// Empty when the path would not fit.
std::string InfCopyDestination(const SetupState& state);
