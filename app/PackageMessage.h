// The message of an unusable driver package: the package reader names it, the application
// shows it.
#pragma once
#include "package/DriverPackage.h"
#include "records/RunContext.h"

// Shows the message the read names, with the stop icon (nothing in a silent run); whether the
// package is usable.
bool ShowPackageMessage(RunContext& run, const PackageReadResult& result);
