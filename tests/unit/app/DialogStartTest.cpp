// The setup dialog's start: its steps in order and its four ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/DialogStart.h"
#include "fakes/RecordingPhases.h"
#include "fakes/TestPlatform.h"

namespace {

using Transcript = std::vector<std::string>;

class DialogStartTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};
    RecordingPhases phases{test.view};

    void SetUp() override
    {
        phases.fillRecord = [](SetupSession& s) {
            s.State.Win98Only = 1;
            HardwareIdEntry entry;
            entry.VidText.Assign("1A2B");
            entry.PidText.Assign("3C4D");
            s.State.HardwareIds.Append(entry);
        };
    }

    void RunOn(SystemVersion version, std::int32_t win98Only, bool silent = false)
    {
        test.system.version = version;
        auto fill = phases.fillRecord;
        phases.fillRecord = [fill, win98Only](SetupSession& s) {
            fill(s);
            s.State.Win98Only = win98Only;
        };
        StartSetupDialog(session, phases, silent);
    }

    bool WasRefused() const
    {
        const Transcript& t = test.view.transcript;
        return std::find(
                   t.begin(), t.end(),
                   "message [NORVALE PocketVault Win98 Driver Setup Utility] This program is for Windows 98 only ! "
                   "flags 16") != t.end();
    }
};

const Transcript OpeningSteps = {
    "menu 16 About ...",
    "icon",
    "logo",
    "read package",
};

const Transcript ControlTexts = {
    "caption NORVALE PocketVault Win98 Driver Setup Utility",
    "text 1011 Select Install/Uninstall",
    "text 1006 Install or update driver",
    "text 1007 Uninstall driver",
    "text 1003 Start",
    "text 2 Exit",
    "check 1006 on",
    "check 1007 off",
};

