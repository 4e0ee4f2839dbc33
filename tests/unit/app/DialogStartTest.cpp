// The setup dialog's start over the system's own phases: its steps in order and its ends.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "fakes/ExamplePackage.h"

namespace {

using Transcript = std::vector<std::string>;

// The example package on this machine, with these lines in its [Setup] section.
struct Dialog : example::Machine {
    explicit Dialog(const std::string& setupLines)
    {
        AddPackage(example::SetupDescription{
            .setup = example::Section("Setup", "FDDInf=F.IN_\r\nSetupName=Example Disk Setup\r\n" + setupLines)}
                       .Text());
    }
    const Transcript& Start(bool silent = false)
    {
        StartSetupDialog(session, phases, silent);
        return view.transcript;
    }
};

TEST(DialogStart, AnAcceptedSystemShowsTheInstructionAndWaits)
{
    // The package's device name stands for both tokens. It goes into the instruction as the
    // description first, so the device-name token it brings is replaced as well; the text put in
    // for a device-name token is never searched again.
    Dialog d("SetupDeviceDesc=Disk #DEV_NAME# #INF_DEV_DESC#\r\n");
    d.view.strings[IDS_INSTRUCTION] = "#INF_DEV_DESC# / #DEV_NAME#";
    d.view.strings.erase(IDS_ABOUT);
    EXPECT_EQ(d.Start(), (Transcript{"menu 16 ...", "icon", "logo", "caption Example Disk Setup",
                                     "text 1011 Select Install/Uninstall", "text 1006 Install or update driver",
                                     "text 1007 Uninstall driver", "text 1003 Start", "text 2 Exit", "check 1006 on",
                                     "check 1007 off",
                                     "text 1014 Disk Disk #DEV_NAME# #INF_DEV_DESC# #INF_DEV_DESC# / Disk #DEV_NAME# "
                                     "#INF_DEV_DESC#",
                                     "text 1008 ", "show", "focus 1003"}));
    EXPECT_EQ(d.session.Brand.LinkText, "no link");
}

// Without SetupName and SetupDeviceDesc the shipped texts stand: the title, the device name in the
// instruction and the about box's text. A message box puts the device name in for its token too,
// once: the name's own tokens stay.
TEST(DialogStart, ThePackagesNamesOrTheShippedOnesStandInEveryText)
{
    example::Machine m;
    m.AddPackage(example::SetupDescription{.setup = example::Section("Setup", "FDDInf=F.IN_\r\n")}.Text());
    StartSetupDialog(m.session, m.phases, false);
    EXPECT_EQ(m.view.Lines("caption "), Transcript{"NORVALE PocketVault Win98 Driver Setup Utility"});
    EXPECT_EQ(m.view.Lines("text 1014 "),
              Transcript{"This program will install or uninstall PocketVault device driver for you."});
    EXPECT_EQ(m.session.Brand.AboutText, "About text");

    Dialog d("SetupDeviceDesc=A#DEV_NAME#B\r\n");
    d.files.Remove("C:\\PKG\\EXDISK.SY_");
    d.view.strings[IDS_SYS_NOT_FOUND] = "#DEV_NAME# / #DEV_NAME# SYS missing";
    d.Start();
    EXPECT_EQ(d.view.Lines("message "),
              Transcript{"[Example Disk Setup] A#DEV_NAME#B / A#DEV_NAME#B SYS missing flags 16"});
}

// Without the folders no package is read, so no message says that none was found: its paths would
// be built at the current drive's root. (The package read's tests have the message of a folder
// without a package.)
TEST(DialogStart, WithoutTheFoldersTheDialogEndsAtOnce)
{
    const std::string program = "C:\\PKG\\SETUP.EXE", windows = "C:\\WINDOWS", tooLong = "C:\\" + std::string(300, 'W');
    const std::pair<std::string, std::string> folders[] = {
        {"", program}, {tooLong, program}, {windows, ""}, {windows, tooLong + "\\SETUP.EXE"}};
    for (const auto& [windowsFolder, moduleFileName] : folders) {
        for (bool silent : {false, true}) {
            example::Machine m;
            m.system.windowsFolder = windowsFolder;
            m.system.moduleFileName = moduleFileName;
            StartSetupDialog(m.session, m.phases, silent);
            EXPECT_EQ(m.view.transcript, (Transcript{"menu 16 About ...", "icon", "logo", "end 2"})) << moduleFileName;
            EXPECT_EQ(m.session.ExitStatus, silent ? 1 : 0) << windowsFolder << moduleFileName;
        }
    }
}

// A folder so deep that a package file's name of 19 characters would not fit after it is read in
// its short form, where the system has one.
TEST(DialogStart, AFolderTooDeepForAFileNameIsReadInItsShortForm)
{
    const std::string shortFolder = "C:\\DDDDDD~1";
    for (const auto& [depth, hasShortForm, readsShortForm] :
         {std::tuple{239, true, false}, {240, true, true}, {240, false, false}}) {
        const std::string folder = "C:\\" + std::string(depth - 3, 'D');
        example::Machine m;
        m.system.moduleFileName = folder + "\\SETUP.EXE";
        if (hasShortForm)
            m.system.shortPaths[m.system.moduleFileName] = shortFolder + "\\SETUP.EXE";
        const std::string expected = readsShortForm ? shortFolder : folder;
        m.AddPackage(example::Inf, expected + "\\EXDISK.IN_");
        StartSetupDialog(m.session, m.phases, false);
        EXPECT_EQ(m.session.State.ProgramFolder.str(), expected) << depth << hasShortForm;
        EXPECT_EQ(m.view.transcript.back(), "focus 1003") << depth << hasShortForm;
    }
}

TEST(DialogStart, RefusalFollowsTheVersionTableAndWin98Only)
{
    struct Case {
        std::optional<SystemVersion> version; // none: the query fails
        bool refusedWithWin98Only;            // any value but 0
        bool refusedWithout;
    };
    // One version of each class (the classes' versions have a test of their own), and a query that
    // fails, which makes the system unrecognised.
    const Case cases[] = {{SystemVersion{4, 10, 1998}, false, false},
                          {SystemVersion{4, 10, 2222}, false, false},
                          {SystemVersion{4, 90, 3000}, true, false},
                          {SystemVersion{5, 0, 2195}, true, false},
                          {SystemVersion{5, 1, 2600}, true, false},
                          {SystemVersion{6, 0, 6000}, true, true},
                          {std::nullopt, true, true}};
    const std::string refusal = "message [Example Disk Setup] This program is for Windows 98 only ! flags 16";
    for (const Case& c : cases) {
        for (std::int32_t win98Only : {1, -1, 7, 0}) {
            Dialog d("Win98Only=" + std::to_string(win98Only) + "\r\n");
            d.system.version = c.version.value_or(SystemVersion{});
            d.system.versionQueryWorks = c.version.has_value();
            const Transcript& t = d.Start();
            const bool refused = win98Only != 0 ? c.refusedWithWin98Only : c.refusedWithout;
            const std::string what = std::to_string(d.system.version.Build) + " " + std::to_string(win98Only);
            EXPECT_EQ(d.view.Count(refusal), refused) << what;
            EXPECT_EQ(t.back(), refused ? "end 2" : "focus 1003") << what;
        }
    }
}

} // namespace
