// The one command-line switch.
#include "app/CommandLine.h"

#include <algorithm>

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
    // The system adds ".exe" to a program named without it, and a path may leave out the drive.
    const auto withoutExe = [](std::string_view path) {
        return path.size() > 4 && ToUpperAscii(std::string(path.substr(path.size() - 4))) == ".EXE"
                   ? path.substr(0, path.size() - 4)
                   : std::string_view();
    };
    const std::string_view withoutDrive =
        programPath.size() > 2 && programPath[1] == ':' ? programPath.substr(2) : std::string_view();
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        return close == std::string::npos ? std::string() : commandLine.substr(close + 1);
    }
    // A path with blanks, unquoted, as CreateProcess passes it on.
    for (const std::string_view path : {programPath, withoutExe(programPath), withoutDrive, withoutExe(withoutDrive)})
        if (startsWith(path))
            return commandLine.substr(path.size());
    std::size_t end = std::min(commandLine.find_first_of(" \t"), commandLine.size());
    // A launcher that passes the arguments alone leaves no program name in front: a first word
    // that starts with a slash and does not end in the program's file name is a switch.
    const auto fileName = [](std::string_view path) { return path.substr(path.find_last_of("\\/") + 1); };
    const std::string first = ToUpperAscii(std::string(fileName(std::string_view(commandLine).substr(0, end))));
    const std::string program = ToUpperAscii(std::string(fileName(programPath)));
    if (!commandLine.empty() && commandLine[0] == '/' && first != program && first != withoutExe(program))
        end = 0;
    return commandLine.substr(end);
}

bool HasSilentSwitch(std::string commandLine, std::string_view programPath)
{
    return ToUpperAscii(ArgumentsOf(commandLine, programPath)).find("/S") != std::string::npos;
}
