// Start-up steps that keep DLLs planted beside Setup.exe out of the process.
#pragma once

// Takes the program's folder out of the DLL search path where the running system allows it
// (SetDefaultDllDirectories, SetDllDirectoryA; both newer than Windows 98, so looked up).
void RestrictDllSearchPath();

// Loads the common controls from the system folder and registers their window classes (the
// progress bar). False when the DLL or the call is missing.
bool InitCommonControlsFromSystem();
