// Reading the driver package beside the program into the setup record.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "app/SetupSession.h"
#include "package/InfFile.h"

// Finds the setup description, reads its [Setup] keys and device model, finds the driver
// files; may replace AppTitle, DeviceName and AboutText. False when the package is unusable.
bool ReadDriverPackage(SetupSession& session);

// What a read looked at, for the package check: each *.in? candidate in search order with what
// became of it, and each thing the read passed over or ignored.
struct PackageReadNotes {
    enum class Candidate { Taken, NameTooLong, NotAnInf, NoSetupSection, Utf16On98Family };
    std::vector<std::pair<std::string, Candidate>> candidates;
    std::vector<std::string> remarks;
};

// The same, telling why a package is unusable, including the reasons the dialog never shows,
// and (in notes, where given) what the read looked at and passed over.
bool ReadDriverPackage(SetupSession& session, std::string& failureReason, PackageReadNotes* notes = nullptr);

// How INF files are read on the running system: Windows 2000 and XP prefer the texts of the
// user's language, as their own setup does.
InfOpenOptions SystemInfOptions(SetupSession& session);
