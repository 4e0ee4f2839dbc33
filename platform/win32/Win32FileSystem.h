// The file system through Windows' ANSI file calls.
#pragma once
#include "platform/FileSystem.h"

class Win32FileSystem : public FileSystem {
public:
    std::vector<std::string> FindFiles(const std::string& pattern) override;
    bool Copy(const std::string& from, const std::string& to) override;
    bool Move(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool SetNormalAttributes(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;
    bool ReadAll(const std::string& path, std::string& bytes) override;
    bool Rewrite(const std::string& path, const std::string& bytes) override;
};
