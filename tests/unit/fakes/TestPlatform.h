// Every platform service in memory, each usable on its own, and all of them as one platform.
#pragma once
#include <algorithm>
#include <cstring>
#include <functional>
#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/SetupSession.h"
#include "fakes/FakeView.h"
#include "fakes/FakeWindowSystem.h"
#include "package/FileSearch.h"

// The fakes' operations that a test can make fail (Scan: the device tree's re-enumeration).
enum class Op { Search, Copy, Move, Remove, Attributes, Mkdir, Read, Rewrite, Registry, ListNodes, RemoveNode, Scan };

// Which calls fail on purpose. Calls are counted per operation from 1 whether or not they fail,
// so "the 3rd copy" means the same call however the test was set up. afterChange runs after each
// call that changes the disk, the registry or the device nodes, worked or not.
struct Faults {
    std::map<Op, std::set<int>> failing; // call numbers; 0 fails every call
    std::map<Op, int> calls;
    std::function<void()> afterChange;

    void FailCall(Op op, int call = 0) { failing[op].insert(call); }
    bool Fails(Op op)
    {
        const int call = ++calls[op];
        return failing[op].count(call) != 0 || failing[op].count(0) != 0;
    }
    template <typename Effect>
    bool Change(Op op, Effect effect)
    {
        const bool done = !Fails(op) && effect();
        if (afterChange)
            afterChange();
        return done;
    }
};

inline std::string Upper(std::string text)
{
    for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

// Files and folders as Windows keeps them where the core relies on it: paths compare without
// regard to ASCII case and keep the case they were made with; "C:" is the root of "C:\X" and
// "C:\X\" names the folder "C:\X". A file is made only in a folder that exists. A read-only file
// is not deleted, rewritten or copied onto, and its copy is read-only too; every call on a file
// in use fails. A search yields the entries of a folder in the order they were made.
class FakeFileSystem : public FileSystem {
public:
    // Every changing call in order, worked or not, with the paths as the caller gave them:
    // "copy A -> B", "move A -> B", "delete X", "attributes X", "mkdir X", "rewrite X".
    std::vector<std::string> log;
    Faults faults;

    void AddFolder(const std::string& path)
    {
        if (!Exists(path) && Trim(path).find('\\') != std::string::npos)
            AddFolder(ParentOf(Trim(path)));
        if (!Exists(path))
            entries_.push_back({Trim(path), true});
    }
    void AddFile(const std::string& path, const std::string& bytes, bool readOnly = false)
    {
        AddFolder(ParentOf(path));
        Put({path, false, bytes, readOnly});
    }
    void SetInUse(const std::string& path) { Find(path)->inUse = true; }

    bool Exists(const std::string& path) const { return Find(Trim(path)) != nullptr; }
    bool IsFolder(const std::string& path) const { return Exists(path) && Find(Trim(path))->folder; }
    bool IsFile(const std::string& path) const { return Exists(path) && !IsFolder(path); }
    bool IsReadOnly(const std::string& path) const { return IsFile(path) && Find(path)->readOnly; }
    // The bytes of a file; empty when there is no such file.
    std::string Contents(const std::string& path) const { return IsFile(path) ? Find(path)->bytes : ""; }
    // The names of a folder's files and folders in search order.
    std::vector<std::string> Names(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const Entry& entry : entries_)
            if (Upper(ParentOf(entry.path)) == Upper(Trim(folder)))
                names.push_back(entry.path.substr(entry.path.rfind('\\') + 1));
        return names;
    }

    std::vector<std::string> FindFiles(const std::string& pattern) override
    {
        const std::string folder = ParentOf(pattern);
        if (faults.Fails(Op::Search) || !IsFolder(folder))
            return {};
        std::vector<std::string> names = Names(folder);
        std::erase_if(names, [&](auto& name) {
            return !IsFile(folder + "\\" + name) || !MatchesSearchPattern(name, pattern.substr(folder.size() + 1));
        });
        return names;
    }
    bool Copy(const std::string& from, const std::string& to) override
    {
        return Change(Op::Copy, "copy " + from + " -> " + to, [&] {
            const Entry* source = File(from);
            if (source == nullptr || Upper(from) == Upper(to) || !IsFolder(ParentOf(to)) ||
                (Exists(to) && !Writable(to)))
                return false;
            Put({to, false, source->bytes, source->readOnly});
            return true;
        });
    }
    // Never replaces; a change of case only renames the same file.
    bool Move(const std::string& from, const std::string& to) override
    {
        return Change(Op::Move, "move " + from + " -> " + to, [&] {
            Entry* source = File(from);
            if (source == nullptr || (Upper(from) != Upper(to) && Exists(to)) || !IsFolder(ParentOf(to)))
                return false;
            source->path = to;
            return true;
        });
    }
    bool Remove(const std::string& path) override
    {
        return Change(Op::Remove, "delete " + path, [&] {
            const Entry* file = Writable(path);
            if (file != nullptr)
                entries_.erase(entries_.begin() + (file - entries_.data()));
            return file != nullptr;
        });
    }
    bool SetNormalAttributes(const std::string& path) override
    {
        return Change(Op::Attributes, "attributes " + path, [&] {
            Entry* entry = Find(Trim(path));
            if (entry != nullptr && !entry->inUse)
                entry->readOnly = false;
            return entry != nullptr && !entry->inUse;
        });
    }
    // One folder, in a folder that exists, under a name not yet taken.
    bool MakeDirectory(const std::string& path) override
    {
        return Change(Op::Mkdir, "mkdir " + path, [&] {
            const bool made = !Exists(path) && IsFolder(ParentOf(Trim(path)));
            if (made)
                entries_.push_back({Trim(path), true});
            return made;
        });
    }
    bool ReadAll(const std::string& path, std::string& bytes) override
    {
        const Entry* file = faults.Fails(Op::Read) ? nullptr : File(path);
        if (file != nullptr)
            bytes = file->bytes;
        return file != nullptr;
    }
    bool Rewrite(const std::string& path, const std::string& bytes) override
    {
        return Change(Op::Rewrite, "rewrite " + path, [&] {
            Entry* file = Writable(path);
            if (file != nullptr)
                file->bytes = bytes;
            return file != nullptr;
        });
    }

private:
    struct Entry {
        std::string path;
        bool folder;
        std::string bytes = {};
        bool readOnly = false;
        bool inUse = false;
    };

    template <typename Effect>
    bool Change(Op op, const std::string& line, Effect effect)
    {
        log.push_back(line);
        return faults.Change(op, effect);
    }
    static std::string Trim(const std::string& path)
    {
        return path.ends_with('\\') ? path.substr(0, path.size() - 1) : path;
    }
    static std::string ParentOf(const std::string& path)
    {
        return path.substr(0, std::min(path.rfind('\\'), path.size()));
    }
    Entry* Find(const std::string& path)
    {
        for (Entry& entry : entries_)
            if (entry.path.size() == path.size() && Upper(entry.path) == Upper(path))
                return &entry;
        return nullptr;
    }
    const Entry* Find(const std::string& path) const { return const_cast<FakeFileSystem*>(this)->Find(path); }
    // A file that can be read: neither a folder nor in use; Writable: nor read-only.
    Entry* File(const std::string& path)
    {
        Entry* entry = Find(path);
        return entry != nullptr && !entry->folder && !entry->inUse ? entry : nullptr;
    }
    Entry* Writable(const std::string& path)
    {
        return File(path) != nullptr && !File(path)->readOnly ? File(path) : nullptr;
    }
    // A new entry, or new contents under the name an existing one keeps.
    void Put(Entry entry)
    {
        if (Entry* old = Find(entry.path))
            *old = {old->path, false, entry.bytes, entry.readOnly};
        else
            entries_.push_back(entry);
    }

    std::vector<Entry> entries_;
};

