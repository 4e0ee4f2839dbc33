// One job from the Start button: its transcript, the removal repetition, the pump, the guards;
// and whole jobs over the system's own phases.
#include <gtest/gtest.h>

#include "app/AboutBox.h"
#include "app/JobControl.h"
#include "fakes/ExamplePackage.h"
#include "fakes/RecordingPhases.h"

namespace {

using Transcript = std::vector<std::string>;
const std::string Installed =
    "message [Example Disk Setup] Installation is complete. Please replug your device. flags 64";
const std::string Uninstalled = "message [Example Disk Setup] Uninstallation is complete. flags 64";

class JobControlTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};
    RecordingPhases phases{test.view};
    const Transcript& t = test.view.transcript;

    void SetUp() override
    {
        session.Brand = {"Example Disk Setup", "Example Disk", "", ""};
        for (const char* pid : {"3C4D", "3C4E"}) {
            HardwareIdEntry entry;
            entry.VidText.Assign("1A2B");
            entry.PidText.Assign(pid);
            session.State.HardwareIds.Append(entry);
        }
        session.InstallSelected = 1;
    }
};

TEST_F(JobControlTest, InstallTranscript)
{
    phases.removalCounts = {2, 1, 0};
    OnStartClicked(session, phases);
    EXPECT_EQ(t, (Transcript{"enable 1003 off",
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
                             Installed,
                             "end 2"}));
    EXPECT_EQ(session.StatusText, "removing device if present...");
    EXPECT_EQ(test.clock.elapsedMilliseconds, 3700);
    EXPECT_EQ(test.view.dispatchCount, 370);
}

TEST_F(JobControlTest, UninstallTranscript)
{
    session.InstallSelected = 0;
    OnStartClicked(session, phases);
    EXPECT_EQ(t, (Transcript{"enable 1003 off", "enable 2 off", "recover", "text 1008 removing device if present...",
                             "progress 10", "remove devices of 2 pairs: 0", "progress 60",
                             "remove inf copies 1A2B 3C4D", "remove inf copies 1A2B 3C4E", "delete driver",
                             "progress 100", "enable 1003 on", "enable 2 on", "text 1008 ", Uninstalled, "end 2"}));
}

TEST_F(JobControlTest, UninstallWithoutPairsStillRemovesDevicesAndTheDriver)
{
    session.State.HardwareIds.Release();
    session.InstallSelected = 0;
    OnStartClicked(session, phases);
    EXPECT_EQ(test.view.Count("remove devices of 0 pairs: 0") + test.view.Count("delete driver"), 2);
    EXPECT_EQ(t[t.size() - 2], Uninstalled);
}

TEST_F(JobControlTest, DeviceRemovalRepeatsUntilAPassRemovesNoneButAtMostSixteenTimes)
{
    phases.removalCallsAfterScript = 1; // nodes keep coming back
    RunRemovalPhase(session, phases, {IDS_REMOVING_DEVICE, 0, 100});
    EXPECT_EQ(test.view.Count("remove devices of 2 pairs: 1"), 16);
    EXPECT_EQ(test.view.Count("delete driver"), 1);
}

TEST_F(JobControlTest, PumpTakesOneMessagePerTenMillisecondStep)
{
    EXPECT_EQ(session.PumpMessages(5), 1);
    EXPECT_EQ(test.view.dispatchCount, 0);
    EXPECT_TRUE(test.clock.sleeps.empty());
    EXPECT_EQ(session.PumpMessages(15), 1);
    EXPECT_EQ(test.view.dispatchCount, 1);
    EXPECT_EQ(test.clock.sleeps, (std::vector<int>{10}));
    EXPECT_EQ(session.PumpMessages(-100) + session.PumpMessages(3000), 2);
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
    EXPECT_FALSE(closeAllowedDuringJob);
    for (const char* once : {"end 2", "enable 1003 off", "place driver files 15 30"})
        EXPECT_EQ(test.view.Count(once), 1) << once;
    EXPECT_EQ(t[t.size() - 2], Installed);
    // The choice stays install; the check marks are put back, the progress is not reset.
    EXPECT_EQ(session.InstallSelected, 1);
    EXPECT_EQ(test.view.Count("progress 0"), 0);
    EXPECT_GT(test.view.Count("check 1006 on"), 0);
}

