// The device start phase of a silent install: the system's own matching data hidden, the
// device tree re-enumerated, the wizard driven on Windows XP, the hidden files put back.
#include "device/DeviceStart.h"

#include "device/DeviceRemoval.h"
#include "device/WizardAutomation.h"
#include "files/FileSteps.h"
#include "files/SystemFileHiding.h"

namespace {

// On the 98 family the system installs the device from the INF folder meanwhile, its rebuilt
// driver database kept out of the way.
constexpr int DatabaseRebuildMilliseconds = 3000;

// Outside Windows XP nothing shows whether the system made the device's node but the node
// itself: a disk that is plugged in has one within moments of the re-enumeration (on the 98
// family already after the database's rebuild). A disk that is not plugged in has none, and the
// silent run's status must not say that it started.
constexpr int AttachWaitMilliseconds = 5000;
constexpr int AttachCheckMilliseconds = 500;

bool WaitForAttachedDisk(RunContext& run, DeviceSetup& devices)
{
    const PairIndex pairs(run.State.HardwareIds);
    for (int waited = 0; !DiskAttached(devices, pairs); waited += AttachCheckMilliseconds) {
        if (waited >= AttachWaitMilliseconds)
            return false;
        run.PumpMessages(AttachCheckMilliseconds);
    }
    return true;
}

} // namespace

DeviceStartOutcome StartDevicePhase(RunContext& run, FileSystem& files, DeviceSetup& devices,
                                    ConfigManager& configManager, WindowSystem& windows, Clock& clock,
                                    const PhaseSpan& span)
{
    const SetupState& state = run.State;
    const OsClass osClass = state.OsClass;
    run.StartPhase(span);
    run.SetProgress(span.from);
    if (IsWindows98Family(osClass))
        RetryWhileRefused(run, [&] { return HideDriverDatabase(files, state); });
    if (osClass == OsClass::WindowsXp) {
        RestoreUsbStorageInf(files, state); // a backup an interrupted run left behind
        RetryWhileRefused(run, [&] { return HideUsbStorageInf(files, state); });
    }

    DeviceStartOutcome outcome;
    outcome.started = configManager.ReenumerateDeviceTree();

    if (IsWindows98Family(osClass)) {
        run.PumpMessages(DatabaseRebuildMilliseconds);
        outcome.restored = RetryWhileRefused(run, [&] { return RestoreDriverDatabase(files, state); });
    }
    if (osClass == OsClass::WindowsXp) {
        outcome.started = DriveNewHardwareWizard(run, windows, clock, span.from, span.to);
        outcome.restored = RetryWhileRefused(run, [&] { return RestoreUsbStorageInf(files, state); });
    } else if (outcome.started) {
        outcome.started = WaitForAttachedDisk(run, devices);
    }
    run.SetProgress(span.to);
    return outcome;
}
