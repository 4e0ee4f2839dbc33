// One job from the Start button: its transcript, the removal repetition, the pump, the guards.
#include <gtest/gtest.h>

#include "app/AboutBox.h"
#include "app/JobControl.h"
#include "fakes/ExamplePackage.h"
#include "fakes/RecordingPhases.h"
#include "fakes/TestPlatform.h"

namespace {

using Transcript = std::vector<std::string>;

class JobControlTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};
    RecordingPhases phases{test.view};

    void SetUp() override
    {
        session.Brand.AppTitle = "Example Disk Setup";
        session.Brand.DeviceName = "Example Disk";
        AddPair("1A2B", "3C4D");
        AddPair("1A2B", "3C4E");
        session.InstallSelected = 1;
    }
    void AddPair(const char* vid, const char* pid)
    {
        HardwareIdEntry entry;
        entry.VidText.Assign(vid);
        entry.PidText.Assign(pid);
        session.State.HardwareIds.Append(entry);
    }
};

TEST_F(JobControlTest, InstallTranscript)
{
    phases.removalCounts = {2, 1, 0};
    OnStartClicked(session, phases);
    EXPECT_EQ(test.view.transcript, (Transcript{
                                        "enable 1003 off",
                                        "enable 2 off",
                                        "recover",
                                        "text 1008 removing device if present...",
                                        "progress 1",
                                        "remove devices of 2 pairs: 2",
                                        "remove devices of 2 pairs: 1",
                                        "remove devices of 2 pairs: 0",
                                        "progress 6",
                                        "remove inf copies 1A2B 3C4D",
                                        "remove inf copies 1A2B 3C4E",
                                        "delete driver",
                                        "progress 10",
                                        "progress 15",
                                        "place driver files 15 30",
                                        "progress 100",
                                        "enable 1003 on",
                                        "enable 2 on",
                                        "text 1008 ",
                                        "message [Example Disk Setup] Installation is complete. Please replug your "
                                        "device. flags 64",
                                        "end 2",
                                    }));
    EXPECT_EQ(session.StatusText, "removing device if present...");
    EXPECT_EQ(test.clock.elapsedMilliseconds, 3700);
    EXPECT_EQ(test.view.dispatchCount, 370);
}

TEST_F(JobControlTest, UninstallTranscript)
{
    session.InstallSelected = 0;
    OnStartClicked(session, phases);
    EXPECT_EQ(test.view.transcript, (Transcript{
                                        "enable 1003 off",
                                        "enable 2 off",
                                        "recover",
                                        "text 1008 removing device if present...",
                                        "progress 10",
                                        "remove devices of 2 pairs: 0",
                                        "progress 60",
                                        "remove inf copies 1A2B 3C4D",
                                        "remove inf copies 1A2B 3C4E",
                                        "delete driver",
                                        "progress 100",
                                        "enable 1003 on",
                                        "enable 2 on",
                                        "text 1008 ",
                                        "message [Example Disk Setup] Uninstallation is complete. flags 64",
                                        "end 2",
                                    }));
}

TEST_F(JobControlTest, UninstallWithoutPairsStillRemovesDevicesAndTheDriver)
{
    session.State.HardwareIds.Release();
    session.InstallSelected = 0;
    OnStartClicked(session, phases);
    const Transcript& t = test.view.transcript;
    EXPECT_NE(std::find(t.begin(), t.end(), "remove devices of 0 pairs: 0"), t.end());
    EXPECT_NE(std::find(t.begin(), t.end(), "delete driver"), t.end());
    EXPECT_EQ(t[t.size() - 2], "message [Example Disk Setup] Uninstallation is complete. flags 64");
}

TEST_F(JobControlTest, DeviceRemovalRepeatsUntilAPassRemovesNoneButAtMostSixteenTimes)
{
    phases.removalCallsAfterScript = 1; // nodes keep coming back
    RunRemovalPhase(session, phases, {IDS_REMOVING_DEVICE, 0, 100});
    const Transcript& t = test.view.transcript;
    EXPECT_EQ(std::count(t.begin(), t.end(), "remove devices of 2 pairs: 1"), 16);
    EXPECT_NE(std::find(t.begin(), t.end(), "delete driver"), t.end());
}

TEST_F(JobControlTest, PumpTakesOneMessagePerTenMillisecondStep)
{
    EXPECT_EQ(session.PumpMessages(5), 1);
    EXPECT_EQ(test.view.dispatchCount, 0);
    EXPECT_TRUE(test.clock.sleeps.empty());

    EXPECT_EQ(session.PumpMessages(15), 1);
    EXPECT_EQ(test.view.dispatchCount, 1);
    EXPECT_EQ(test.clock.sleeps, (std::vector<int>{10}));

    EXPECT_EQ(session.PumpMessages(-100), 1);
    EXPECT_EQ(session.PumpMessages(3000), 1);
    EXPECT_EQ(test.view.dispatchCount, 301);
}

