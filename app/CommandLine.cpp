// The one command-line switch.
#include "app/CommandLine.h"

#include "text/Texts.h"

std::string ArgumentsOf(const std::string& commandLine)
{
    std::size_t end;
    if (!commandLine.empty() && commandLine[0] == '"') {
        end = commandLine.find('"', 1);
        end = end == std::string::npos ? commandLine.size() : end + 1;
    } else {
        end = commandLine.find_first_of(" \t");
        if (end == std::string::npos)
            end = commandLine.size();
    }
    return commandLine.substr(end);
}

bool HasSilentSwitch(std::string commandLine)
{
    return ToUpperAscii(ArgumentsOf(commandLine)).find("/S") != std::string::npos;
}
