// The one job a run performs: install or uninstall from the Start button, or the silent install.
#include "app/JobControl.h"

#include "resource_ids.h"

namespace {

// Device nodes can come back while they are being removed; the removal is repeated until a
// pass finds none, but never more often than this.
constexpr int MaxDeviceRemovalPasses = 16;
constexpr int SilentPauseMilliseconds = 3000;

// While a job runs the choice is fixed: a click on a radio button puts the check marks back.
void ChooseJob(SetupSession& session, bool install)
{
    SetupView& view = session.platform.view;
    if (session.JobRunning) {
        view.SetCheck(IDC_INSTALL, session.InstallSelected != 0);
        view.SetCheck(IDC_UNINSTALL, session.InstallSelected == 0);
        return;
    }
    session.InstallSelected = install ? 1 : 0;
    session.SetProgress(0);
    session.ClearStatus();
}

void EnableJobButtons(SetupView& view, bool enabled)
{
    view.EnableControl(IDC_START, enabled);
    view.EnableControl(IDC_EXIT, enabled);
}

} // namespace

void RunRemovalPhase(SetupSession& session, SetupPhases& phases, int from, int to)
{
    session.ShowStatus(IDS_REMOVING_DEVICE);
    session.SetProgressFor(from, to, 10);
    for (int pass = 0; pass < MaxDeviceRemovalPasses; ++pass) {
        if (phases.RemoveMatchingDevices(session, session.State.HardwareIds) == 0)
            break;
    }
    session.PumpMessages(200);
    session.SetProgressFor(from, to, 60);
    for (const HardwareIdEntry& entry : session.State.HardwareIds)
        phases.RemoveInfCopies(session, entry.VidText.c_str(), entry.PidText.c_str());
    phases.DeleteDriverFile(session);
    session.PumpMessages(200);
    session.SetProgressFor(from, to, 100);
}

void OnStartClicked(SetupSession& session, SetupPhases& phases)
{
    if (session.JobRunning)
        return;
    session.JobRunning = true;
    SetupView& view = session.platform.view;

    EnableJobButtons(view, false);
    session.PumpMessages(300);
    const bool install = session.InstallSelected != 0;
    phases.RecoverInterruptedRun(session);
    if (install) {
        RunRemovalPhase(session, phases, 0, 10);
        session.PumpMessages(3000);
        session.SetProgress(15);
        phases.PlaceDriverFiles(session, 15, 30);
        session.SetProgress(100);
    } else {
        RunRemovalPhase(session, phases, 0, 100);
    }
    EnableJobButtons(view, true);
    session.ClearStatus();
    session.ShowMessage(install ? IDS_INSTALL_COMPLETE : IDS_UNINSTALL_COMPLETE, MessageInformation);
    view.EndDialog(DialogCancelResult);
}

void OnInstallChosen(SetupSession& session)
{
    ChooseJob(session, true);
}

void OnUninstallChosen(SetupSession& session)
{
    ChooseJob(session, false);
}

void RunSilentInstall(SetupSession& session, SetupPhases& phases)
{
    session.JobRunning = true;
    phases.RecoverInterruptedRun(session);
    RunRemovalPhase(session, phases, 0, 25);
    session.platform.clock.Sleep(SilentPauseMilliseconds);
    phases.PlaceDriverFiles(session, 25, 50);
    // A deployment script is told when nothing could be placed, instead of a device start that
    // could not work.
    if (!phases.DriverFilesInPlace(session)) {
        session.ExitStatus = SilentFilesNotPlaced;
        return;
    }
    const bool started = phases.StartDevicePhase(session, 50, 100);
    session.ExitStatus = started ? SilentInstallDone : SilentDeviceNotStarted;
}

bool MayCloseDialog(const SetupSession& session)
{
    return !session.JobRunning;
}
