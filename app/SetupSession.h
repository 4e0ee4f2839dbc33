// One run of the setup dialog: the run's context over the platform, and what the dialog's
// control flow keeps (the chosen job, whether a job runs, the exit status).
#pragma once
#include <cstdint>

#include "platform/Platform.h"
#include "records/RunContext.h"

// The dialog's end result for every way it closes.
constexpr int DialogCancelResult = 2;

// Exit statuses of a silent run.
constexpr int SilentInstallDone = 0;
constexpr int SilentPackageUnreadable = 1;
constexpr int SilentDeviceNotStarted = 2;
// The dialog could not be created (the common controls would not load, say): nothing ran.
constexpr int SilentDialogNotCreated = 3;
// The INF copy or the driver is not where the placement put it: no device is started.
constexpr int SilentFilesNotPlaced = 4;
// A system file hidden while the device started could not be put back under its own name.
constexpr int SilentSystemFilesHidden = 5;
// The run ended on a fault that nothing handles (memory running out, say), wherever it was; what
// it had renamed, the next run of any job puts back.
constexpr int SilentEndedByFault = 6;

class SetupSession : public RunContext {
public:
    explicit SetupSession(Platform& platform) : RunContext(platform.view, platform.clock), platform(platform) {}

    Platform& platform;
    std::int32_t InstallSelected = 0;
    // True from the start of a job to the dialog's end: nothing that arrives through the
    // message pump may start a second job or close the dialog meanwhile.
    bool JobRunning = false;
    // A node of the disk was in use and is removed only at the system's restart: until then the
    // device runs on its earlier driver, so a silent install does not say it was started.
    bool DeviceRunsUntilRestart = false;
    // The system refused to remove a node of the disk (a user without the right to): the node
    // still names the driver.
    bool DeviceNodeRefusedRemoval = false;
    // The process exit status. Interactive runs always end with 0; a silent run tells
    // deployment scripts how it went, and starts as "nothing ran" until its start says more.
    int ExitStatus = 0;
};
