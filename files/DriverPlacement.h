// Placing the package's files under the Windows folder.
#pragma once
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/TextCodePage.h"
#include "records/RunContext.h"

// The INF copy (edited), on the Windows 98 family the port driver and the removal of the driver
// database, and the driver, with the phase's status line and its stretch of the bar.
void PlaceDriverFiles(RunContext& run, FileSystem& files, TextCodePage& codePage, Registry& registry,
                      const PhaseSpan& span);

// Whether the INF copy and the driver stand at their destinations with the package's bytes: a
// file missing, locked, replaced by a folder or left from an earlier install there means the
// placement failed.
bool DriverFilesInPlace(FileSystem& files, TextCodePage& codePage, const SetupState& state);
