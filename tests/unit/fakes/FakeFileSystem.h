// An in-memory file system that behaves like Windows' where the core relies on it.
#pragma once
#include <algorithm>
#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/FaultInjection.h"
#include "package/FileSearch.h"
#include "platform/FileSystem.h"

// Paths are compared without regard to ASCII case and keep the case they were created with;
// the separator is the backslash, and "C:" is the root folder of "C:\X". A file can only be
// created in a folder that exists. Files may be read-only (no delete, no rewrite, no copy onto
// them) or in use (every call on them fails). A search yields entries in creation order unless
// the test gives an order for the folder.
class FakeFileSystem : public FileSystem {
public:
    enum class Operation { FindFiles, Copy, Move, Remove, SetNormalAttributes, MakeDirectory, ReadAll, Rewrite };

    // Every mutating call in order, whether it succeeded or not, with the paths as the caller
    // gave them: "copy A -> B", "move A -> B", "delete X", "attributes X", "mkdir X", "rewrite X".
    std::vector<std::string> log;
    // Patterns searched and files read, in order.
    std::vector<std::string> searches;
    std::vector<std::string> reads;
    FaultInjection<Operation> faults;

    // Adds a folder and any missing folder above it; an existing folder stays as it is.
    void AddFolder(const std::string& path)
    {
        std::string folder = WithoutTrailingSeparator(path);
        if (folder.empty())
            throw std::invalid_argument("AddFolder: empty path");
        if (const Entry* existing = Find(folder)) {
            if (!existing->folder)
                throw std::invalid_argument("AddFolder: a file has that name: " + path);
            return;
        }
        std::string parent = ParentOf(folder);
        if (!parent.empty())
            AddFolder(parent);
        entries_.push_back(Entry{StoredPath(folder), true, std::string(), false, false});
    }

    // Adds a file (and its folder) or replaces the contents and attributes of an existing one.
    void AddFile(const std::string& path, const std::string& bytes, bool readOnly = false)
    {
        std::string parent = ParentOf(path);
        if (parent.empty() || NameOf(path).empty())
            throw std::invalid_argument("AddFile: no folder and name in " + path);
        AddFolder(parent);
        if (Entry* existing = Find(path)) {
            if (existing->folder)
                throw std::invalid_argument("AddFile: a folder has that name: " + path);
            existing->bytes = bytes;
            existing->readOnly = readOnly;
            return;
        }
        entries_.push_back(Entry{StoredPath(path), false, bytes, readOnly, false});
    }

    // A short 8.3 alias of an existing file ("XSY_OL~1.SY_" for "x.sy_old"), which searches
    // match as Windows 2000 and XP do.
    void SetShortName(const std::string& path, const std::string& alias) { shortNames_[Key(path)] = alias; }

    // A file held open by someone else: every call on it fails until it is released.
    void SetInUse(const std::string& path, bool inUse = true) { ExistingFile(path).inUse = inUse; }

    // The order in which searches of a folder yield the named entries; entries not named follow
    // in creation order.
    void SetSearchOrder(const std::string& folder, const std::vector<std::string>& names)
    {
        searchOrders_[Key(WithoutTrailingSeparator(folder))] = names;
    }

