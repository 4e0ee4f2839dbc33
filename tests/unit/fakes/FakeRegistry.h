// An in-memory HKEY_LOCAL_MACHINE with the registry calls' own status codes.
#pragma once
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/FaultInjection.h"
#include "platform/Registry.h"

// Keys exist only when a test adds them: opening never creates one. Key and value names are
// compared without regard to ASCII case. A value is kept as its type and raw bytes, so a test
// sees exactly what was written, terminator included.
class FakeRegistry : public Registry {
public:
    enum class Operation { OpenMachineKey, SetStringValue, CloseKey };

    static constexpr long FileNotFound = 2;                 // ERROR_FILE_NOT_FOUND
    static constexpr long AccessDenied = 5;                 // ERROR_ACCESS_DENIED
    static constexpr long InvalidHandle = 6;                // ERROR_INVALID_HANDLE
    static constexpr std::uint32_t StringType = 1;          // REG_SZ
    static constexpr std::uint32_t SetValueAccess = 0x0002; // KEY_SET_VALUE

    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    struct OpenRequest {
        std::string subKey;
        std::uint32_t access;
    };

    // Every call in order: "open SUBKEY", "set SUBKEY NAME", "close SUBKEY".
    std::vector<std::string> log;
    // The access mask of every open, in order.
    std::vector<OpenRequest> opens;
    FaultInjection<Operation> faults;
    // The status an injected failure returns.
    long injectedStatus = AccessDenied;

    void AddKey(const std::string& subKey) { keys_[Key(subKey)] = subKey; }
    // Opening this key fails with the status, as for a user without the rights asked for.
    void DenyOpen(const std::string& subKey, long status = AccessDenied) { deniedKeys_[Key(subKey)] = status; }
    void SetValue(const std::string& subKey, const std::string& name, std::uint32_t type, const std::string& bytes)
    {
        values_[Key(subKey)][Key(name)] = Value{type, bytes};
    }

    bool KeyExists(const std::string& subKey) const { return keys_.count(Key(subKey)) != 0; }
    std::optional<Value> GetValue(const std::string& subKey, const std::string& name) const
    {
        auto key = values_.find(Key(subKey));
        if (key == values_.end())
            return std::nullopt;
        auto value = key->second.find(Key(name));
        if (value == key->second.end())
            return std::nullopt;
        return value->second;
    }
    // Keys opened and not yet closed; 0 when every open was balanced by a close.
    std::size_t OpenKeyCount() const { return openKeys_.size(); }

    long OpenMachineKey(const std::string& subKey, std::uint32_t access, RegistryKey& key) override
    {
        log.push_back("open " + subKey);
        opens.push_back(OpenRequest{subKey, access});
        if (faults.CallFails(Operation::OpenMachineKey))
            return injectedStatus;
        if (!KeyExists(subKey))
            return FileNotFound;
        auto denied = deniedKeys_.find(Key(subKey));
        if (denied != deniedKeys_.end())
            return denied->second;
        key = nextHandle_++;
        openKeys_[key] = OpenKey{keys_[Key(subKey)], access};
        return RegistrySuccess;
    }

    // Like RegSetValueExA, it needs a key opened with KEY_SET_VALUE.
    long SetStringValue(RegistryKey key, const std::string& name, const std::string& value) override
    {
        auto open = openKeys_.find(key);
        log.push_back("set " + (open == openKeys_.end() ? std::string("?") : open->second.subKey) + " " + name);
        if (faults.CallFails(Operation::SetStringValue))
            return injectedStatus;
        if (open == openKeys_.end())
            return InvalidHandle;
        if ((open->second.access & SetValueAccess) == 0)
            return AccessDenied;
        SetValue(open->second.subKey, name, StringType, value + '\0');
        return RegistrySuccess;
    }

    long CloseKey(RegistryKey key) override
    {
        auto open = openKeys_.find(key);
        log.push_back("close " + (open == openKeys_.end() ? std::string("?") : open->second.subKey));
        if (faults.CallFails(Operation::CloseKey))
            return injectedStatus;
        if (open == openKeys_.end())
            return InvalidHandle;
        openKeys_.erase(open);
        return RegistrySuccess;
    }

private:
    struct OpenKey {
        std::string subKey;
        std::uint32_t access;
    };

    static std::string Key(const std::string& name)
    {
        std::string key = name;
        std::transform(key.begin(), key.end(), key.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
        return key;
    }

    std::map<std::string, std::string> keys_;
    std::map<std::string, long> deniedKeys_;
    std::map<std::string, std::map<std::string, Value>> values_;
    std::map<RegistryKey, OpenKey> openKeys_;
    RegistryKey nextHandle_ = 0x100;
};
