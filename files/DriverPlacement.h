// Placing the package's files under the Windows folder.
#pragma once
#include "app/SetupSession.h"

void PlaceDriverFiles(SetupSession& session, int from, int to);
