// Placing the package's files on each OS class: names, folders, order, attributes, the
// search-path value, and steps that fail without stopping the rest. (The job tests follow the
// phase's status line, bar and pauses.)
#include <gtest/gtest.h>

#include "fakes/TestPlatform.h"
#include "files/DriverPlacement.h"
#include "files/SearchPath.h"
#include "files/WindowsPaths.h"

namespace {

using Lines = std::vector<std::string>;

const std::string SetupDescription = "[Version]\r\nSignature=$CHICAGO$\r\n[ExInstall]\r\nCopyFiles=ExFiles\r\n";
const std::string Edited = "[Version]\r\nSignature=$CHICAGO$\r\n[ExInstall]\r\n;CopyFiles=ExFiles\r\n";
const std::string CurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

// The package on A:, with a read-only setup description and driver, and a Windows folder whose
// driver database index is read-only.
struct Placement {
    TestPlatform test;
    FakeFileSystem& files = test.files;
    SetupSession session{test.platform};

    Placement()
    {
        SetupState& s = session.State;
        s.WindowsFolder.Assign("C:\\WINDOWS");
        s.ProgramFolder.Assign("A:");
        s.SetupFileName.Assign("EXDISK.IN_");
        s.DriverFileName.Assign("EXDISK.SY_");
        s.PortDriverFileName.Assign("EXDISK.PDR");
        s.InstallSectionName.Assign("ExInstall");
        files.AddFile("A:\\EXDISK.IN_", SetupDescription, true);
        files.AddFile("A:\\EXDISK.SY_", "driver", true);
        files.AddFile("A:\\EXDISK.PDR", "port driver");
        files.AddFolder("C:\\WINDOWS\\SYSTEM\\IOSUBSYS");
        files.AddFolder("C:\\WINDOWS\\SYSTEM32\\DRIVERS");
        files.AddFile("C:\\WINDOWS\\INF\\DRVIDX.BIN", "index", true);
        files.AddFile("C:\\WINDOWS\\INF\\DRVDATA.BIN", "data");
        test.registry.AddKey(CurrentVersion);
        SearchPath() = "C:\\OLD;D:\\OTHER";
    }
    void Place(OsClass osClass)
    {
        session.State.OsClass = osClass;
        PlaceDriverFiles(session, files, test.codePage, test.registry, {IDS_INSTALLING, 15, 30});
    }
    std::string& SearchPath() { return test.registry.Value(CurrentVersion, "OtherDevicePath"); }
};
class DriverPlacementTest : public ::testing::Test, public Placement {};

// An unrecognised system takes the steps of the 98 family. Earlier read-only copies are replaced
// and left writable.
TEST_F(DriverPlacementTest, Windows98FamilyPlacesEverythingInOrder)
{
    files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", "old", true);
    files.AddFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS", "old driver", true);
    // Every change to the disk and the registry, in order between the status line and the bar;
    // the edit's own steps on the copy's siblings (".IN$", ".IN~") are its tests' business, but
    // not when the edited copy comes into place: right after the copy.
    std::string beforeEdit;
    files.faults.afterChange = [&] {
        const std::string& line = files.log.back();
        if (line.find(".IN$ -> ") != std::string::npos)
            beforeEdit = test.view.transcript.back();
        else if (line.find(".IN$") == std::string::npos && line.find(".IN~") == std::string::npos)
            test.view.transcript.push_back(line);
    };
    test.registry.faults.afterChange = [&] { test.view.transcript.push_back("registry"); };
    Place(OsClass::Unsupported);
    const std::string copy = "C:\\WINDOWS\\inf\\other\\EXDISK.IN", port = "C:\\WINDOWS\\system\\iosubsys\\EXDISK.PDR",
                      driver = "C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS";
    EXPECT_EQ(test.view.transcript,
              (Lines{"text 1008 installing...", "progress 18", "mkdir C:\\WINDOWS\\INF\\OTHER", "registry",
                     "attributes " + copy + "F", "copy A:\\EXDISK.IN_ -> " + copy + "F", "attributes " + copy + "F",
                     "progress 21", "progress 24", "attributes " + port, "copy A:\\EXDISK.PDR -> " + port,
                     "attributes " + port, "delete C:\\WINDOWS\\inf\\DRVIDX.BIN",
                     "delete C:\\WINDOWS\\inf\\DRVDATA.BIN", "progress 27", "attributes " + driver,
                     "copy A:\\EXDISK.SY_ -> " + driver, "attributes " + driver, "progress 30"}));
    EXPECT_EQ(beforeEdit, "attributes " + copy + "F");
    EXPECT_EQ(files.Contents("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR"), "port driver");
    EXPECT_EQ(files.Contents("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"), Edited);
    EXPECT_EQ(files.Contents("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS"), "driver");
    EXPECT_FALSE(files.IsReadOnly("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS"));
    // A read-only driver database file is not cleared first, so it stays.
    EXPECT_TRUE(files.Exists("C:\\WINDOWS\\INF\\DRVIDX.BIN"));
    EXPECT_FALSE(files.Exists("C:\\WINDOWS\\INF\\DRVDATA.BIN"));
    EXPECT_EQ(SearchPath(), "C:\\WINDOWS\\INF\\OTHER");
    EXPECT_FALSE(files.IsReadOnly("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"));
    Place(OsClass::Windows98); // a second install over the first leaves one added semicolon
    EXPECT_EQ(files.Contents("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"), Edited);
}

// Names convert by their last character: driver.in_ becomes oemdriver.inF. A scanner holds the
// copy just placed as the edit reads it (2000) or renames it (XP): the edit is made all the same.
TEST(DriverPlacement, Windows2000AndXpPlaceTheOemCopyAndTheDriverOnly)
{
    for (OsClass osClass : {OsClass::Windows2000, OsClass::WindowsXp}) {
        Placement p;
        p.session.State.SetupFileName.Assign("driver.in_");
        p.session.State.DriverFileName.Assign("USBDISK.SY_");
        p.files.AddFile("A:\\driver.in_", SetupDescription, true);
        p.files.AddFile("A:\\USBDISK.SY_", "usb driver");
        p.files.faults.FailCall(osClass == OsClass::WindowsXp ? Op::Move : Op::Read, 1);
        p.Place(osClass);
        EXPECT_EQ(p.files.Names("C:\\WINDOWS\\INF"), (Lines{"DRVIDX.BIN", "DRVDATA.BIN", "oemdriver.inF"}));
        EXPECT_EQ(p.files.Contents("C:\\WINDOWS\\INF\\oemdriver.INF"), Edited);
        EXPECT_EQ(p.files.Contents("C:\\WINDOWS\\system32\\drivers\\USBDISK.SYS"), "usb driver");
        EXPECT_EQ(p.files.Names("C:\\WINDOWS\\system\\iosubsys"), Lines{});
        EXPECT_EQ(p.SearchPath(), "C:\\OLD;D:\\OTHER");
        EXPECT_EQ(p.test.view.Progress(), (std::vector<int>{18, 21, 27, 30}));
    }
}

// The search for *.in? finds EXDISK.IN too: its copy ends in .INF all the same, where the system
// reads it and the next removal finds it.
TEST(DriverPlacement, TheCopyOfADescriptionWithATwoLetterExtensionEndsInInf)
{
    for (const auto& [osClass, copy] : {std::pair{OsClass::WindowsMe, "C:\\WINDOWS\\inf\\other\\EXDISK.INF"},
                                        std::pair{OsClass::WindowsXp, "C:\\WINDOWS\\inf\\oemEXDISK.INF"}}) {
        Placement p;
        p.session.State.SetupFileName.Assign("EXDISK.IN");
        p.files.AddFile("A:\\EXDISK.IN", SetupDescription);
        p.Place(osClass);
        EXPECT_EQ(p.files.Contents(copy), Edited) << copy;
        EXPECT_TRUE(DriverFilesInPlace(p.files, p.test.codePage, p.session.State)) << copy;
    }
    // "\inf\other\EXDISK.IN" and its "F": a folder of 238 characters gives 259, one more would not fit.
    for (const std::size_t width : {238u, 239u}) {
        Placement p;
        p.session.State.WindowsFolder.Assign("C:\\" + std::string(width - 3, 'W'));
        p.session.State.SetupFileName.Assign("EXDISK.IN");
        p.session.State.OsClass = OsClass::WindowsMe;
        EXPECT_EQ(InfCopyDestination(p.session.State).size(), width == 238 ? 259u : 0u) << width;
    }
}

// On 2000 and XP a description named by a number gives its copy a name of the kind the system
// gives the INF copies it installs itself: a file standing there belongs to another package.
TEST(DriverPlacement, ACopyUnderANameTheSystemGivesNeverReplacesAFileStandingThere)
{
    const std::tuple<OsClass, const char*, const char*, bool> cases[] = {
        // system, description, the INF copy's path, whether a file standing there is replaced
        {OsClass::WindowsXp, "12.IN_", "C:\\WINDOWS\\INF\\oem12.INF", false},
        {OsClass::Windows2000, "7.IN_", "C:\\WINDOWS\\INF\\oem7.INF", false},
        {OsClass::WindowsXp, "90.IN_", "C:\\WINDOWS\\INF\\oem90.INF", false},
        {OsClass::WindowsXp, "12A.IN_", "C:\\WINDOWS\\INF\\oem12A.INF", true},
        {OsClass::WindowsMe, "12.IN_", "C:\\WINDOWS\\INF\\OTHER\\12.INF", true},
    };
    // Where the search for it fails, the file standing there is still seen.
    for (const auto& [osClass, description, copy, replaced] : cases) {
        for (const int standing : {0, 1, 2}) {
            Placement p;
            p.session.State.SetupFileName.Assign(description);
            p.files.AddFile(std::string("A:\\") + description, SetupDescription);
            if (standing)
                p.files.AddFile(copy, "another package's INF");
            if (standing == 2)
                p.files.faults.FailCall(Op::Search);
            p.Place(osClass);
            EXPECT_EQ(p.files.Contents(copy), standing && !replaced ? "another package's INF" : Edited) << copy;
            EXPECT_EQ(DriverFilesInPlace(p.files, p.test.codePage, p.session.State), !standing || replaced) << copy;
        }
    }
}

// Where the INF copy fails (the package's drive gone), a file standing at its name survived the
// removal as another package's INF: it keeps its CopyFiles line.
TEST(DriverPlacement, AFileStandingWhereTheInfCopyFailedIsNotEdited)
{
    const std::string other = SetupDescription + "[Models]\r\nD=ExInstall,USB\\VID_9999&PID_0001\r\n";
    for (const char* copy : {"C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", "C:\\WINDOWS\\INF\\oemEXDISK.INF"}) {
        Placement p;
        p.files.AddFile(copy, other);
        p.files.SetInUse("A:\\EXDISK.IN_");
        p.Place(std::string(copy).find("OTHER") != std::string::npos ? OsClass::Windows98 : OsClass::WindowsXp);
        EXPECT_EQ(p.files.Contents(copy), other) << copy;
    }
}

TEST_F(DriverPlacementTest, ALockedDestinationIsSkippedAndLaterStepsStillRun)
{
    files.AddFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR", "locked");
    files.SetInUse("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR");
    test.registry.faults.FailCall(Op::Registry);
    Place(OsClass::Windows98);
    EXPECT_TRUE(files.Exists("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"));
    EXPECT_FALSE(files.Exists("C:\\WINDOWS\\INF\\DRVDATA.BIN"));
    EXPECT_TRUE(files.Exists("C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS"));
    EXPECT_EQ(SearchPath(), "C:\\OLD;D:\\OTHER");
}

TEST_F(DriverPlacementTest, PathsThatWouldNotFitAreSkippedNotCut)
{
    const std::string longFolder = "C:\\" + std::string(230, 'W'); // 233 characters
    session.State.WindowsFolder.Assign(longFolder);
    for (const char* folder : {"\\inf\\other", "\\system\\iosubsys", "\\system32\\drivers"})
        files.AddFolder(longFolder + folder);
    Place(OsClass::Windows98);
    // "\inf\other\EXDISK.INF" fits in 254 characters; "\system\iosubsys\EXDISK.PDR" (260) and
    // the driver's path (261) do not, and nothing was written under a shortened name.
    EXPECT_TRUE(files.Exists(longFolder + "\\inf\\other\\EXDISK.INF"));
    EXPECT_EQ(files.Names(longFolder + "\\system\\iosubsys"), Lines{});
    EXPECT_EQ(files.Names(longFolder + "\\system32\\drivers"), Lines{});
}

TEST_F(DriverPlacementTest, TheSearchPathIsWrittenUnderTheExistingKeyOnly)
{
    files.AddFolder("C:\\WINDOWS\\INF\\OTHER"); // already there: the value is written all the same
    EXPECT_TRUE(RegisterOtherDevicePath(files, test.registry, session.State));
    EXPECT_EQ(SearchPath(), "C:\\WINDOWS\\INF\\OTHER");

    TestPlatform denied; // the key is missing (a write never makes one); the folder is made
    denied.files.AddFolder("C:\\WINDOWS\\INF");
    EXPECT_FALSE(RegisterOtherDevicePath(denied.files, denied.registry, session.State));
    EXPECT_TRUE(denied.files.IsFolder("C:\\WINDOWS\\INF\\OTHER"));

    // Without an INF folder nothing is made, and the value still names the folder, after the
    // Windows folder as the system spells it.
    TestPlatform bare;
    bare.registry.AddKey(CurrentVersion);
    SetupState mixedCase;
    mixedCase.WindowsFolder.Assign("C:\\Windows");
    EXPECT_TRUE(RegisterOtherDevicePath(bare.files, bare.registry, mixedCase));
    EXPECT_FALSE(bare.files.Exists("C:\\Windows\\INF"));
    EXPECT_EQ(bare.registry.Value(CurrentVersion, "OtherDevicePath"), "C:\\Windows\\INF\\OTHER");

    // A folder path that would not fit is neither made nor written.
    session.State.WindowsFolder.Assign("C:\\" + std::string(247, 'W')); // with "\INF\OTHER", 260 characters
    EXPECT_FALSE(RegisterOtherDevicePath(files, test.registry, session.State));
    EXPECT_EQ(SearchPath(), "C:\\WINDOWS\\INF\\OTHER");
}

TEST_F(DriverPlacementTest, TheFilesAreInPlaceOnlyWhenTheInfCopyTheDriverAndOn98ThePortDriverStand)
{
    for (const OsClass osClass : {OsClass::WindowsMe, OsClass::WindowsXp}) {
        Place(osClass);
        EXPECT_TRUE(DriverFilesInPlace(files, test.codePage, session.State));
        const bool windowsXp = osClass == OsClass::WindowsXp;
        for (const std::string missing :
             {windowsXp ? "C:\\WINDOWS\\inf\\oemEXDISK.INF" : "C:\\WINDOWS\\inf\\other\\EXDISK.INF",
              "C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS", "C:\\WINDOWS\\system\\iosubsys\\EXDISK.PDR"}) {
            const bool needed = !windowsXp || !missing.ends_with(".PDR"); // placed on the 98 family only
            const std::string bytes = files.Contents(missing);
            ASSERT_TRUE(files.Remove(missing)) << missing;
            EXPECT_EQ(DriverFilesInPlace(files, test.codePage, session.State), !needed) << missing;
            // What an earlier install left, where the copy over it failed, is not the package's.
            files.AddFile(missing, "an earlier install's file");
            EXPECT_EQ(DriverFilesInPlace(files, test.codePage, session.State), !needed) << missing;
            files.AddFile(missing, bytes);
        }
        // An INF copy whose edit failed is in place as it came; a package gone from the drive
        // cannot be compared with, and its copies count as they stand.
        files.AddFile(osClass == OsClass::WindowsXp ? "C:\\WINDOWS\\inf\\oemEXDISK.INF"
                                                    : "C:\\WINDOWS\\inf\\other\\EXDISK.INF",
                      SetupDescription);
        EXPECT_TRUE(DriverFilesInPlace(files, test.codePage, session.State));
        files.AddFile("C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS", "an earlier install's file");
        session.State.ProgramFolder.Assign("B:");
        EXPECT_TRUE(DriverFilesInPlace(files, test.codePage, session.State));
        session.State.ProgramFolder.Assign("A:");
    }
}

} // namespace
