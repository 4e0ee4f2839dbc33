// The phases a job is made of, behind one interface so that the dialog's control flow can be
// checked on its own.
#pragma once
#include "app/SetupSession.h"
#include "device/DeviceStart.h"
#include "package/DriverPackage.h"

class SetupPhases {
public:
    virtual ~SetupPhases() = default;

    // Fills the record from the driver package beside the program; false closes the dialog.
    virtual bool ReadDriverPackage(SetupSession& session) = 0;
    // Puts back what an interrupted earlier run left hidden; every job starts with it. False when
    // a system file still stands under its backup name.
    virtual bool RecoverInterruptedRun(SetupSession& session) = 0;
    // Removes the device nodes of the package's pairs; the number removed in this call.
    virtual int RemoveMatchingDevices(SetupSession& session, const HardwareIdList& hardwareIds) = 0;
    // Deletes the installed INF copies that list a pair, pair by pair; the number that matched.
    virtual int RemoveInfCopies(SetupSession& session, const HardwareIdList& hardwareIds) = 0;
    virtual void DeleteDriverFile(SetupSession& session) = 0;
    virtual void PlaceDriverFiles(SetupSession& session, const PhaseSpan& span) = 0;
    // Whether the INF copy and the driver stand where the placement puts them, as files.
    virtual bool DriverFilesInPlace(SetupSession& session) = 0;
    // Whether the installed driver is gone.
    virtual bool DriverFileRemoved(SetupSession& session) = 0;
    virtual DeviceStartOutcome StartDevicePhase(SetupSession& session, const PhaseSpan& span) = 0;
};

// The INF reads of the running system, over the platform's files, code page and system.
InfReading InfReadingOf(Platform& platform);

// The phases as the system runs them.
class SystemPhases : public SetupPhases {
public:
    bool ReadDriverPackage(SetupSession& session) override;
    bool RecoverInterruptedRun(SetupSession& session) override;
    int RemoveMatchingDevices(SetupSession& session, const HardwareIdList& hardwareIds) override;
    int RemoveInfCopies(SetupSession& session, const HardwareIdList& hardwareIds) override;
    void DeleteDriverFile(SetupSession& session) override;
    void PlaceDriverFiles(SetupSession& session, const PhaseSpan& span) override;
    bool DriverFilesInPlace(SetupSession& session) override;
    bool DriverFileRemoved(SetupSession& session) override;
    DeviceStartOutcome StartDevicePhase(SetupSession& session, const PhaseSpan& span) override;
};
