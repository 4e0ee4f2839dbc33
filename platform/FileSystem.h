// Files and folders as the core relies on them; Windows' file calls stand behind it.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Names (without folder) of the files that match a wildcard pattern such as
    // "C:\\WINDOWS\\INF\\*.INF", in the order in which the system's search yields them; folders
    // are left out (one named "OLD.SY_" is no driver). An empty list when nothing matches or the
    // search fails.
    virtual std::vector<std::string> FindFiles(const std::string& pattern) = 0;

    // Copies a file, replacing an existing target (CopyFileA with bFailIfExists false).
    virtual bool Copy(const std::string& from, const std::string& to) = 0;
    // Renames a file; fails when the target exists (MoveFileA never replaces).
    virtual bool Move(const std::string& from, const std::string& to) = 0;
    // Deletes a file; a read-only file is not deleted (DeleteFileA).
    virtual bool Remove(const std::string& path) = 0;
    // Clears every attribute (SetFileAttributesA with FILE_ATTRIBUTE_NORMAL).
    virtual bool SetNormalAttributes(const std::string& path) = 0;
    // Creates one folder; fails when it exists already (CreateDirectoryA).
    virtual bool MakeDirectory(const std::string& path) = 0;

    // Nothing this program reads (INF files) comes near this; a larger file is refused rather
    // than held in memory whole.
    static constexpr std::size_t MaxReadSize = 64 * 1024 * 1024;
    // Reads a whole file as bytes; fails when it cannot be opened or read completely, or is
    // larger than MaxReadSize.
    virtual bool ReadAll(const std::string& path, std::string& bytes) = 0;
    // Replaces the contents of an existing file with the given bytes.
    virtual bool Rewrite(const std::string& path, const std::string& bytes) = 0;
};
