// The one command-line switch.
#include "app/CommandLine.h"

#include <algorithm>
#include <vector>

#include "text/Texts.h"

namespace {

// The longest path the system starts a program by.
constexpr std::size_t LongestProgramPath = 260;

// The parts of a path between its slashes (either kind), upper-cased, with "." and ".." taken
// out as the system would: of a relative path only the tail can be told.
std::vector<std::string> PathParts(std::string_view path)
{
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find_first_of("\\/", start), path.size());
        const std::string part = ToUpperAscii(std::string(path.substr(start, end - start)));
        if (part == ".." && !parts.empty())
            parts.pop_back();
        else if (!part.empty() && part != "." && part != "..")
            parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

// Whether the text names the program's file: its full path or that path's tail, relative or
// not, with or without the drive and ".exe" (the system adds it to a name without one).
bool NamesProgram(std::string_view text, const std::vector<std::string>& program)
{
    const std::vector<std::string> parts = PathParts(text);
    if (parts.empty() || parts.size() > program.size())
        return false;
    const std::size_t offset = program.size() - parts.size();
    if (!std::equal(parts.begin(), parts.end() - 1, program.begin() + offset))
        return false;
    return parts.back() == program.back() || parts.back() + ".EXE" == program.back();
}

} // namespace

std::string ArgumentsOf(const std::string& commandLine, std::string_view programPath)
{
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t close = commandLine.find('"', 1);
        return close == std::string::npos ? std::string() : commandLine.substr(close + 1);
    }
    // Unquoted, the program's path may hold blanks, as CreateProcess passes it on having tried
    // the line up to each blank in turn: it ends at the last blank before which the line names
    // the program. The first blank would take "files/Setup.exe" of "../Setup files/Setup.exe"
    // for an argument, and find "/S" in it. A shell passes the line as typed, so "setup/s"
    // starts the program with "/s": a slash may end the path too.
    const std::vector<std::string> program = PathParts(programPath);
    std::size_t pathEnd = std::string::npos;
    for (std::size_t end = 0; end <= std::min(commandLine.size(), LongestProgramPath); ++end)
        if ((end == commandLine.size() || commandLine[end] == ' ' || commandLine[end] == '\t' ||
             commandLine[end] == '/') &&
            NamesProgram(std::string_view(commandLine).substr(0, end), program))
            pathEnd = end;
    if (pathEnd != std::string::npos)
        return commandLine.substr(pathEnd);
    // A launcher that passes the arguments alone leaves no program name in front: a first word
    // that starts with a slash and does not end in the program's file name is a switch.
    std::size_t end = std::min(commandLine.find_first_of(" \t"), commandLine.size());
    const auto fileName = [](std::string_view path) { return path.substr(path.find_last_of("\\/") + 1); };
    if (!commandLine.empty() && commandLine[0] == '/' &&
        !NamesProgram(fileName(std::string_view(commandLine).substr(0, end)), program))
        end = 0;
    return commandLine.substr(end);
}

bool HasSilentSwitch(std::string commandLine, std::string_view programPath)
{
    return ToUpperAscii(ArgumentsOf(commandLine, programPath)).find("/S") != std::string::npos;
}
