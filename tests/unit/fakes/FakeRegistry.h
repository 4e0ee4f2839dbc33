// An in-memory HKEY_LOCAL_MACHINE: the keys a test adds and the string values written under them.
#pragma once
#include <map>
#include <optional>
#include <string>

#include "fakes/FaultInjection.h"
#include "platform/Registry.h"

// Keys exist only when a test adds them: a write never creates one. Key and value names are
// compared without regard to ASCII case.
class FakeRegistry : public Registry {
public:
    enum class Operation { SetMachineString };

    FaultInjection<Operation> faults;

    void AddKey(const std::string& keyPath) { values_[Key(keyPath)]; }
    void SetValue(const std::string& keyPath, const std::string& valueName, const std::string& text)
    {
        values_[Key(keyPath)][Key(valueName)] = text;
    }

    bool KeyExists(const std::string& keyPath) const { return values_.count(Key(keyPath)) != 0; }
    std::optional<std::string> GetValue(const std::string& keyPath, const std::string& valueName) const
    {
        auto key = values_.find(Key(keyPath));
        if (key == values_.end())
            return std::nullopt;
        auto value = key->second.find(Key(valueName));
        if (value == key->second.end())
            return std::nullopt;
        return value->second;
    }

    bool SetMachineString(const std::string& keyPath, const std::string& valueName, const std::string& text) override
    {
        if (faults.CallFails(Operation::SetMachineString) || !KeyExists(keyPath))
            return false;
        SetValue(keyPath, valueName, text);
        return true;
    }

private:
    static std::string Key(std::string name)
    {
        for (char& c : name) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return name;
    }

    std::map<std::string, std::map<std::string, std::string>> values_;
};
