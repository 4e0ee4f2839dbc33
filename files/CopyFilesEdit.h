// The edit of the placed INF copy: its install section stops copying files, since the setup
// places the driver files itself.
#pragma once
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/TextCodePage.h"

// Puts one ";" before the first "COPYFILES" after the first "[section]" header of the file,
// both with ASCII letters in any case, in the file's encoding (ANSI in the code page, UTF-8 or
// UTF-16). The file is either left exactly as it was or replaced whole by the edited bytes,
// never cut short. False when a read, write or rename of the edit failed on a copy that is there
// (a scanner reading it, say): the copy is then as it was, or under its saved name when the
// rename back was refused too, and trying again puts it back and may make the edit.
bool CommentOutCopyFiles(FileSystem& files, TextCodePage& codePage, const std::string& infPath,
                         std::string_view installSectionName);

// What an edit cut off between its two renames leaves: the copy back under its own name when it
// stood only under the saved name, and no saved or half-written sibling beside it.
void RecoverCopyFilesEdit(FileSystem& files, const std::string& infPath);

// The edited bytes, or nothing when the file has no such header or no COPYFILES after it.
bool CommentedOutCopyFiles(const std::string& bytes, std::string_view installSectionName, TextCodePage& codePage,
                           std::string& edited);
