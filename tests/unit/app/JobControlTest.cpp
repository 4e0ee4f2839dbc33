// Jobs over the system's own phases: the removal's repetition, a silent install's exit status,
// the wait for another run's job, what arrives while a job runs; the about box. (The whole-job
// tests follow each job's status lines, bar, pauses, closing message and the messages taken
// meanwhile on each family of systems.)
#include <gtest/gtest.h>

#include "app/AboutBox.h"
#include "device/DeviceRemoval.h"
#include "fakes/ExamplePackage.h"
#include "fakes/FakeWizard.h"

namespace {

using Transcript = std::vector<std::string>;
using example::Job;
const std::string Driver = "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS";

// The package for any system beside the program, and an earlier install: the read-only driver, a
// device node that comes back once, and an INF copy that lists the second pair only.
struct JobMachine : example::Machine {
    FakeDeviceNode& node = devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4E\\1");

    explicit JobMachine(OsClass osClass = OsClass::Windows98SecondEdition) : Machine(osClass)
    {
        AddPackage(example::AnySystem);
        files.AddFile(Driver, "old driver", true);
        files.AddFile("C:\\WINDOWS\\INF\\OTHER\\OLD.INF",
                      "[Version]\r\nSignature=$CHICAGO$\r\n[Manufacturer]\r\nM=Models\r\n"
                      "[Models]\r\nD=I,USB\\VID_1A2B&PID_3C4E\r\n");
        node.comebacks = 1;
    }
};

// A pump takes one message and sleeps 10 ms for each whole 10 ms it is given; a rest is dropped.
TEST(JobControl, APumpWorksInWholeStepsOfTenMilliseconds)
{
    for (const auto& [milliseconds, steps] : {std::pair{5, 0}, {15, 1}, {20, 2}}) {
        TestPlatform m;
        SetupSession session(m.platform);
        session.PumpMessages(milliseconds);
        EXPECT_EQ(m.view.dispatchCount, steps) << milliseconds;
        EXPECT_EQ(m.clock.sleeps, std::vector<int>(steps, 10)) << milliseconds;
    }
}

// Nodes are removed until a pass finds none, but in at most 16 passes; then the INF copies of
// every pair, and the driver.
TEST(JobControl, TheRemovalPhaseRepeatsWhileNodesComeBackButAtMostSixteenTimes)
{
    for (int comebacks : {15, 16}) {
        JobMachine m;
        ASSERT_TRUE(m.phases.ReadDriverPackage(m.session));
        m.node.comebacks = comebacks;
        RunRemovalPhase(m.session, m.phases, {IDS_REMOVING_DEVICE, 0, 100}, false);
        EXPECT_EQ(m.devices.removals.size(), 16u);
        EXPECT_EQ(m.devices.NodesLeft().size(), comebacks == 16 ? 1u : 0u);
        EXPECT_FALSE(m.files.Exists("C:\\WINDOWS\\INF\\OTHER\\OLD.INF"));
        EXPECT_FALSE(m.files.Exists(Driver));
    }
}

// A package whose every model line was passed over has no pair: the uninstall still looks for
// nodes and removes the driver.
TEST(JobControl, AnUninstallWithoutPairsStillRemovesTheDriver)
{
    example::Machine m(OsClass::WindowsXp);
    m.AddPackage(example::SetupDescription{
        .models = example::Section("ExModels", "%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C\r\n"),
        .setup = example::Section("Setup", "FDDInf=EXFLOP.IN_\r\nWin98Only=0\r\nSetupName=Example Disk Setup\r\n")}
                     .Text());
    m.files.AddFile(Driver, "old driver", true);
    m.Run(Job::Uninstall);
    EXPECT_TRUE(m.session.State.HardwareIds.empty());
    EXPECT_FALSE(m.files.Exists(Driver));
    EXPECT_EQ(m.view.Lines("message [Example Disk Setup] "), Transcript{"Uninstallation is complete. flags 64"});
}

// Outside Windows XP the device started when the re-enumeration worked and the disk's node came
// back: the run waits up to five seconds for it, answering meanwhile, and a disk that is not
// plugged in did not start, nor did one in use whose removal waits for a restart; the package's INF may have put the node in the hard-disk-controller
// class. On Windows XP a wizard that is up is driven even when the
// re-enumeration failed, and the USB storage INF that cannot be renamed back outweighs the wizard
// that never came.
TEST(JobControl, ASilentInstallsExitStatusSaysHowFarItGot)
{
    enum Fault { None, ScanFails, CopyFails, RestoreRefused, ScanFailsWizardUp, Controller, InUse, Vetoed, Hidden };
    const std::tuple<OsClass, Fault, int, int, int> cases[] = {
        // system, fault, messages taken from the re-enumeration until the disk's node is there
        // (-1: never), messages taken from the re-enumeration to the end, exit status
        {OsClass::Windows2000, None, 0, 0, 0},
        {OsClass::Windows2000, None, 180, 200, 0},
        {OsClass::Windows2000, None, 130, 150, 0}, // looked for every 500 ms
        {OsClass::Windows2000, None, -1, 500, 2},
        {OsClass::Windows98, None, 120, 300, 0},
        {OsClass::Windows98SecondEdition, Controller, 120, 300, 0},
        {OsClass::WindowsMe, None, -1, 800, 2},
        {OsClass::Windows2000, ScanFails, 0, 0, 2},
        {OsClass::Windows2000, InUse, 0, 0, 2},               // its old node stays, on the old driver, till the restart
        {OsClass::Windows98SecondEdition, Vetoed, 0, 300, 2}, // its old node stays for good
        {OsClass::Windows2000, CopyFails, 0, 0, 4},           // nothing is placed
        {OsClass::WindowsXp, Hidden, 0, 0, 5},                // and USBSTOR.INF left hidden by a run cut off
        {OsClass::WindowsXp, RestoreRefused, -1, 6000 + 450, 5}, // the wizard's search, then the retries
        {OsClass::WindowsXp, ScanFailsWizardUp, 0, 0, 0},
    };
    for (const auto& [osClass, fault, attachAfter, taken, exitStatus] : cases) {
        JobMachine m(osClass);
        int reenumerated = -1;
        const auto attach = [&] {
            if (reenumerated >= 0 && m.view.dispatchCount - reenumerated == attachAfter)
                m.devices
                    .AddNode(fault == Controller ? HardDiskControllerClass : UsbDeviceClass, "USB",
                             "USB\\VID_1A2B&PID_3C4E\\7")
                    .attached = true;
        };
        m.configManager.onReenumerate = [&] {
            reenumerated = m.view.dispatchCount;
            attach();
            if (fault == RestoreRefused)
                m.files.faults.FailCall(Op::Move);
        };
        m.view.onDispatch = attach;
        m.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_0001\\9").attached = true; // not the disk
        if (attachAfter < 0)
            m.node.comebacks = 100; // the node an unplugged disk left stays
        m.node.attached = m.node.inUse = fault == InUse;
        if (fault == Vetoed) {
            m.node.attached = true;
            m.devices.faults.FailCall(Op::RemoveNode);
        }
        std::optional<FakeWizard> wizard;
        if (fault == ScanFails || fault == ScanFailsWizardUp)
            m.configManager.faults.FailCall(Op::Scan);
        if (fault == ScanFailsWizardUp)
            wizard.emplace(m.windows, Transcript(4, "Example USB Disk"));
        if (fault == CopyFails || fault == Hidden)
            m.files.faults.FailCall(Op::Copy);
        if (fault == Hidden) {
            m.files.AddFile("C:\\WINDOWS\\INF\\USBSTOR.IQ7", "inf");
            m.files.faults.FailCall(Op::Move);
        }
        if (fault == RestoreRefused)
            m.files.AddFile("C:\\WINDOWS\\INF\\USBSTOR.INF", "inf");
        m.Run(Job::SilentInstall);
        EXPECT_EQ(m.session.ExitStatus, exitStatus) << static_cast<int>(osClass) << " " << fault;
        EXPECT_EQ(m.configManager.faults.calls[Op::Scan], fault == CopyFails || fault == Hidden ? 0 : 1) << fault;
        EXPECT_EQ(reenumerated < 0 ? 0 : m.view.dispatchCount - reenumerated, taken) << static_cast<int>(osClass);
    }
}

// A user without the right to write to the Windows folder, or to remove devices, is told that the
// job is not complete: an install's bar stops where the placement left it, and a run with the
// dialog still ends with 0. An uninstall keeps the INF copy and the driver of a node it could not
// remove, which would otherwise never start or install again; an install places them anyway.
TEST(JobControl, AJobWhoseFilesCannotBePlacedOrRemovedSaysSo)
{
    const std::string notPlaced = "The driver files could not be copied into the Windows folder. "
                                  "Installation is not complete. flags 16",
                      notRemoved = "The driver could not be removed from the Windows folder. "
                                   "Uninstallation is not complete. flags 16";
    // job, the refused call, the closing message, where the bar ends, whether the INF copy stays
    const std::tuple<Job, Op, std::string, int, bool> cases[] = {
        {Job::Install, Op::Copy, notPlaced, 30, false},
        {Job::Uninstall, Op::Attributes, notRemoved, 100, false}, // the driver stays read-only
        {Job::Uninstall, Op::RemoveNode, notRemoved, 100, true},
        {Job::Install, Op::RemoveNode, "Installation is complete. Please replug your device. flags 64", 100, false},
    };
    for (const auto& [job, refused, message, lastPosition, copyStays] : cases) {
        JobMachine m;
        if (refused == Op::RemoveNode) { // and the driver is gone already: the node still stays
            m.files.SetNormalAttributes(Driver);
            m.files.Remove(Driver);
        }
        (refused == Op::RemoveNode ? m.devices.faults : m.files.faults).FailCall(refused);
        m.Run(job);
        EXPECT_EQ(m.view.Lines("message [Example Disk Setup] "), Transcript{message}) << message;
        ASSERT_FALSE(m.view.Progress().empty()) << message;
        EXPECT_EQ(m.view.Progress().back(), lastPosition) << message;
        EXPECT_EQ(m.files.Exists("C:\\WINDOWS\\INF\\OTHER\\OLD.INF"), copyStays) << message;
        EXPECT_EQ(m.session.ExitStatus, 0);
    }
}

// While another run's job holds the machine-wide lock, a job changes nothing: it asks again every
// half second, the dialog answering meanwhile (a silent run only sleeps) and its status line saying
// why, then holds the lock over every change it makes and lets go at its end. A lock still held
// after ten minutes belongs to a run that hangs: the job runs anyway.
TEST(JobControl, AJobWaitsWhileAnotherRunsJobHoldsTheLock)
{
    for (const Job job : {Job::Install, Job::Uninstall, Job::SilentInstall}) {
        long long baseTime = 0;
        int baseDispatches = 0;
        for (const int refused : {0, 3, 2000}) {
            JobMachine m(OsClass::WindowsXp);
            m.jobLock.takesRefused = refused;
            m.Run(job);
            EXPECT_FALSE(m.devices.removals.empty()) << refused; // the job ran
            EXPECT_FALSE(m.jobLock.held);
            // The status line says why nothing happens, until the job's own texts follow.
            const Transcript status = m.view.Lines("text 1008 ");
            const auto waiting = std::find(status.begin(), status.end(), "waiting for another setup...");
            EXPECT_EQ(std::count(status.begin(), status.end(), "waiting for another setup..."), refused != 0);
            EXPECT_TRUE(waiting == status.end() || (waiting + 1 != status.end() && waiting[1].empty())) << refused;
            if (refused == 0) {
                baseTime = m.clock.elapsedMilliseconds, baseDispatches = m.view.dispatchCount;
                continue;
            }
            EXPECT_EQ(m.clock.elapsedMilliseconds - baseTime, refused == 3 ? 1500 : 600000) << refused;
            EXPECT_EQ(m.view.dispatchCount > baseDispatches, job != Job::SilentInstall) << refused;
            if (refused == 3)
                EXPECT_EQ((std::pair{m.jobLock.takenAfter, m.jobLock.releasedAfter}),
                          (std::pair{0L, static_cast<long>(m.files.log.size())}));
            else
                EXPECT_EQ(m.jobLock.takes, 1200);
        }
    }
}

TEST(JobControl, AChoiceResetsBarAndStatusButNothingThatArrivesDuringTheJobChangesIt)
{
    JobMachine m;
    ASSERT_TRUE(m.phases.ReadDriverPackage(m.session));
    OnUninstallChosen(m.session);
    EXPECT_EQ(m.session.InstallSelected, 0);
    OnInstallChosen(m.session);
    EXPECT_EQ(m.session.InstallSelected, 1);
    EXPECT_EQ(m.view.transcript, (Transcript{"progress 0", "text 1008 ", "progress 0", "text 1008 "}));

    bool closeAllowedDuringJob = true;
    m.view.onDispatch = [&] {
        closeAllowedDuringJob = closeAllowedDuringJob && MayCloseDialog(m.session);
        OnStartClicked(m.session, m.phases); // a second click
        OnUninstallChosen(m.session);        // a click on the other choice
    };
    EXPECT_TRUE(MayCloseDialog(m.session));
    OnStartClicked(m.session, m.phases);
    EXPECT_FALSE(closeAllowedDuringJob);
    for (const char* once : {"end 2", "enable 1003 off", "enable 2 off", "text 1008 installing..."})
        EXPECT_EQ(m.view.Count(once), 1) << once;
    EXPECT_EQ(m.view.Lines("message [Example Disk Setup] "),
              Transcript{"Installation is complete. Please replug your device. flags 64"});
    // The buttons come back and the status line clears before the closing message, not behind it.
    EXPECT_EQ(Transcript(m.view.transcript.end() - 5, m.view.transcript.end()),
              (Transcript{"enable 1003 on", "enable 2 on", "text 1008 ",
                          "message [Example Disk Setup] Installation is complete. Please replug your device. flags 64",
                          "end 2"}));
    // The choice stays install; the check marks are put back, the bar is not reset.
    EXPECT_EQ(m.session.InstallSelected, 1);
    EXPECT_EQ(m.view.Count("progress 0"), 2);
    EXPECT_GT(m.view.Count("check 1006 on"), 0);
    EXPECT_GT(m.view.Count("check 1007 off"), 0);
    EXPECT_EQ(m.view.Count("check 1007 on"), 0);

    // The same while an uninstall runs and Install is clicked.
    JobMachine u;
    ASSERT_TRUE(u.phases.ReadDriverPackage(u.session));
    OnUninstallChosen(u.session);
    u.view.onDispatch = [&] { OnInstallChosen(u.session); };
    OnStartClicked(u.session, u.phases);
    EXPECT_EQ(u.session.InstallSelected, 0);
    EXPECT_GT(u.view.Count("check 1006 off"), 0);
    EXPECT_EQ(u.view.Count("check 1006 on"), 0);
}

TEST(AboutBox, SystemMenuCommandsSixteenToThirtyOneOpenIt)
{
    for (unsigned id = 16; id <= 31; ++id) EXPECT_TRUE(IsAboutCommand(id)) << id;
    for (unsigned id : {0u, 15u, 32u, 0xF060u, 0xF010u, 0xF100u}) EXPECT_FALSE(IsAboutCommand(id)) << id;
}

// The minimised dialog's icon is centred with an odd pixel to the right and below; in a client
// smaller than the icon it starts to the left of and above it.
TEST(AboutBox, TheMinimisedIconIsCentred)
{
    const std::tuple<int, int, int, int> cases[] = {{32, 32, 0, 0}, {33, 35, 1, 2}, {27, 28, -2, -1}};
    for (const auto& [width, height, x, y] : cases) {
        const IconPlacement at = MinimisedIconPlacement(width, height, 32, 32);
        EXPECT_EQ(std::tuple(at.x, at.y), std::tuple(x, y)) << width << "x" << height;
    }
}

TEST(AboutBox, LinkIsActiveOnlyWithThePrefixAndOnlyWhenTheCommandFits)
{
    EXPECT_FALSE(IsActiveLink("no link"));
    EXPECT_FALSE(IsActiveLink("http://example.com"));
    const Latin1CodePage codePage;
    const auto command = [&](std::string_view link) { return LinkCommand(codePage, "C:\\WINDOWS", link); };
    EXPECT_FALSE(command("no link"));
    EXPECT_FALSE(command("https://www.example.com"));
    EXPECT_FALSE(command(std::string_view("http://www.x\0y", 14))); // the command would end at the NUL
    // The Windows folder's own explorer.exe, never one found beside the program.
    EXPECT_EQ(command("http://www.example.com"), "\"C:\\WINDOWS\\explorer.exe\" http://www.example.com");
    EXPECT_EQ(command("see http://www.example.com/disk"),
              "\"C:\\WINDOWS\\explorer.exe\" see http://www.example.com/disk");
    EXPECT_EQ(LinkCommand(codePage, "C:\\", "http://www.x"), "\"C:\\explorer.exe\" http://www.x");
    EXPECT_FALSE(LinkCommand(codePage, "", "http://www.example.com"));

    // "Explorer " is 9 characters: 118 more fill the 128-character buffer with its terminator.
    const std::string fits = "http://www." + std::string(118 - 11, 'a');
    EXPECT_TRUE(command(fits));
    EXPECT_FALSE(command(fits + "a"));
    EXPECT_TRUE(IsActiveLink(fits + "a"));
}

} // namespace
