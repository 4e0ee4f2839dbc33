// The device start phase of a silent install: the system's own matching data hidden, the
// device tree re-enumerated, the wizard driven on Windows XP, the hidden files put back.
#include "device/DeviceStart.h"

#include "device/WizardAutomation.h"
#include "files/SystemFileHiding.h"

namespace {

constexpr int DatabaseRebuildMilliseconds = 3000;

bool ReenumerateDeviceTree(ConfigManager& configManager)
{
    DeviceNode root;
    if (configManager.LocateRootNode(root) != ConfigSuccess)
        return false;
    return configManager.ReenumerateNode(root, 0) == ConfigSuccess;
}

} // namespace

bool StartDevicePhase(SetupSession& session, int from, int to)
{
    const OsClass osClass = session.State.OsClass;
    session.SetProgress(from);
    if (IsWindows98Family(osClass))
        HideDriverDatabase(session);
    if (osClass == OsClass::WindowsXp) {
        RestoreUsbStorageInf(session); // a backup an interrupted run left behind
        HideUsbStorageInf(session);
    }

    bool started = ReenumerateDeviceTree(session.platform.configManager);

    if (IsWindows98Family(osClass)) {
        session.PumpMessages(DatabaseRebuildMilliseconds);
        RestoreDriverDatabase(session);
    }
    if (osClass == OsClass::WindowsXp) {
        started = DriveNewHardwareWizard(session, from, to);
        RestoreUsbStorageInf(session);
    }
    session.SetProgress(to);
    return started;
}
