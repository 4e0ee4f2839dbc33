// The system's device nodes in memory, with SetupAPI's set semantics.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "fakes/FaultInjection.h"
#include "platform/DeviceSetup.h"

struct FakeDeviceNode {
    ClassGuid classGuid;
    std::string enumerator;
    std::string instanceId;
    bool attached = true;
    // SetupDiGetDeviceInstanceIdA fails for this node.
    bool idUnreadable = false;
    // SetupDiRemoveDevice fails for this node.
    bool removalFails = false;
    // How many more times a removal succeeds but the node is back in the next set.
    int comebacks = 0;
};

// A set is a snapshot of the nodes at the time it was made, as SetupAPI's is: removing a node
// takes it out of the system (and of every later set) but leaves the set's indexes as they were.
class FakeDeviceSetup : public DeviceSetup {
public:
    enum class Operation { GetClassDevices, GetInstanceId, RemoveDevice };

    static constexpr std::uint32_t PresentOnly = 0x2; // DIGCF_PRESENT
    static constexpr std::uint32_t AllClasses = 0x4;  // DIGCF_ALLCLASSES

    // "get {GUID} ENUMERATOR FLAGS", "remove INSTANCE-ID", "destroy", in order.
    std::vector<std::string> log;
    FaultInjection<Operation> faults;

    // Adds a node to the system and returns it for further changes (the reference stays valid
    // while the node exists).
    FakeDeviceNode& AddNode(const ClassGuid& classGuid, const std::string& enumerator, const std::string& instanceId)
    {
        nodes_.push_back(Node{nextNodeNumber_++, FakeDeviceNode{classGuid, enumerator, instanceId}});
        return nodes_.back().node;
    }

    bool NodeExists(const std::string& instanceId) const
    {
        return std::any_of(nodes_.begin(), nodes_.end(),
                           [&](const Node& node) { return SameText(node.node.instanceId, instanceId); });
    }
    std::vector<std::string> InstanceIds() const
    {
        std::vector<std::string> ids;
        for (const Node& node : nodes_) ids.push_back(node.node.instanceId);
        return ids;
    }
    // Sets made and not yet destroyed.
    std::size_t OpenSetCount() const { return sets_.size(); }
    int RemovalCount() const { return removals_; }

    bool GetClassDevices(const ClassGuid& classGuid, const std::string& enumerator, std::uint32_t flags,
                         DeviceSet& set) override
    {
        log.push_back("get " + GuidText(classGuid) + " " + enumerator + " " + std::to_string(flags));
        if (faults.CallFails(Operation::GetClassDevices))
            return false;
        Snapshot snapshot;
        for (const Node& node : nodes_) {
            if ((flags & AllClasses) == 0 && !SameGuid(node.node.classGuid, classGuid))
                continue;
            if (!enumerator.empty() && !SameText(node.node.enumerator, enumerator))
                continue;
            if ((flags & PresentOnly) != 0 && !node.node.attached)
                continue;
            snapshot.push_back(Element{node.number, node.node.instanceId, node.node.idUnreadable, false});
        }
        set = nextSet_++;
        sets_[set] = snapshot;
        return true;
    }

    bool EnumDevice(DeviceSet set, std::uint32_t index) override { return ElementAt(set, index) != nullptr; }

    bool GetInstanceId(DeviceSet set, std::uint32_t index, std::string& instanceId) override
    {
        if (faults.CallFails(Operation::GetInstanceId))
            return false;
        const Element* element = ElementAt(set, index);
        // The buffer holds 512 characters with the terminator.
        if (element == nullptr || element->idUnreadable || element->instanceId.size() >= 512)
            return false;
        instanceId = element->instanceId;
        return true;
    }

    bool RemoveDevice(DeviceSet set, std::uint32_t index) override
    {
        Element* element = ElementAt(set, index);
        log.push_back("remove " + (element != nullptr ? element->instanceId : std::string("?")));
        if (faults.CallFails(Operation::RemoveDevice))
            return false;
        if (element == nullptr || element->removed)
            return false;
        auto node = std::find_if(nodes_.begin(), nodes_.end(),
                                 [&](const Node& candidate) { return candidate.number == element->nodeNumber; });
        if (node == nodes_.end() || node->node.removalFails)
            return false;
        element->removed = true;
        ++removals_;
        if (node->node.comebacks > 0)
            --node->node.comebacks;
        else
            nodes_.erase(node);
        return true;
    }

    void DestroyDeviceSet(DeviceSet set) override
    {
        log.push_back("destroy");
        sets_.erase(set);
    }

    static std::string GuidText(const ClassGuid& guid)
    {
        char text[40];
        std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                      static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                      guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
        return text;
    }

private:
    struct Node {
        int number;
        FakeDeviceNode node;
    };
    struct Element {
        int nodeNumber;
        std::string instanceId;
        bool idUnreadable;
        bool removed;
    };
    using Snapshot = std::vector<Element>;

    Element* ElementAt(DeviceSet set, std::uint32_t index)
    {
        auto snapshot = sets_.find(set);
        if (snapshot == sets_.end() || index >= snapshot->second.size())
            return nullptr;
        return &snapshot->second[index];
    }

    static bool SameGuid(const ClassGuid& a, const ClassGuid& b)
    {
        return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
               std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
    }
    // Enumerators and instance IDs are registry key names: case does not count.
    static bool SameText(const std::string& a, const std::string& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
                   return upper(x) == upper(y);
               });
    }

    // Nodes in the system's order; a removed node is gone from here.
    std::list<Node> nodes_;
    std::map<DeviceSet, Snapshot> sets_;
    int nextNodeNumber_ = 1;
    DeviceSet nextSet_ = 0x5000;
    int removals_ = 0;
};
