// Whole jobs over the system's own phases: the status lines, the bar, the pauses, the closing
// message and what is left on the disk, on each family of systems; the removal's repetition; a
// silent install's exit status; the message pump; what arrives while a job runs; the about box.
#include <gtest/gtest.h>

#include "app/AboutBox.h"
#include "device/DeviceRemoval.h"
#include "fakes/ExamplePackage.h"

namespace {

using Transcript = std::vector<std::string>;
using example::Job;
const std::string Installed = "Installation is complete. Please replug your device. flags 64";

// The package for any system beside the program, and an earlier install: the read-only driver, a
// device node that comes back once, and the INF copy of the second pair where this system looks
// for it.
struct JobMachine : example::Machine {
    FakeDeviceNode& node = devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4E\\1");
    const std::string oldCopy =
        IsWindows98Family(session.State.OsClass) ? "C:\\WINDOWS\\INF\\OTHER\\OLD.INF" : "C:\\WINDOWS\\INF\\OEM5.INF";

    explicit JobMachine(OsClass osClass = OsClass::Windows98SecondEdition) : Machine(osClass)
    {
        AddPackage(example::AnySystem);
        files.AddFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS", "old driver", true);
        files.AddFile(oldCopy, "[Version]\r\nSignature=$CHICAGO$\r\n[Manufacturer]\r\nM=Models\r\n[Models]\r\n"
                               "D=I,USB\\VID_1A2B&PID_3C4E\r\n");
        node.comebacks = 1;
    }
};

TEST(JobSchedule, StatusLinesBarPausesAndEndOfEachJob)
{
    struct Case {
        Job job;
        OsClass osClass;
        Transcript statusLines;
        std::vector<int> bar;
        long long milliseconds;
        int dispatches;
        Transcript messages;
    };
    const std::string removing = "removing device if present...", installing = "installing...";
    const Case cases[] = {{Job::Install,
                           OsClass::Windows98SecondEdition,
                           {"", removing, installing, ""},
                           {1, 6, 10, 15, 18, 21, 24, 27, 30, 100},
                           4500,
                           450,
                           {Installed}},
                          {Job::Install,
                           OsClass::WindowsXp,
                           {"", removing, installing, ""},
                           {1, 6, 10, 15, 18, 21, 27, 30, 100},
                           4300,
                           430,
                           {Installed}},
                          {Job::Uninstall,
                           OsClass::WindowsMe,
                           {"", "", removing, ""},
                           {0, 10, 60, 100},
                           700,
                           70,
                           {"Uninstallation is complete. flags 64"}},
                          // The pause after the removal of a silent run sleeps: there is no dialog to answer.
                          {Job::SilentInstall,
                           OsClass::Unsupported,
                           {removing, installing},
                           {2, 15, 25, 30, 35, 40, 45, 50, 50, 100},
                           7200,
                           420,
                           {}},
                          {Job::SilentInstall,
                           OsClass::Windows2000,
                           {removing, installing},
                           {2, 15, 25, 30, 35, 45, 50, 50, 100},
                           4000,
                           100,
                           {}}};
    for (const Case& c : cases) {
        JobMachine m(c.osClass);
        m.Run(c.job);
        const int row = static_cast<int>(&c - cases);
        EXPECT_EQ(m.view.Lines("text 1008 "), c.statusLines) << row;
        EXPECT_EQ(m.view.Progress(), c.bar) << row;
        EXPECT_EQ(m.clock.elapsedMilliseconds, c.milliseconds) << row;
        EXPECT_EQ(m.view.dispatchCount, c.dispatches) << row;
        EXPECT_EQ(m.view.Lines("message [Example Disk Setup] "), c.messages) << row;
        EXPECT_EQ(m.view.transcript.back(), "end 2") << row;
        EXPECT_EQ(m.session.ExitStatus, 0) << row;
        // The earlier install is gone, and an install's driver is in its place, under its installed name.
        EXPECT_EQ(m.devices.NodesLeft(), Transcript{}) << row;
        EXPECT_FALSE(m.files.Exists(m.oldCopy)) << row;
        EXPECT_EQ(m.files.Contents("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS"),
                  c.job == Job::Uninstall ? "" : "driver")
            << row;
    }
}

TEST(JobControl, DeviceRemovalRepeatsWhileNodesComeBackButAtMostSixteenTimes)
{
    for (int comebacks : {15, 16}) {
        JobMachine m;
        ASSERT_TRUE(m.phases.ReadDriverPackage(m.session));
        m.node.comebacks = comebacks;
        RunRemovalPhase(m.session, m.phases, {IDS_REMOVING_DEVICE, 0, 100});
        EXPECT_EQ(m.devices.removals.size(), 16u);
        EXPECT_EQ(m.devices.NodesLeft().size(), comebacks == 16 ? 1u : 0u);
    }
}

// On Windows 2000 the re-enumeration alone starts the device.
TEST(JobControl, ASilentInstallsExitStatusSaysHowFarItGot)
{
    for (int exitStatus : {0, 2, 4}) {
        JobMachine m(OsClass::Windows2000);
        if (exitStatus == 2)
            m.configManager.faults.FailCall(Op::Scan);
        if (exitStatus == 4)
            m.files.faults.FailCall(Op::Copy); // nothing is placed
        m.Run(Job::SilentInstall);
        EXPECT_EQ(m.session.ExitStatus, exitStatus);
        EXPECT_EQ(m.configManager.faults.calls[Op::Scan], exitStatus == 4 ? 0 : 1) << exitStatus;
    }
}

TEST(JobControl, PumpTakesOneMessagePerTenMillisecondStep)
{
    TestPlatform test;
    SetupSession session{test.platform};
    EXPECT_EQ(session.PumpMessages(5), 1);
    EXPECT_EQ(test.view.dispatchCount, 0);
    EXPECT_TRUE(test.clock.sleeps.empty());
    EXPECT_EQ(session.PumpMessages(15), 1);
    EXPECT_EQ(test.view.dispatchCount, 1);
    EXPECT_EQ(test.clock.sleeps, (std::vector<int>{10}));
    EXPECT_EQ(session.PumpMessages(-100) + session.PumpMessages(3000), 2);
    EXPECT_EQ(test.view.dispatchCount, 301);
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
    for (const char* once : {"end 2", "enable 1003 off", "text 1008 installing..."})
        EXPECT_EQ(m.view.Count(once), 1) << once;
    EXPECT_EQ(m.view.Lines("message [Example Disk Setup] "), Transcript{Installed});
    // The choice stays install; the check marks are put back, the bar is not reset.
    EXPECT_EQ(m.session.InstallSelected, 1);
    EXPECT_EQ(m.view.Count("progress 0"), 2);
    EXPECT_GT(m.view.Count("check 1006 on"), 0);
}

TEST(JobControl, MessagesPutInTheDeviceNameOnceAndUseTheTitleAsCaption)
{
    TestPlatform test;
    SetupSession session{test.platform};
    session.Brand = {"Example Disk Setup", "Disk #DEV_NAME#", "", ""};
    test.view.strings[IDS_UNINSTALL_COMPLETE] = "#DEV_NAME# removed; #DEV_NAME#.";
    session.ShowMessage(IDS_UNINSTALL_COMPLETE, MessageInformation);
    session.ShowMessage(999, MessageStop);
    session.ShowMessageText("Main .in_ file with [Setup] section is not found !", MessageStop);
    EXPECT_EQ(test.view.transcript,
              (Transcript{"message [Example Disk Setup] Disk #DEV_NAME# removed; Disk #DEV_NAME#. flags 64",
                          "message [Example Disk Setup]  flags 16",
                          "message [Example Disk Setup] Main .in_ file with [Setup] section is not found ! flags 16"}));
}

TEST(AboutBox, SystemMenuCommandsSixteenToThirtyOneOpenIt)
{
    for (unsigned id = 16; id <= 31; ++id) EXPECT_TRUE(IsAboutCommand(id)) << id;
    for (unsigned id : {0u, 15u, 32u, 0xF060u, 0xF010u, 0xF100u}) EXPECT_FALSE(IsAboutCommand(id)) << id;
}

TEST(AboutBox, LinkIsActiveOnlyWithThePrefixAndOnlyWhenTheCommandFits)
{
    EXPECT_FALSE(IsActiveLink("no link"));
    const Latin1CodePage codePage;
    const auto command = [&](std::string_view link) { return LinkCommand(codePage, "C:\\WINDOWS", link); };
    EXPECT_FALSE(command("no link"));
    EXPECT_FALSE(command("https://www.example.com"));
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

TEST(AboutBox, MinimisedIconIsCentredWithTruncatingDivision)
{
    const IconPlacement even = MinimisedIconPlacement(100, 60, 32, 32), small = MinimisedIconPlacement(10, 0, 32, 32);
    // (10 - 32 + 1) / 2 truncates toward zero.
    EXPECT_EQ(std::vector<int>({even.x, even.y, small.x, small.y}), std::vector<int>({34, 14, -10, -15}));
}

} // namespace
