// The setup dialog's start: its steps in order and its four ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "app/DialogStart.h"
#include "fakes/RecordingPhases.h"
#include "fakes/TestPlatform.h"

namespace {

using Transcript = std::vector<std::string>;

const std::string Refusal =
    "message [NORVALE PocketVault Win98 Driver Setup Utility] This program is for Windows 98 only ! flags 16";
const Transcript OpeningSteps = {"menu 16 About ...", "icon", "logo"};
const Transcript ControlTexts = {"text 1011 Select Install/Uninstall",
                                 "text 1006 Install or update driver",
                                 "text 1007 Uninstall driver",
                                 "text 1003 Start",
                                 "text 2 Exit",
                                 "check 1006 on",
                                 "check 1007 off"};

Transcript Join(std::initializer_list<Transcript> parts)
{
    Transcript all;
    for (const Transcript& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A system of the given version whose package gives one pair and the given Win98Only.
struct Dialog : TestPlatform {
    SetupSession session{platform};
    RecordingPhases phases{view};
    std::int32_t win98Only = 1;

    explicit Dialog(SystemVersion version = {4, 10, 2222})
    {
        system.version = version;
        phases.fillRecord = [this](SetupSession& s) {
            s.State.Win98Only = win98Only;
            HardwareIdEntry entry;
            entry.VidText.Assign("1A2B");
            entry.PidText.Assign("3C4D");
            s.State.HardwareIds.Append(entry);
        };
    }
    const Transcript& Start(bool silent = false)
    {
        StartSetupDialog(session, phases, silent);
        return view.transcript;
    }
};

TEST(DialogStart, AnAcceptedSystemShowsTheInstructionAndWaits)
{
    Dialog d;
    d.view.strings[IDS_INSTRUCTION] = "#INF_DEV_DESC# / #DEV_NAME# / #INF_DEV_DESC##DEV_NAME#";
    d.view.strings.erase(IDS_ABOUT);
    // The record is ready before the package is read, and what the package names is used after.
    d.phases.fillRecord = [](SetupSession& s) {
        EXPECT_EQ(s.State.ProgramFolder.view(), "C:\\PKG");
        EXPECT_EQ(s.State.WindowsFolder.view(), "C:\\WINDOWS");
        EXPECT_EQ(s.State.OsClass, OsClass::Windows98SecondEdition);
        EXPECT_EQ(s.Brand.AppTitle, "NORVALE PocketVault Win98 Driver Setup Utility");
        s.Brand.AppTitle = "Example Disk Setup";
        s.State.DeviceDisplayName.Assign("Desc #DEV_NAME#");
        s.Brand.DeviceName = "Name #INF_DEV_DESC#";
    };
    // The about entry is the row followed by dots. The description goes into the instruction
    // first, so a device-name token it brings is replaced as well; the device name's own text is
    // never searched again.
    EXPECT_EQ(d.Start(), Join({{"menu 16 ...", "icon", "logo", "read package", "caption Example Disk Setup"},
                               ControlTexts,
                               {"text 1014 Desc Name #INF_DEV_DESC# / Name #INF_DEV_DESC# / Desc Name "
                                "#INF_DEV_DESC#Name #INF_DEV_DESC#",
                                "text 1008 ", "show", "focus 1003"}}));
    EXPECT_EQ(d.session.InstallSelected, 1);
    EXPECT_EQ(d.session.Brand.LinkText, "no link");
    EXPECT_FALSE(d.session.JobRunning);
}

TEST(DialogStart, WithoutFoldersOrAReadablePackageTheDialogEndsAtOnce)
{
    struct Case {
        const char* name;
        std::string windowsFolder;
        std::string moduleFileName;
        Transcript steps; // no package read without folders: paths at the current drive's root are never built
    };
    const Case cases[] = {
        {"an unreadable package", "C:\\WINDOWS", "C:\\PKG\\SETUP.EXE", {"read package", "end 2"}},
        {"no Windows folder", "", "C:\\PKG\\SETUP.EXE", {"end 2"}},
        {"a Windows folder too long", "C:\\" + std::string(300, 'W'), "C:\\PKG\\SETUP.EXE", {"end 2"}},
        {"no program path", "C:\\WINDOWS", "", {"end 2"}},
        {"a program folder too long", "C:\\WINDOWS", "C:\\" + std::string(300, 'P') + "\\SETUP.EXE", {"end 2"}}};
    for (const Case& c : cases) {
        for (bool silent : {false, true}) {
            Dialog d;
            d.phases.packageReadable = false;
            d.system.windowsFolder = c.windowsFolder;
            d.system.moduleFileName = c.moduleFileName;
            EXPECT_EQ(d.Start(silent), Join({OpeningSteps, c.steps})) << c.name << " silent " << silent;
            EXPECT_EQ(d.session.ExitStatus, silent ? 1 : 0) << c.name;
        }
    }
}

TEST(DialogStart, RefusalFollowsTheVersionTableAndWin98Only)
{
    struct Case {
        std::optional<SystemVersion> version; // none: the query fails
        bool refusedWithWin98Only;            // any value but 0
        bool refusedWithout;
    };
    const Case cases[] = {{SystemVersion{4, 10, 1997}, true, true},
                          {SystemVersion{4, 10, 1998}, false, false},
                          {SystemVersion{4, 10, 2222}, false, false},
                          {SystemVersion{4, 10, 3000}, true, false},
                          {SystemVersion{4, 90, 3000}, true, false},
                          {SystemVersion{5, 0, 2195}, true, false},
                          {SystemVersion{5, 1, 2600}, true, false},
                          {SystemVersion{5, 2, 3790}, true, true},
                          {std::nullopt, true, true}};
    for (const Case& c : cases) {
        for (std::int32_t win98Only : {1, -1, 7, 0}) {
            Dialog d(c.version.value_or(SystemVersion{}));
            d.system.versionQueryWorks = c.version.has_value();
            d.win98Only = win98Only;
            const Transcript& t = d.Start();
            const bool refused = win98Only != 0 ? c.refusedWithWin98Only : c.refusedWithout;
            const std::string what =
                std::to_string(c.version.value_or(SystemVersion{}).Build) + " " + std::to_string(win98Only);
            EXPECT_EQ(d.view.Count(Refusal), refused) << what;
            EXPECT_EQ(d.view.Count("show"), !refused) << what;
            EXPECT_EQ(t.back(), refused ? "end 2" : "focus 1003") << what;
        }
    }
}

TEST(DialogStart, ASilentRunInstallsEvenOnAnUnsupportedSystemAndShowsNothing)
{
    Dialog d({6, 0, 6000});
    EXPECT_EQ(d.Start(true),
              Join({OpeningSteps,
                    {"read package", "caption NORVALE PocketVault Win98 Driver Setup Utility"},
                    ControlTexts,
                    {"recover", "text 1008 removing device if present...", "progress 2", "remove devices of 1 pairs: 0",
                     "progress 15", "remove inf copies 1A2B 3C4D", "delete driver", "progress 25",
                     "place driver files 25 50", "check placed files", "start device 50 100", "end 2"}}));
    // The pause between removal and placement does not dispatch messages: only the removal
    // phase's two 200 ms pumps do.
    EXPECT_EQ(d.view.dispatchCount, 40);
    EXPECT_EQ(d.clock.elapsedMilliseconds, 400 + 3000);
    EXPECT_EQ(d.clock.sleeps.back(), 3000);
}

TEST(DialogStart, ASilentRunsExitStatusSaysHowFarTheInstallGot)
{
    struct Case {
        bool filesInPlace;
        bool deviceStarts;
        int exitStatus;
    };
    for (const Case& c : {Case{true, true, 0}, Case{true, false, 2}, Case{false, true, 4}}) {
        Dialog d({5, 1, 2600});
        d.phases.filesInPlace = c.filesInPlace;
        d.phases.deviceStarts = c.deviceStarts;
        d.Start(true);
        EXPECT_EQ(d.view.Count("start device 50 100"), c.filesInPlace) << c.exitStatus;
        EXPECT_EQ(d.session.ExitStatus, c.exitStatus);
    }
}

} // namespace
