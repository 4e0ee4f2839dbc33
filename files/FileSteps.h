// File steps the placement, the removal, the copy-file edit and the hiding share.
#pragma once
#include <string>

#include "platform/FileSystem.h"

// Clears the file's attributes, then deletes it: a read-only file goes too. A file that is not
// there, or in use, is left as it is.
void DeleteClearingAttributes(FileSystem& files, const std::string& path);

// Whether the path names a file or folder, as a search finds it by its long name.
bool Exists(FileSystem& files, const std::string& path);
// Whether a file stands at the path, for a check that must not take a search that failed for a
// file that is gone: a file that can be read stands there as well.
bool StandsThere(FileSystem& files, const std::string& path);
