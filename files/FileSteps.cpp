// File steps the placement, the removal, the copy-file edit and the hiding share.
#include "files/FileSteps.h"

#include "package/FileSearch.h"

void DeleteClearingAttributes(FileSystem& files, const std::string& path)
{
    files.SetNormalAttributes(path);
    files.Remove(path);
}

bool Exists(FileSystem& files, const std::string& path)
{
    return !FindMatchingFiles(files, path).empty();
}
