// Removal of installed INF copies and of the installed driver.
#pragma once
#include "app/SetupSession.h"

// Deletes every INF copy in the system's INF folder that lists the pair, with its .PNF twin;
// the number of copies that matched.
int RemoveInfCopies(SetupSession& session, const char* vidText, const char* pidText);
void DeleteDriverFile(SetupSession& session);
