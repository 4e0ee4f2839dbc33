// Which calls of a fake's operations fail on purpose: the n-th call of one, or every call.
#pragma once
#include <map>
#include <set>

// Calls are counted per operation from the fake's creation, starting at 1, whether or not they
// fail, so "the 3rd copy" means the same call however the test was set up.
template <typename Operation>
class FaultInjection {
public:
    void FailCall(Operation operation, int callNumber) { failingCalls_[operation].insert(callNumber); }
    void FailAllCalls(Operation operation) { failingAlways_.insert(operation); }
    void Clear()
    {
        failingCalls_.clear();
        failingAlways_.clear();
    }

    // Counts one call of the operation; true when that call is to fail.
    bool CallFails(Operation operation)
    {
        int callNumber = ++callCounts_[operation];
        if (failingAlways_.count(operation) != 0)
            return true;
        auto calls = failingCalls_.find(operation);
        return calls != failingCalls_.end() && calls->second.count(callNumber) != 0;
    }

    int CallCount(Operation operation) const
    {
        auto count = callCounts_.find(operation);
        return count == callCounts_.end() ? 0 : count->second;
    }

private:
    std::map<Operation, std::set<int>> failingCalls_;
    std::set<Operation> failingAlways_;
    std::map<Operation, int> callCounts_;
};