// HKEY_LOCAL_MACHINE with the keys a test adds: a write never makes a key. Names compare without
// regard to ASCII case.
class FakeRegistry : public Registry {
public:
    Faults faults;

    void AddKey(const std::string& key) { keys_.insert(Upper(key)); }
    // A value under a key; empty when it was never written.
    std::string& Value(const std::string& key, const std::string& name) { return values_[Upper(key + "\\" + name)]; }
    bool SetMachineString(const std::string& key, const std::string& name, const std::string& text) override
    {
        return faults.Change(Op::Registry,
                             [&] { return keys_.count(Upper(key)) != 0 && (Value(key, name) = text, true); });
    }

private:
    std::set<std::string> keys_; // in upper case
    std::map<std::string, std::string> values_;
};

// The system's device nodes, in the system's order.
struct FakeDeviceNode {
    ClassGuid classGuid;
    std::string enumerator, instanceId;
    int comebacks = 0; // how many more removals work but leave it in the next listing
    bool attached = false;
    bool inUse = false; // its removal waits for a restart, and it stays
};
class FakeDeviceSetup : public DeviceSetup {
public:
    Faults faults;
    std::vector<std::string> removals; // the instance IDs of the removals that worked, in order

    // The node stays where it is while it exists, so a test may change it later.
    FakeDeviceNode& AddNode(const ClassGuid& classGuid, const std::string& enumerator, const std::string& instanceId)
    {
        return nodes_.emplace_back(FakeDeviceNode{classGuid, enumerator, instanceId});
    }
    std::vector<std::string> NodesLeft() const
    {
        std::vector<std::string> ids;
        for (const FakeDeviceNode& node : nodes_) ids.push_back(node.instanceId);
        return ids;
    }