Transcript Join(std::initializer_list<Transcript> parts)
{
    Transcript all;
    for (const Transcript& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(DialogStartTest, AcceptedSystemShowsTheInstructionAndWaits)
{
    RunOn({4, 10, 2222}, 1);
    EXPECT_EQ(test.view.transcript,
              Join({OpeningSteps,
                    ControlTexts,
                    {"text 1014 This program will install or uninstall PocketVault device driver for you.",
                     "text 1008 ", "show", "focus 1003"}}));
    EXPECT_EQ(session.State.OsClass, OsClass::Windows98SecondEdition);
    EXPECT_EQ(session.State.WindowsFolder.view(), "C:\\WINDOWS");
    EXPECT_EQ(session.State.ProgramFolder.view(), "C:\\PKG");
    EXPECT_EQ(session.InstallSelected, 1);
    EXPECT_EQ(session.Brand.LinkText, "no link");
    EXPECT_FALSE(session.JobRunning);
}

TEST_F(DialogStartTest, RecordIsReadyBeforeThePackageIsRead)
{
    test.system.moduleFileName = "A:\\SETUP.EXE";
    phases.fillRecord = [](SetupSession& s) {
        EXPECT_EQ(s.State.ProgramFolder.view(), "A:");
        EXPECT_EQ(s.State.WindowsFolder.view(), "C:\\WINDOWS");
        EXPECT_EQ(s.State.OsClass, OsClass::Windows98SecondEdition);
        EXPECT_TRUE(s.State.HardwareIds.empty());
        EXPECT_EQ(s.Brand.AppTitle, "NORVALE PocketVault Win98 Driver Setup Utility");
        s.Brand.AppTitle = "Example Disk Setup";
        s.State.Win98Only = 1;
    };
    StartSetupDialog(session, phases, false);
    EXPECT_EQ(test.view.transcript[4], "caption Example Disk Setup");
}

TEST_F(DialogStartTest, UnreadablePackageEndsTheDialogAtOnce)
{
    for (bool silent : {false, true}) {
        test.view.transcript.clear();
        phases.packageReadable = false;
        StartSetupDialog(session, phases, silent);
        EXPECT_EQ(test.view.transcript, Join({OpeningSteps, {"end 2"}})) << "silent " << silent;
        EXPECT_EQ(session.ExitStatus, silent ? 1 : 0);
    }
}

TEST_F(DialogStartTest, WithoutAWindowsFolderOrAProgramFolderNothingRuns)
{
    struct Case {
        const char* name;
        std::string windowsFolder;
        std::string moduleFileName;
    };
    const Case cases[] = {
        {"no Windows folder", "", "C:\\PKG\\SETUP.EXE"},
        {"a Windows folder too long for the record", "C:\\" + std::string(300, 'W'), "C:\\PKG\\SETUP.EXE"},
        {"no program path", "C:\\WINDOWS", ""},
        {"a program folder too long for the record", "C:\\WINDOWS", "C:\\" + std::string(300, 'P') + "\\SETUP.EXE"},
    };
    for (const Case& c : cases) {
        for (bool silent : {false, true}) {
            TestPlatform fresh;
            SetupSession s{fresh.platform};
            RecordingPhases p{fresh.view};
            fresh.system.windowsFolder = c.windowsFolder;
            fresh.system.moduleFileName = c.moduleFileName;
            StartSetupDialog(s, p, silent);
            // No package read, no job: paths at the root of the current drive are never built.
            Transcript expected(OpeningSteps.begin(), OpeningSteps.end() - 1); // all but "read package"
            expected.push_back("end 2");
            EXPECT_EQ(fresh.view.transcript, expected) << c.name << " silent " << silent;
            EXPECT_EQ(s.ExitStatus, silent ? 1 : 0) << c.name;
        }
    }
}

TEST_F(DialogStartTest, RefusalFollowsTheVersionTableAndWin98Only)
{
    struct Case {
        SystemVersion version;
        std::int32_t win98Only;
        bool refused;
    };
    const Case cases[] = {
        {{4, 10, 1997}, 0, true},   {{4, 10, 1998}, 1, false}, {{4, 10, 2222}, 1, false}, {{4, 10, 3000}, 1, true},
        {{4, 90, 3000}, 1, true},   {{5, 0, 2195}, 1, true},   {{5, 1, 2600}, 1, true},   {{4, 90, 3000}, 0, false},
        {{5, 0, 2195}, 0, false},   {{5, 1, 2600}, 0, false},  {{5, 2, 3790}, 0, true},   {{4, 10, 1998}, 0, false},
        {{4, 10, 2222}, -1, false}, {{5, 1, 2600}, 7, true},
    };
    for (const Case& c : cases) {
        TestPlatform fresh;
        SetupSession freshSession{fresh.platform};
        RecordingPhases freshPhases{fresh.view};
        fresh.system.version = c.version;
        freshPhases.fillRecord = [&c](SetupSession& s) { s.State.Win98Only = c.win98Only; };
        StartSetupDialog(freshSession, freshPhases, false);

        const Transcript& t = fresh.view.transcript;
        const std::string refusal =
            "message [NORVALE PocketVault Win98 Driver Setup Utility] This program is for Windows 98 only ! flags 16";
        if (c.refused) {
            ASSERT_GE(t.size(), 2u);
            EXPECT_EQ(t[t.size() - 2], refusal) << c.version.Major << "." << c.version.Minor << " " << c.win98Only;
            EXPECT_EQ(t.back(), "end 2");
            EXPECT_EQ(std::count(t.begin(), t.end(), "show"), 0) << "a refused start never shows the dialog";
        } else {
            EXPECT_EQ(t.back(), "focus 1003") << c.version.Major << "." << c.version.Minor << " " << c.win98Only;
        }
    }
}

TEST_F(DialogStartTest, FailedVersionQueryIsRefused)
{
    test.system.versionQueryWorks = false;
    StartSetupDialog(session, phases, false);
    EXPECT_EQ(session.State.OsClass, OsClass::Unsupported);
    EXPECT_TRUE(WasRefused());
}

TEST_F(DialogStartTest, SilentRunInstallsEvenOnAnUnsupportedSystemAndShowsNothing)
{
    RunOn({6, 0, 6000}, 1, true);
    EXPECT_EQ(test.view.transcript,
              Join({OpeningSteps,
                    ControlTexts,
                    {"recover", "text 1008 removing device if present...", "progress 2", "remove devices of 1 pairs: 0",
                     "progress 15", "remove inf copies 1A2B 3C4D", "delete driver", "progress 25",
                     "place driver files 25 50", "check placed files", "start device 50 100", "end 2"}}));
    // The pause between removal and placement does not dispatch messages: only the removal
    // phase's two 200 ms pumps do.
    EXPECT_EQ(test.view.dispatchCount, 40);
    EXPECT_EQ(test.clock.elapsedMilliseconds, 400 + 3000);
    EXPECT_EQ(test.clock.sleeps.back(), 3000);
    EXPECT_EQ(session.ExitStatus, 0);
}

TEST_F(DialogStartTest, SilentRunWhoseDeviceDidNotStartExitsWithTwo)
{
    phases.deviceStarts = false;
    RunOn({5, 1, 2600}, 1, true);
    EXPECT_EQ(session.ExitStatus, 2);
}

TEST_F(DialogStartTest, SilentRunWhoseFilesAreNotInPlaceStartsNoDeviceAndExitsWithFour)
{
    phases.filesInPlace = false;
    RunOn({5, 1, 2600}, 1, true);
    const Transcript& t = test.view.transcript;
    EXPECT_EQ(std::count(t.begin(), t.end(), "start device 50 100"), 0);
    EXPECT_EQ(t.back(), "end 2");
    EXPECT_EQ(session.ExitStatus, 4);
}

TEST_F(DialogStartTest, InstructionTextPutsInTheDescriptionThenTheDeviceName)
{
    test.view.strings[IDS_INSTRUCTION] = "#INF_DEV_DESC# / #DEV_NAME# / #INF_DEV_DESC##DEV_NAME#";
    phases.fillRecord = [](SetupSession& s) {
        s.State.Win98Only = 0;
        s.State.DeviceDisplayName.Assign("Desc #DEV_NAME#");
        s.Brand.DeviceName = "Name #INF_DEV_DESC#";
    };
    StartSetupDialog(session, phases, false);
    // The description goes in first, so a device-name token it brings is replaced as well;
    // the device name's own text is never searched again.
    EXPECT_EQ(test.view.transcript[test.view.transcript.size() - 4],
              "text 1014 Desc Name #INF_DEV_DESC# / Name #INF_DEV_DESC# / Desc Name #INF_DEV_DESC#Name #INF_DEV_DESC#");
}

TEST_F(DialogStartTest, AboutEntryTextIsTheRowFollowedByDots)
{
    test.view.strings.erase(IDS_ABOUT);
    StartSetupDialog(session, phases, false);
    EXPECT_EQ(test.view.transcript.front(), "menu 16 ...");
}

} // namespace