TEST_F(JobControlTest, NothingThatArrivesWhileTheJobRunsStartsASecondJobOrClosesTheDialog)
{
    bool closeAllowedDuringJob = true;
    test.view.onDispatch = [&] {
        closeAllowedDuringJob = closeAllowedDuringJob && MayCloseDialog(session);
        OnStartClicked(session, phases); // a second click
        OnUninstallChosen(session);      // a click on the other choice
    };
    EXPECT_TRUE(MayCloseDialog(session));
    OnStartClicked(session, phases);

    const Transcript& t = test.view.transcript;
    EXPECT_FALSE(closeAllowedDuringJob);
    EXPECT_EQ(std::count(t.begin(), t.end(), "end 2"), 1);
    EXPECT_EQ(std::count(t.begin(), t.end(), "enable 1003 off"), 1);
    EXPECT_EQ(std::count(t.begin(), t.end(), "place driver files 15 30"), 1);
    EXPECT_EQ(t[t.size() - 2],
              "message [Example Disk Setup] Installation is complete. Please replug your device. flags 64");
    // The choice stays install; the check marks are put back, the progress is not reset.
    EXPECT_EQ(session.InstallSelected, 1);
    EXPECT_EQ(std::count(t.begin(), t.end(), "progress 0"), 0);
    EXPECT_NE(std::find(t.begin(), t.end(), "check 1006 on"), t.end());
}

TEST_F(JobControlTest, ChoosingAJobResetsProgressAndStatus)
{
    OnUninstallChosen(session);
    EXPECT_EQ(session.InstallSelected, 0);
    OnInstallChosen(session);
    EXPECT_EQ(session.InstallSelected, 1);
    EXPECT_EQ(test.view.transcript, (Transcript{"progress 0", "text 1008 ", "progress 0", "text 1008 "}));
}

TEST_F(JobControlTest, MessagesPutInTheDeviceNameOnceAndUseTheTitleAsCaption)
{
    session.Brand.DeviceName = "Disk #DEV_NAME#";
    test.view.strings[IDS_UNINSTALL_COMPLETE] = "#DEV_NAME# removed; #DEV_NAME#.";
    session.ShowMessage(IDS_UNINSTALL_COMPLETE, MessageInformation);
    session.ShowMessage(999, MessageStop);
    session.ShowMessageText("Main .in_ file with [Setup] section is not found !", MessageStop);
    EXPECT_EQ(test.view.transcript,
              (Transcript{
                  "message [Example Disk Setup] Disk #DEV_NAME# removed; Disk #DEV_NAME#. flags 64",
                  "message [Example Disk Setup]  flags 16",
                  "message [Example Disk Setup] Main .in_ file with [Setup] section is not found ! flags 16",
              }));
}

// Whole jobs over the system's own phases: what the status line says, where the bar goes and
// how long the job pauses, on each family of systems.
TEST(JobSchedule, StatusLinesBarAndPausesOfEachJob)
{
    enum class Job { Install, Uninstall, SilentInstall };
    struct Case {
        const char* name;
        Job job;
        OsClass osClass;
        Transcript statusLines;
        std::vector<int> bar;
        long long milliseconds;
    };
    const std::string removing = "removing device if present...";
    const std::string installing = "installing...";
    const Case cases[] = {
        {"install on 98 SE", Job::Install, OsClass::Windows98SecondEdition, {removing, installing, ""},
         {1, 6, 10, 15, 18, 21, 24, 27, 30, 100}, 4500},
        {"install on XP", Job::Install, OsClass::WindowsXp, {removing, installing, ""},
         {1, 6, 10, 15, 18, 21, 27, 30, 100}, 4300},
        {"uninstall on Me", Job::Uninstall, OsClass::WindowsMe, {removing, ""}, {10, 60, 100}, 700},
        {"silent install on 98", Job::SilentInstall, OsClass::Windows98, {removing, installing},
         {2, 15, 25, 30, 35, 40, 45, 50, 50, 100}, 7200},
        {"silent install on 2000", Job::SilentInstall, OsClass::Windows2000, {removing, installing},
         {2, 15, 25, 30, 35, 45, 50, 50, 100}, 4000},
    };
    for (const Case& c : cases) {
        example::Machine m(c.osClass);
        m.AddPackage();
        m.files.AddFolder("C:\\WINDOWS\\SYSTEM32\\DRIVERS");
        SetupSession& session = m.session;
        SystemPhases phases;
        session.State.SetupFileName.Assign("EXDISK.IN_");
        session.State.DriverFileName.Assign("EXDISK.SY_");
        session.InstallSelected = c.job == Job::Install ? 1 : 0;
        if (c.job == Job::SilentInstall)
            RunSilentInstall(session, phases);
        else
            OnStartClicked(session, phases);

        Transcript statusLines;
        for (const std::string& line : m.view.transcript) {
            if (line.rfind("text 1008 ", 0) == 0)
                statusLines.push_back(line.substr(10));
        }
        EXPECT_EQ(statusLines, c.statusLines) << c.name;
        EXPECT_EQ(m.view.Progress(), c.bar) << c.name;
        EXPECT_EQ(m.clock.elapsedMilliseconds, c.milliseconds) << c.name;
        EXPECT_EQ(session.ExitStatus, 0) << c.name;
    }
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
    const IconPlacement even = MinimisedIconPlacement(100, 60, 32, 32);
    EXPECT_EQ(even.x, 34);
    EXPECT_EQ(even.y, 14);
    const IconPlacement small = MinimisedIconPlacement(10, 0, 32, 32);
    EXPECT_EQ(small.x, -10); // (10 - 32 + 1) / 2 truncates toward zero
    EXPECT_EQ(small.y, -15);
}

} // namespace
