// A stand-in for the job's phases: each call is written into the view's transcript, and the
// package read, the device removal, the placement check and the device start give what the test
// scripts.
#pragma once
#include <deque>
#include <functional>
#include <string>

#include "app/SetupPhases.h"
#include "fakes/FakeView.h"

class RecordingPhases : public SetupPhases {
public:
    explicit RecordingPhases(FakeView& view) : t_(view.transcript) {}

    bool packageReadable = true, filesInPlace = true, deviceStarts = true;
    std::function<void(SetupSession&)> fillRecord; // runs inside the read, as a package fills the record
    std::deque<int> removalCounts;                 // successive results of RemoveMatchingDevices
    int removalCallsAfterScript = 0;               // what every call past the script returns

    bool ReadDriverPackage(SetupSession& session) override
    {
        t_.push_back("read package");
        if (fillRecord)
            fillRecord(session);
        return packageReadable;
    }
    void RecoverInterruptedRun(SetupSession&) override { t_.push_back("recover"); }
    int RemoveMatchingDevices(SetupSession&, const HardwareIdList& hardwareIds) override
    {
        const int removed = removalCounts.empty() ? removalCallsAfterScript : removalCounts.front();
        if (!removalCounts.empty())
            removalCounts.pop_front();
        t_.push_back("remove devices of " + std::to_string(hardwareIds.size()) + " pairs: " + std::to_string(removed));
        return removed;
    }
    int RemoveInfCopies(SetupSession&, const char* vid, const char* pid) override
    {
        t_.push_back(std::string("remove inf copies ") + vid + " " + pid);
        return 0;
    }
    void DeleteDriverFile(SetupSession&) override { t_.push_back("delete driver"); }
    void PlaceDriverFiles(SetupSession&, const PhaseSpan& span) override
    {
        t_.push_back("place driver files" + Span(span));
    }
    bool DriverFilesInPlace(SetupSession&) override
    {
        t_.push_back("check placed files");
        return filesInPlace;
    }
    bool StartDevicePhase(SetupSession&, const PhaseSpan& span) override
    {
        t_.push_back("start device" + Span(span));
        return deviceStarts;
    }

private:
    static std::string Span(const PhaseSpan& span)
    {
        return " " + std::to_string(span.from) + " " + std::to_string(span.to);
    }
    std::vector<std::string>& t_;
};
