// The system's device nodes in memory.
#pragma once
#include <algorithm>
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "fakes/FaultInjection.h"
#include "platform/DeviceSetup.h"

struct FakeDeviceNode {
    ClassGuid classGuid;
    std::string enumerator;
    std::string instanceId;
    // The system refuses to remove this node.
    bool removalFails = false;
    // How many more times a removal succeeds but the node is back in the next listing.
    int comebacks = 0;
};

class FakeDeviceSetup : public DeviceSetup {
public:
    enum class Operation { InstanceIds, RemoveDevice };

    FaultInjection<Operation> faults;
    // The instance IDs of the removals that worked, in order.
    std::vector<std::string> removals;

    // Adds a node to the system and returns it for further changes (the reference stays valid
    // while the node exists).
    FakeDeviceNode& AddNode(const ClassGuid& classGuid, const std::string& enumerator, const std::string& instanceId)
    {
        return nodes_.emplace_back(FakeDeviceNode{classGuid, enumerator, instanceId});
    }

    bool NodeExists(const std::string& instanceId) const
    {
        return std::any_of(nodes_.begin(), nodes_.end(),
                           [&](const FakeDeviceNode& node) { return SameText(node.instanceId, instanceId); });
    }
    // Every node's instance ID, in the system's order.
    std::vector<std::string> NodesLeft() const
    {
        std::vector<std::string> ids;
        for (const FakeDeviceNode& node : nodes_) ids.push_back(node.instanceId);
        return ids;
    }

    std::vector<std::string> InstanceIds(const ClassGuid& classGuid, const std::string& enumerator) override
    {
        listed_.clear();
        if (faults.CallFails(Operation::InstanceIds))
            return listed_;
        for (const FakeDeviceNode& node : nodes_) {
            if (std::memcmp(&node.classGuid, &classGuid, sizeof classGuid) == 0 &&
                SameText(node.enumerator, enumerator))
                listed_.push_back(node.instanceId);
        }
        return listed_;
    }

    // Only a node of the latest listing can be removed, as through the system's own sets.
    bool RemoveDevice(const std::string& instanceId) override
    {
        if (faults.CallFails(Operation::RemoveDevice) ||
            std::find(listed_.begin(), listed_.end(), instanceId) == listed_.end())
            return false;
        const auto node = std::find_if(nodes_.begin(), nodes_.end(),
                                       [&](const FakeDeviceNode& each) { return each.instanceId == instanceId; });
        if (node == nodes_.end() || node->removalFails)
            return false;
        removals.push_back(instanceId);
        if (node->comebacks > 0)
            --node->comebacks;
        else
            nodes_.erase(node);
        return true;
    }

private:
    // Enumerators and instance IDs are registry key names: case does not count.
    static bool SameText(const std::string& a, const std::string& b)
    {
        const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return upper(x) == upper(y); });
    }

    // Nodes in the system's order; a removed node is gone from here.
    std::list<FakeDeviceNode> nodes_;
    std::vector<std::string> listed_;
};