    bool Exists(const std::string& path) const { return Find(WithoutTrailingSeparator(path)) != nullptr; }
    bool IsFolder(const std::string& path) const
    {
        const Entry* entry = Find(WithoutTrailingSeparator(path));
        return entry != nullptr && entry->folder;
    }
    bool IsFile(const std::string& path) const
    {
        const Entry* entry = Find(path);
        return entry != nullptr && !entry->folder;
    }
    // The bytes of a file; empty when there is no such file.
    std::string Contents(const std::string& path) const
    {
        const Entry* entry = Find(path);
        return entry != nullptr && !entry->folder ? entry->bytes : std::string();
    }
    bool IsReadOnly(const std::string& path) const
    {
        const Entry* entry = Find(path);
        return entry != nullptr && entry->readOnly;
    }
    // Names of the entries of a folder (files and folders) in the order a search yields them.
    std::vector<std::string> Names(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const Entry* entry : EntriesIn(WithoutTrailingSeparator(folder))) names.push_back(NameOf(entry->path));
        return names;
    }

    std::vector<std::string> FindFiles(const std::string& pattern) override
    {
        searches.push_back(pattern);
        std::vector<std::string> names;
        if (faults.CallFails(Operation::FindFiles))
            return names;
        std::size_t separator = pattern.rfind('\\');
        if (separator == std::string::npos || !IsFolder(pattern.substr(0, separator)))
            return names;
        std::string namePattern = pattern.substr(separator + 1);
        for (const Entry* entry : EntriesIn(pattern.substr(0, separator))) {
            std::string name = NameOf(entry->path);
            // Windows 2000 and XP match the short 8.3 alias too, and return the long name.
            const auto alias = shortNames_.find(Key(entry->path));
            if (MatchesSearchPattern(name, namePattern) ||
                (alias != shortNames_.end() && MatchesSearchPattern(alias->second, namePattern)))
                names.push_back(name);
        }
        return names;
    }

    // CopyFileA(from, to, FALSE): the copy takes the source's read-only attribute with it.
    bool Copy(const std::string& from, const std::string& to) override
    {
        log.push_back("copy " + from + " -> " + to);
        if (faults.CallFails(Operation::Copy))
            return false;
        const Entry* source = Find(from);
        if (source == nullptr || source->folder || source->inUse || Key(from) == Key(to) || !IsFolder(ParentOf(to)))
            return false;
        Entry copy{StoredPath(to), false, source->bytes, source->readOnly, false};
        if (Entry* target = Find(to)) {
            if (target->folder || target->readOnly || target->inUse)
                return false;
            copy.path = target->path;
            *target = copy;
            return true;
        }
        entries_.push_back(copy);
        return true;
    }

    // MoveFileA: never replaces; a change of case only is a rename of the same file. Files only.
    bool Move(const std::string& from, const std::string& to) override
    {
        log.push_back("move " + from + " -> " + to);
        if (faults.CallFails(Operation::Move))
            return false;
        Entry* source = Find(from);
        if (source == nullptr || source->folder || source->inUse)
            return false;
        if (Key(from) != Key(to) && Find(to) != nullptr)
            return false;
        if (!IsFolder(ParentOf(to)))
            return false;
        bool sameFolder = Key(ParentOf(from)) == Key(ParentOf(to));
        source->path = StoredPath(to);
        if (!sameFolder) {
            // A file that arrives in another folder comes last in its searches.
            Entry moved = *source;
            entries_.erase(entries_.begin() + (source - entries_.data()));
            entries_.push_back(moved);
        }
        return true;
    }

    bool Remove(const std::string& path) override
    {
        log.push_back("delete " + path);
        if (faults.CallFails(Operation::Remove))
            return false;
        Entry* entry = Find(path);
        if (entry == nullptr || entry->folder || entry->readOnly || entry->inUse)
            return false;
        entries_.erase(entries_.begin() + (entry - entries_.data()));
        return true;
    }

    bool SetNormalAttributes(const std::string& path) override
    {
        log.push_back("attributes " + path);
        if (faults.CallFails(Operation::SetNormalAttributes))
            return false;
        Entry* entry = Find(WithoutTrailingSeparator(path));
        if (entry == nullptr || entry->inUse)
            return false;
        entry->readOnly = false;
        return true;
    }

    // CreateDirectoryA: one folder, in an existing folder, under a name not yet taken.
    bool MakeDirectory(const std::string& path) override
    {
        log.push_back("mkdir " + path);
        if (faults.CallFails(Operation::MakeDirectory))
            return false;
        std::string folder = WithoutTrailingSeparator(path);
        if (folder.empty() || Find(folder) != nullptr || !IsFolder(ParentOf(folder)))
            return false;
        entries_.push_back(Entry{StoredPath(folder), true, std::string(), false, false});
        return true;
    }

    bool ReadAll(const std::string& path, std::string& bytes) override
    {
        reads.push_back(path);
        if (faults.CallFails(Operation::ReadAll))
            return false;
        const Entry* entry = Find(path);
        if (entry == nullptr || entry->folder || entry->inUse)
            return false;
        bytes = entry->bytes;
        return true;
    }

    bool Rewrite(const std::string& path, const std::string& bytes) override
    {
        log.push_back("rewrite " + path);
        if (faults.CallFails(Operation::Rewrite))
            return false;
        Entry* entry = Find(path);
        if (entry == nullptr || entry->folder || entry->readOnly || entry->inUse)
            return false;
        entry->bytes = bytes;
        return true;
    }

