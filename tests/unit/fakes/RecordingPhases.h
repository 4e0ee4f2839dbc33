// A stand-in for the job's phases: each call is written into the view's transcript, and the
// package read and device removal give what the test scripts.
#pragma once
#include <deque>
#include <functional>
#include <string>

#include "app/SetupPhases.h"
#include "fakes/FakeView.h"

class RecordingPhases : public SetupPhases {
public:
    explicit RecordingPhases(FakeView& view) : view_(view) {}

    bool packageReadable = true;
    // Runs inside ReadDriverPackage, to fill the record as a package would.
    std::function<void(SetupSession&)> fillRecord;
    // Successive results of RemoveMatchingDevices; 0 once they run out.
    std::deque<int> removalCounts;
    int removalCallsAfterScript = 0; // nonzero: every call past the script returns this
    bool deviceStarts = true;

    bool ReadDriverPackage(SetupSession& session) override
    {
        view_.Record("read package");
        if (fillRecord)
            fillRecord(session);
        return packageReadable;
    }
    void RecoverInterruptedRun(SetupSession&) override { view_.Record("recover"); }
    int RemoveMatchingDevices(SetupSession&, const HardwareIdList& hardwareIds) override
    {
        int removed = removalCallsAfterScript;
        if (!removalCounts.empty()) {
            removed = removalCounts.front();
            removalCounts.pop_front();
        }
        view_.Record("remove devices of " + std::to_string(hardwareIds.size()) + " pairs: " + std::to_string(removed));
        return removed;
    }
    int RemoveInfCopies(SetupSession&, const char* vidText, const char* pidText) override
    {
        view_.Record(std::string("remove inf copies ") + vidText + " " + pidText);
        return 0;
    }
    void DeleteDriverFile(SetupSession&) override { view_.Record("delete driver"); }
    void PlaceDriverFiles(SetupSession&, const PhaseSpan& span) override
    {
        view_.Record("place driver files " + std::to_string(span.from) + " " + std::to_string(span.to));
    }
    bool filesInPlace = true;
    bool DriverFilesInPlace(SetupSession&) override
    {
        view_.Record("check placed files");
        return filesInPlace;
    }
    bool StartDevicePhase(SetupSession&, const PhaseSpan& span) override
    {
        view_.Record("start device " + std::to_string(span.from) + " " + std::to_string(span.to));
        return deviceStarts;
    }

private:
    FakeView& view_;
};
