// Reading the driver package beside the program into the setup record.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "package/InfFile.h"
#include "package/PackageNote.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"
#include "platform/TextCodePage.h"
#include "records/BrandStrings.h"
#include "records/SetupState.h"

// What INF files are read through on the running system: its files, its ANSI code page, and
// the user's language.
struct InfReading {
    FileSystem& files;
    TextCodePage& codePage;
    SystemInfo& system;
};

// Whether a package is usable and, when it is not, the message the dialog shows for it with
// the stop icon: a row of the string table or a fixed text; neither when the dialog closes
// without a word.
struct PackageReadResult {
    bool usable = false;
    int messageId = 0;
    const char* messageText = nullptr;
};

// What a read looked at, for the package check: each *.in? candidate in search order with what
// became of it, and each thing the read passed over or ignored.
struct PackageReadNotes {
    enum class Candidate { Taken, NameTooLong, NotAnInf, NoSetupSection, UnicodeOn98Family };
    std::vector<std::pair<std::string, Candidate>> candidates;
    std::vector<PackageNote> remarks;
};

// Finds the setup description, reads its [Setup] keys and device model, finds the driver
// files; may replace AppTitle, DeviceName and AboutText. Shows nothing. failure tells why a
// package is unusable, including the reasons the dialog never shows; notes (where given) what
// the read looked at and passed over.
PackageReadResult ReadDriverPackage(const InfReading& reading, SetupState& state, BrandStrings& brand,
                                    PackageNote& failure, PackageReadNotes* notes = nullptr);

// How INF files are read on the running system: Windows 2000 and XP prefer the texts of the
// user's language, as their own setup does.
InfOpenOptions SystemInfOptions(const SetupState& state, SystemInfo& system, const TextCodePage& codePage);
