// What the setup dialog does when it starts: texts, record, package, and then one of its ends.
#pragma once
#include "app/SetupPhases.h"

// Runs the dialog's start after the platform's own initialisation. Ends the dialog when the
// package is unusable, the system is refused, or a silent install has run; otherwise the
// dialog waits for the user.
void StartSetupDialog(SetupSession& session, SetupPhases& phases, bool silentMode);

// The folder of a program file: the path cut at its last backslash character, which is removed
// ("A:\\SETUP.EXE" gives "A:"). A path without a backslash stays whole.
std::string FolderOfProgram(const std::string& programPath, const TextCodePage& codePage);
