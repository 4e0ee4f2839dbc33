// Removal of installed INF copies and of the installed driver.
#pragma once
#include "package/DriverPackage.h"
#include "platform/FileSystem.h"
#include "records/RunContext.h"
#include "records/SetupState.h"

// Deletes every INF copy in the system's INF folder that lists the pair, with its .PNF twin,
// trying again for a few seconds while a copy still stands; the number of copies that matched.
int RemoveInfCopies(RunContext& run, const InfReading& reading, const char* vidText, const char* pidText);
// The same for all the pairs of the list, pair by pair in list order: a copy goes with the first
// pair it lists. One search of the folder and one read of each copy serve all the pairs; the
// number of copies that matched.
int RemoveInfCopies(RunContext& run, const InfReading& reading, const HardwareIdList& pairs);
// Deletes the installed driver, and on the 98 family the installed port driver, trying again
// for a few seconds while one of them still stands.
void DeleteDriverFile(RunContext& run, FileSystem& files);
// Whether no file stands where they are installed.
bool DriverFileRemoved(FileSystem& files, const SetupState& state);