TEST_F(JobControlTest, ChoosingAJobResetsProgressAndStatus)
{
    OnUninstallChosen(session);
    EXPECT_EQ(session.InstallSelected, 0);
    OnInstallChosen(session);
    EXPECT_EQ(session.InstallSelected, 1);
    EXPECT_EQ(t, (Transcript{"progress 0", "text 1008 ", "progress 0", "text 1008 "}));
}

TEST_F(JobControlTest, MessagesPutInTheDeviceNameOnceAndUseTheTitleAsCaption)
{
    session.Brand.DeviceName = "Disk #DEV_NAME#";
    test.view.strings[IDS_UNINSTALL_COMPLETE] = "#DEV_NAME# removed; #DEV_NAME#.";
    session.ShowMessage(IDS_UNINSTALL_COMPLETE, MessageInformation);
    session.ShowMessage(999, MessageStop);
    session.ShowMessageText("Main .in_ file with [Setup] section is not found !", MessageStop);
    EXPECT_EQ(t,
              (Transcript{"message [Example Disk Setup] Disk #DEV_NAME# removed; Disk #DEV_NAME#. flags 64",
                          "message [Example Disk Setup]  flags 16",
                          "message [Example Disk Setup] Main .in_ file with [Setup] section is not found ! flags 16"}));
}

// Whole jobs over the system's own phases: what the status line says, where the bar goes and
// how long the job pauses, on each family of systems.
TEST(JobSchedule, StatusLinesBarAndPausesOfEachJob)
{
    enum class Job { Install, Uninstall, SilentInstall };
    struct Case {
        Job job;
        OsClass osClass;
        Transcript statusLines;
        std::vector<int> bar;
        long long milliseconds;
    };
    const std::string removing = "removing device if present...", installing = "installing...";
    const Case cases[] = {
        {Job::Install,
         OsClass::Windows98SecondEdition,
         {removing, installing, ""},
         {1, 6, 10, 15, 18, 21, 24, 27, 30, 100},
         4500},
        {Job::Install, OsClass::WindowsXp, {removing, installing, ""}, {1, 6, 10, 15, 18, 21, 27, 30, 100}, 4300},
        {Job::Uninstall, OsClass::WindowsMe, {removing, ""}, {10, 60, 100}, 700},
        {Job::SilentInstall,
         OsClass::Windows98,
         {removing, installing},
         {2, 15, 25, 30, 35, 40, 45, 50, 50, 100},
         7200},
        {Job::SilentInstall, OsClass::Windows2000, {removing, installing}, {2, 15, 25, 30, 35, 45, 50, 50, 100}, 4000}};
    for (const Case& c : cases) {
        example::Machine m(c.osClass);
        m.AddPackage();
        m.files.AddFolder("C:\\WINDOWS\\SYSTEM32\\DRIVERS");
        SystemPhases phases;
        m.session.State.SetupFileName.Assign("EXDISK.IN_");
        m.session.State.DriverFileName.Assign("EXDISK.SY_");
        m.session.InstallSelected = c.job == Job::Install ? 1 : 0;
        if (c.job == Job::SilentInstall)
            RunSilentInstall(m.session, phases);
        else
            OnStartClicked(m.session, phases);
        Transcript statusLines;
        for (const std::string& line : m.view.transcript)
            if (line.rfind("text 1008 ", 0) == 0)
                statusLines.push_back(line.substr(10));
        const int row = static_cast<int>(&c - cases);
        EXPECT_EQ(statusLines, c.statusLines) << row;
        EXPECT_EQ(m.view.Progress(), c.bar) << row;
        EXPECT_EQ(m.clock.elapsedMilliseconds, c.milliseconds) << row;
        EXPECT_EQ(m.session.ExitStatus, 0) << row;
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
    const IconPlacement even = MinimisedIconPlacement(100, 60, 32, 32), small = MinimisedIconPlacement(10, 0, 32, 32);
    // (10 - 32 + 1) / 2 truncates toward zero.
    EXPECT_EQ(std::vector<int>({even.x, even.y, small.x, small.y}), std::vector<int>({34, 14, -10, -15}));
}

} // namespace
