// File steps the placement, the removal, the copy-file edit and the hiding share.
#include "files/FileSteps.h"

#include "text/Texts.h"

bool DeleteClearingAttributes(FileSystem& files, const std::string& path)
{
    files.SetNormalAttributes(path);
    return files.Remove(path);
}

bool Exists(FileSystem& files, const std::string& path)
{
    // On Windows 2000 and XP the search also finds a file whose short 8.3 alias is the name: only a
    // name that ends the path, after a backslash, is the file itself. Comparing the ends needs no
    // separator search, which a double-byte name could mislead.
    for (const std::string& name : files.FindFiles(path)) {
        if (!name.empty() && name.size() < path.size() && path[path.size() - name.size() - 1] == '\\' &&
            ToUpperAscii(path.substr(path.size() - name.size())) == ToUpperAscii(name))
            return true;
    }
    return false;
}

bool StandsThere(FileSystem& files, const std::string& path)
{
    std::string bytes;
    return Exists(files, path) || files.ReadAll(path, bytes);
}