    std::vector<std::string> InstanceIds(const ClassGuid& classGuid, const std::string& enumerator,
                                         DeviceNodes which) override
    {
        listed_.clear();
        for (const FakeDeviceNode& node : nodes_)
            if (!std::memcmp(&node.classGuid, &classGuid, sizeof classGuid) &&
                Upper(node.enumerator) == Upper(enumerator) && (which == DeviceNodes::All || node.attached))
                listed_.push_back(node.instanceId);
        if (faults.Fails(Op::ListNodes))
            listed_.clear();
        return listed_;
    }
    // Only a node of the latest listing can be removed, as through the system's device sets.
    NodeRemoval RemoveDevice(const std::string& instanceId) override
    {
        bool atRestart = false;
        const bool done = faults.Change(Op::RemoveNode, [&] {
            const auto node = std::find_if(nodes_.begin(), nodes_.end(),
                                           [&](const FakeDeviceNode& each) { return each.instanceId == instanceId; });
            if (std::count(listed_.begin(), listed_.end(), instanceId) == 0 || node == nodes_.end())
                return false;
            if ((atRestart = node->inUse))
                return true;
            removals.push_back(instanceId);
            if (node->comebacks-- == 0)
                nodes_.erase(node);
            return true;
        });
        return !done ? NodeRemoval::Refused : atRestart ? NodeRemoval::AtRestart : NodeRemoval::Removed;
    }

private:
    std::list<FakeDeviceNode> nodes_;
    std::vector<std::string> listed_;
};

// Re-enumeration that a test can make fail, or use to let new hardware (a wizard) appear.
struct FakeConfigManager : ConfigManager {
    Faults faults;
    std::function<void()> onReenumerate; // after each re-enumeration that works

    bool ReenumerateDeviceTree() override
    {
        if (faults.Fails(Op::Scan))
            return false;
        if (onReenumerate)
            onReenumerate();
        return true;
    }
};

struct FakeSystemInfo : SystemInfo {
    bool versionQueryWorks = true;
    SystemVersion version{4, 10, 0x040A08AE, 1}; // Windows 98 Second Edition
    std::string windowsFolder = "C:\\WINDOWS", moduleFileName = "C:\\PKG\\SETUP.EXE";
    std::uint16_t userLanguage = 0x0409;

    bool QueryVersion(SystemVersion& out) override { return versionQueryWorks && (out = version, true); }
    std::string WindowsFolder() override { return windowsFolder; }
    std::string ModuleFileName() override { return moduleFileName; }
    std::map<std::string, std::string> shortPaths;
    std::string ShortPath(const std::string& path) override { return shortPaths[path]; }
    std::uint16_t UserLanguage() override { return userLanguage; }
};

// Sleeping costs nothing: the time asked for only adds up.
struct FakeClock : Clock {
    long long elapsedMilliseconds = 0;
    std::vector<int> sleeps;
    std::function<void()> onSleep; // after each sleep, for what other programs do meanwhile

    void Sleep(int milliseconds) override
    {
        elapsedMilliseconds += milliseconds;
        sleeps.push_back(milliseconds);
        if (onSleep)
            onSleep();
    }
    std::uint32_t Milliseconds() override { return static_cast<std::uint32_t>(elapsedMilliseconds); }
};

// Another run of the program may hold the lock for a number of takes. The files' change log's
// length at the take and at the release shows which changes the lock covered.
struct FakeJobLock : JobLock {
    const std::vector<std::string>& changes;
    int takesRefused = 0; // the next takes that find the lock held elsewhere
    int takes = 0;
    long takenAfter = -1, releasedAfter = -1; // changes before the take that worked, and before the release
    bool held = false;

    explicit FakeJobLock(const std::vector<std::string>& log) : changes(log) {}
    bool TryTake() override
    {
        ++takes;
        if (takesRefused > 0 && takesRefused--)
            return false;
        takenAfter = static_cast<long>(changes.size());
        return held = true;
    }
    void Release() override
    {
        if (held)
            releasedAfter = static_cast<long>(changes.size());
        held = false;
    }
};

// U+0000..U+00FF are the byte of the same value, anything else '?' (a surrogate pair one '?').
struct Latin1CodePage : TextCodePage {
    std::string FromUtf16(const std::u16string& text) override
    {
        std::string bytes;
        for (std::size_t i = 0; i < text.size(); ++i) {
            bytes.push_back(text[i] <= 0xFF ? static_cast<char>(text[i]) : '?');
            if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                ++i;
        }
        return bytes;
    }
    bool IsLeadByte(unsigned char) const override { return false; }
};

struct TestPlatform {
    FakeFileSystem files;
    FakeRegistry registry;
    FakeDeviceSetup devices;
    FakeConfigManager configManager;
    FakeWindowSystem windows;
    FakeSystemInfo system;
    FakeClock clock;
    Latin1CodePage codePage;
    FakeView view;
    FakeJobLock jobLock{files.log};
    Platform platform{files, registry, devices, configManager, windows, system, clock, codePage, view, jobLock};
};
