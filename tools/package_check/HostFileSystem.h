// The Linux file system seen the way Windows shows it to the package reader: backslash paths,
// names matched by wildcard without regard to case. Read-only: the check changes nothing.
#pragma once
#include "platform/FileSystem.h"

class HostFileSystem : public FileSystem {
public:
    std::vector<std::string> FindFiles(const std::string& pattern) override;
    // Regular files only (a FIFO would block the read for ever), at most readLimit bytes.
    bool ReadAll(const std::string& path, std::string& bytes) override;
    std::size_t readLimit = MaxReadSize;

    bool Copy(const std::string&, const std::string&) override { return false; }
    bool Move(const std::string&, const std::string&) override { return false; }
    bool Remove(const std::string&) override { return false; }
    bool SetNormalAttributes(const std::string&) override { return false; }
    bool MakeDirectory(const std::string&) override { return false; }
    bool Rewrite(const std::string&, const std::string&) override { return false; }
};

// Windows wildcard matching of one name: '*' any run, '?' one character or none at the end
// of the name, letters without regard to case.
bool MatchesWildcard(std::string_view pattern, std::string_view name);
