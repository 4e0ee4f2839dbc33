// The one job a run performs: install or uninstall from the Start button, or the silent install.
#include "app/JobControl.h"

#include <span>

#include "device/WizardAutomation.h"
#include "resource_ids.h"

namespace {

// Device nodes can come back while they are being removed; the removal is repeated until a
// pass finds none, but never more often than this.
constexpr int MaxDeviceRemovalPasses = 16;

// A wait before a step: pumping the dialog's messages, or (dispatching false) sleeping.
struct Pause {
    int milliseconds;
    bool dispatching;
};
constexpr Pause NoPause{0, false};
// The disabled buttons are drawn, and a click that came with them is answered, before the job
// holds the thread.
constexpr Pause ButtonsDrawn{300, true};
// The system lets go of the removed devices and their driver before new files are placed.
constexpr int RemovalSettleMilliseconds = 3000;
constexpr Pause RemovalSettles{RemovalSettleMilliseconds, true};
// A silent run has no dialog on the screen to keep answering.
constexpr Pause RemovalSettlesSilently{RemovalSettleMilliseconds, false};
// While another run's job holds the system's files, a job asks again this often. Every job
// ends within minutes (the wizard's search and its driving are bounded in time; the removal,
// the placement and the pauses take seconds), so a lock held longer than the limit belongs to
// a run that hangs: the job then runs rather than hang with it.
constexpr int LockRetryMilliseconds = 500;
constexpr int LockWaitLimitMilliseconds = 10 * 60 * 1000;
static_assert(LockWaitLimitMilliseconds >= LongestWizardMilliseconds + 3 * 60 * 1000,
              "a job that drives the wizard for as long as it may still ends before the wait gives up");

enum class JobPhase {
    Recover,                // what an interrupted run left is put back
    Removal,                // device nodes, installed INF copies, the driver
    RemovalUnlessNodesStay, // the same, but the INF copies and driver that a refused node names stay
    Placement,              // the package's files under the Windows folder
    PlacementCheck,         // a job whose files are not in place stops here, and says so
    RemovalCheck,           // an uninstall whose driver is still there says so
    DeviceStart,            // the device started; the silent run's status
    Bar,                    // nothing runs: the bar moves to the end of the stretch
};

struct JobStep {
    Pause pauseBefore;
    JobPhase phase;
    PhaseSpan span;
};

// clang-format off
// The Start button's install. The bar jumps over the stretches that no phase fills.
constexpr JobStep InstallJob[] = {
    // pause before           phase                             status line           bar
    {ButtonsDrawn,            JobPhase::Recover,                {}},
    {NoPause,                 JobPhase::Removal,                {IDS_REMOVING_DEVICE, 0, 10}},
    {RemovalSettles,          JobPhase::Bar,                    {NoStatusText,        15, 15}},
    {NoPause,                 JobPhase::Placement,              {IDS_INSTALLING,      15, 30}},
    {NoPause,                 JobPhase::PlacementCheck,         {}},
    {NoPause,                 JobPhase::Bar,                    {NoStatusText,        100, 100}},
};

// The Start button's uninstall.
constexpr JobStep UninstallJob[] = {
    {ButtonsDrawn,            JobPhase::Recover,                {}},
    {NoPause,                 JobPhase::RemovalUnlessNodesStay, {IDS_REMOVING_DEVICE, 0, 100}},
    {NoPause,                 JobPhase::RemovalCheck,           {}},
};

// The install of a "/S" run: no message, and an exit status for deployment scripts.
constexpr JobStep SilentInstallJob[] = {
    {NoPause,                 JobPhase::Recover,                {}},
    {NoPause,                 JobPhase::Removal,                {IDS_REMOVING_DEVICE, 0, 25}},
    {RemovalSettlesSilently,  JobPhase::Placement,              {IDS_INSTALLING,      25, 50}},
    {NoPause,                 JobPhase::PlacementCheck,         {}},
    {NoPause,                 JobPhase::DeviceStart,            {NoStatusText,        50, 100}},
};
// clang-format on

void Wait(SetupSession& session, const Pause& pause)
{
    if (pause.milliseconds == 0)
        return;
    if (pause.dispatching)
        session.PumpMessages(pause.milliseconds);
    else
        session.platform.clock.Sleep(pause.milliseconds);
}

// The machine-wide job lock, held for the whole job whichever way it ends; the dialog keeps
// answering while the job waits for it, and its status line says why nothing happens yet.
class JobLockHold {
public:
    explicit JobLockHold(SetupSession& session) : lock_(session.platform.jobLock)
    {
        const Pause retry{LockRetryMilliseconds, !session.Silent};
        bool waiting = false;
        for (int waited = 0; waited < LockWaitLimitMilliseconds && !lock_.TryTake(); waited += retry.milliseconds) {
            if (!waiting)
                session.ShowStatus(IDS_WAITING_FOR_OTHER_SETUP);
            waiting = true;
            Wait(session, retry);
        }
        if (waiting)
            session.ClearStatus();
    }
    ~JobLockHold() { lock_.Release(); }
    JobLockHold(const JobLockHold&) = delete;
    JobLockHold& operator=(const JobLockHold&) = delete;

private:
    JobLock& lock_;
};

// False when the job's files were not placed or not removed.
bool RunJob(SetupSession& session, SetupPhases& phases, std::span<const JobStep> steps)
{
    const JobLockHold hold(session);
    bool systemFilesHidden = false; // by an interrupted run, and still
    for (const JobStep& step : steps) {
        Wait(session, step.pauseBefore);
        switch (step.phase) {
        case JobPhase::Recover:
            systemFilesHidden = !phases.RecoverInterruptedRun(session);
            break;
        case JobPhase::Removal:
        case JobPhase::RemovalUnlessNodesStay:
            RunRemovalPhase(session, phases, step.span, step.phase == JobPhase::RemovalUnlessNodesStay);
            break;
        case JobPhase::Placement:
            phases.PlaceDriverFiles(session, step.span);
            break;
        case JobPhase::PlacementCheck:
            // The user or the deployment script is told when nothing could be placed (a user
            // without the right to write to the Windows folder, say), instead of a success or a
            // device start that could not work.
            if (!phases.DriverFilesInPlace(session)) {
                if (session.Silent)
                    session.ExitStatus = systemFilesHidden ? SilentSystemFilesHidden : SilentFilesNotPlaced;
                return false;
            }
            break;
        case JobPhase::RemovalCheck:
            // A user without the right to delete it, or to remove the device, would otherwise be
            // told that all is gone.
            if (session.DeviceNodeRefusedRemoval || !phases.DriverFileRemoved(session))
                return false;
            break;
        case JobPhase::DeviceStart: {
            // A system file left under its backup name breaks other devices' installs until the
            // next run: that outweighs the device's own start. An earlier node that stays (in use
            // till the restart, or refused) is the disk on its earlier install, not the new one.
            const DeviceStartOutcome outcome = phases.StartDevicePhase(session, step.span);
            const bool earlierNodeStays = session.DeviceRunsUntilRestart || session.DeviceNodeRefusedRemoval;
            session.ExitStatus = !outcome.restored                      ? SilentSystemFilesHidden
                                 : outcome.started && !earlierNodeStays ? SilentInstallDone
                                                                        : SilentDeviceNotStarted;
            break;
        }
        case JobPhase::Bar:
            session.SetProgress(step.span.to);
            break;
        }
    }
    return true;
}

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

void RunRemovalPhase(SetupSession& session, SetupPhases& phases, const PhaseSpan& span, bool filesStayWithNodes)
{
    session.StartPhase(span);
    session.SetProgressFor(span, 10);
    for (int pass = 0; pass < MaxDeviceRemovalPasses; ++pass) {
        if (phases.RemoveMatchingDevices(session, session.State.HardwareIds) == 0)
            break;
    }
    session.PumpMessages(StepPumpMilliseconds);
    session.SetProgressFor(span, 60);
    if (!filesStayWithNodes || !session.DeviceNodeRefusedRemoval) {
        phases.RemoveInfCopies(session, session.State.HardwareIds);
        phases.DeleteDriverFile(session);
    }
    session.PumpMessages(StepPumpMilliseconds);
    session.SetProgressFor(span, 100);
}

void OnStartClicked(SetupSession& session, SetupPhases& phases)
{
    if (session.JobRunning)
        return;
    session.JobRunning = true;
    SetupView& view = session.platform.view;

    EnableJobButtons(view, false);
    const bool install = session.InstallSelected != 0;
    const bool ranThrough = RunJob(session, phases, install ? std::span<const JobStep>(InstallJob) : UninstallJob);
    EnableJobButtons(view, true);
    session.ClearStatus();
    if (!ranThrough)
        session.ShowMessage(install ? IDS_FILES_NOT_PLACED : IDS_DRIVER_NOT_REMOVED, MessageStop);
    else
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
    RunJob(session, phases, SilentInstallJob);
}

bool MayCloseDialog(const SetupSession& session)
{
    return !session.JobRunning;
}
