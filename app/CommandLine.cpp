// The one command-line switch.
#include "app/CommandLine.h"

bool HasSilentSwitch(std::string commandLine)
{
    // Only ASCII letters change case: bytes of double-byte characters stay as they are.
    for (char& c : commandLine) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return commandLine.find("/S") != std::string::npos;
}
