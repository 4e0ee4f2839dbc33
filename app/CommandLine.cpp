// The one command-line switch.
#include "app/CommandLine.h"

#include "app/Texts.h"

bool HasSilentSwitch(std::string commandLine)
{
    return ToUpperAscii(std::move(commandLine)).find("/S") != std::string::npos;
}
