// Classification of the running system.
#pragma once
#include "platform/SystemInfo.h"
#include "records/OsClass.h"

// The class of a reported version; only major, minor and the low 16 bits of the build count.
OsClass ClassOfVersion(const SystemVersion& version);

// The class of the running system; Unsupported when the version query fails.
OsClass ClassifyOs(SystemInfo& system);
