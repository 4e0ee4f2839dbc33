// The device start phase of a silent install: the system's own matching data hidden, the
// device tree re-enumerated, the wizard driven on Windows XP, the hidden files put back.
#include "device/DeviceStart.h"

#include "device/WizardAutomation.h"
#include "files/SystemFileHiding.h"

namespace {

constexpr int DatabaseRebuildMilliseconds = 3000;

} // namespace

bool StartDevicePhase(RunContext& run, FileSystem& files, ConfigManager& configManager, WindowSystem& windows,
                      Clock& clock, int from, int to)
{
    const SetupState& state = run.State;
    const OsClass osClass = state.OsClass;
    run.SetProgress(from);
    if (IsWindows98Family(osClass))
        HideDriverDatabase(files, state);
    if (osClass == OsClass::WindowsXp) {
        RestoreUsbStorageInf(files, state); // a backup an interrupted run left behind
        HideUsbStorageInf(files, state);
    }

    bool started = configManager.ReenumerateDeviceTree();

    if (IsWindows98Family(osClass)) {
        run.PumpMessages(DatabaseRebuildMilliseconds);
        RestoreDriverDatabase(files, state);
    }
    if (osClass == OsClass::WindowsXp) {
        started = DriveNewHardwareWizard(run, windows, clock, from, to);
        RestoreUsbStorageInf(files, state);
    }
    run.SetProgress(to);
    return started;
}
