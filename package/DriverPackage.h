// Reading the driver package beside the program into the setup record.
#pragma once
#include <string>

#include "app/SetupSession.h"

// Finds the setup description, reads its [Setup] keys and device model, finds the driver
// files; may replace AppTitle, DeviceName and AboutText. False when the package is unusable.
bool ReadDriverPackage(SetupSession& session);

// The same, telling why a package is unusable, including the reasons the dialog never shows.
bool ReadDriverPackage(SetupSession& session, std::string& failureReason);