private:
    struct Entry {
        std::string path;
        bool folder;
        std::string bytes;
        bool readOnly;
        bool inUse;
    };

    static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
    static std::string Key(const std::string& path)
    {
        std::string key = path;
        std::transform(key.begin(), key.end(), key.begin(), Upper);
        return key;
    }
    // "C:\X\" names the folder "C:\X" (CreateDirectoryA accepts both), and "C:\" the root "C:".
    static std::string WithoutTrailingSeparator(const std::string& path)
    {
        if (!path.empty() && path.back() == '\\')
            return path.substr(0, path.size() - 1);
        return path;
    }
    static std::string ParentOf(const std::string& path)
    {
        std::size_t separator = path.rfind('\\');
        return separator == std::string::npos ? std::string() : path.substr(0, separator);
    }
    static std::string NameOf(const std::string& path)
    {
        std::size_t separator = path.rfind('\\');
        return separator == std::string::npos ? path : path.substr(separator + 1);
    }

    // The folder part keeps the case of the existing folder; the name keeps the case given.
    std::string StoredPath(const std::string& path) const
    {
        std::string parent = ParentOf(path);
        const Entry* folder = parent.empty() ? nullptr : Find(parent);
        return folder == nullptr ? path : folder->path + "\\" + NameOf(path);
    }

    Entry* Find(const std::string& path)
    {
        std::string key = Key(path);
        for (Entry& entry : entries_)
            if (Key(entry.path) == key)
                return &entry;
        return nullptr;
    }
    const Entry* Find(const std::string& path) const { return const_cast<FakeFileSystem*>(this)->Find(path); }

    Entry& ExistingFile(const std::string& path)
    {
        Entry* entry = Find(path);
        if (entry == nullptr || entry->folder)
            throw std::invalid_argument("no such file: " + path);
        return *entry;
    }

    std::vector<const Entry*> EntriesIn(const std::string& folder) const
    {
        std::string folderKey = Key(folder);
        std::vector<const Entry*> inFolder;
        for (const Entry& entry : entries_)
            if (Key(ParentOf(entry.path)) == folderKey)
                inFolder.push_back(&entry);
        auto order = searchOrders_.find(folderKey);
        if (order == searchOrders_.end())
            return inFolder;
        std::vector<const Entry*> ordered;
        for (const std::string& name : order->second) {
            auto named = std::find_if(inFolder.begin(), inFolder.end(),
                                      [&](const Entry* entry) { return Key(NameOf(entry->path)) == Key(name); });
            if (named != inFolder.end()) {
                ordered.push_back(*named);
                inFolder.erase(named);
            }
        }
        ordered.insert(ordered.end(), inFolder.begin(), inFolder.end());
        return ordered;
    }

    // Files and folders in creation order, which is the default search order.
    std::vector<Entry> entries_;
    std::map<std::string, std::vector<std::string>> searchOrders_;
    std::map<std::string, std::string> shortNames_;
};
