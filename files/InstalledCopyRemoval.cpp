// Removal of installed INF copies and of the installed driver.
#include "files/InstalledCopyRemoval.h"

int RemoveInfCopies(SetupSession&, const char*, const char*)
{
    return 0; // no INF copy is examined yet
}

void DeleteDriverFile(SetupSession&) {}
