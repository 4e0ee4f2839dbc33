// The one command-line switch.
#include "app/CommandLine.h"

#include "text/Texts.h"

std::string ArgumentsOf(const std::string& commandLine, std::string_view programPath)
{
    // Whether the line starts with the path (in any case, either slash) and a blank or its end.
    const auto startsWith = [&](std::string_view path) {
        if (path.empty() || commandLine.size() < path.size() ||
            (commandLine.size() > path.size() && commandLine[path.size()] != ' ' && commandLine[path.size()] != '\t'))
            return false;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const char a = commandLine[i] == '/' ? '\\' : ToUpperAscii(commandLine[i]);
            const char b = path[i] == '/' ? '\\' : ToUpperAscii(path[i]);
            if (a != b)
                return false;
        }
        return true;
    };
    // The system adds ".exe" to a program named without it.
    const bool endsInExe =
        programPath.size() > 4 && ToUpperAscii(std::string(programPath.substr(programPath.size() - 4))) == ".EXE";
    const std::string_view withoutExe = endsInExe ? programPath.substr(0, programPath.size() - 4) : std::string_view();
    std::size_t end;
    if (!commandLine.empty() && commandLine[0] == '"') {
        end = commandLine.find('"', 1);
        end = end == std::string::npos ? commandLine.size() : end + 1;
    } else if (startsWith(programPath)) { // a path with blanks, unquoted, as CreateProcess passes it on
        end = programPath.size();
    } else if (startsWith(withoutExe)) {
        end = withoutExe.size();
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
