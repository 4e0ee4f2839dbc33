// The one command-line switch.
#pragma once
#include <string>

// True when the command line, upper-cased, holds "/S" anywhere (so /s and /SILENT count too).
bool HasSilentSwitch(std::string commandLine);
