// The one command-line switch.
#pragma once
#include <string>
#include <string_view>

// True when the arguments after the program's own path, upper-cased, hold "/S" anywhere (so /s
// and /SILENT count too). The program's path, quoted or not, is never looked at: a folder such as
// "C:/Setup files" must not make a run silent. programPath is the program file's full path.
bool HasSilentSwitch(std::string commandLine, std::string_view programPath);

// The command line without the program's path: after the closing quote when the line starts
// with one; else after the longest run up to a blank that names the program (its path or that
// path's tail, relative or not, in any case, either slash, with or without its drive and ".exe");
// else after the first blank, unless that first word starts with a slash and is not the
// program's name: then the whole line.
std::string ArgumentsOf(const std::string& commandLine, std::string_view programPath);
