// The one command-line switch.
#include "app/CommandLine.h"

#include "text/Texts.h"

std::string ArgumentsOf(const std::string& commandLine, std::string_view programPath)
{
    const auto samePath = [&] {
        if (programPath.empty() || commandLine.size() < programPath.size())
            return false;
        for (std::size_t i = 0; i < programPath.size(); ++i) {
            const char a = commandLine[i] == '/' ? '\\' : ToUpperAscii(commandLine[i]);
            const char b = programPath[i] == '/' ? '\\' : ToUpperAscii(programPath[i]);
            if (a != b)
                return false;
        }
        return true;
    };
    std::size_t end;
    if (!commandLine.empty() && commandLine[0] == '"') {
        end = commandLine.find('"', 1);
        end = end == std::string::npos ? commandLine.size() : end + 1;
    } else if (samePath()) {
        end = programPath.size(); // a path with blanks, unquoted, as CreateProcess passes it on
    } else {
        end = commandLine.find_first_of(" \t");
        if (end == std::string::npos)
            end = commandLine.size();
    }
    return commandLine.substr(end);
}

bool HasSilentSwitch(std::string commandLine, std::string_view programPath)
{
    return ToUpperAscii(ArgumentsOf(commandLine, programPath)).find("/S") != std::string::npos;
}
