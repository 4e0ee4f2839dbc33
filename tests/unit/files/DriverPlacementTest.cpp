// Placing the package's files on each OS class: names, folders, order, progress, attributes,
// the search-path value, and steps that fail without stopping the rest.
#include <gtest/gtest.h>

#include "fakes/TestPlatform.h"
#include "files/DriverPlacement.h"
#include "files/SearchPath.h"

namespace {

using Lines = std::vector<std::string>;

const std::string SetupDescription = "[Version]\r\nSignature=$CHICAGO$\r\n[ExInstall]\r\nCopyFiles=ExFiles\r\n";
const std::string CurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

class DriverPlacementTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};

    void SetUp() override
    {
        SetupState& s = session.State;
        s.WindowsFolder.Assign("C:\\WINDOWS");
        s.ProgramFolder.Assign("A:");
        s.SetupFileName.Assign("EXDISK.IN_");
        s.DriverFileName.Assign("EXDISK.SY_");
        s.PortDriverFileName.Assign("EXDISK.PDR");
        s.InstallSectionName.Assign("ExInstall");
        test.files.AddFolder("A:");
        test.files.AddFile("A:\\EXDISK.IN_", SetupDescription, true);
        test.files.AddFile("A:\\EXDISK.SY_", "driver", true);
        test.files.AddFile("A:\\EXDISK.PDR", "port driver");
        for (const char* folder :
             {"C:\\WINDOWS\\INF", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS", "C:\\WINDOWS\\SYSTEM32\\DRIVERS"})
            test.files.AddFolder(folder);
        test.files.AddFile("C:\\WINDOWS\\INF\\DRVIDX.BIN", "index", true);
        test.files.AddFile("C:\\WINDOWS\\INF\\DRVDATA.BIN", "data");
        test.registry.AddKey(CurrentVersion);
        test.registry.Value(CurrentVersion, "OtherDevicePath") = "C:\\OLD;D:\\OTHER";
    }

    void Place(OsClass osClass, int from, int to)
    {
        session.State.OsClass = osClass;
        PlaceDriverFiles(session, session.platform.files, session.platform.registry, {IDS_INSTALLING, from, to});
    }
};

TEST_F(DriverPlacementTest, Windows98FamilyPlacesEverythingInOrder)
{
    Place(OsClass::Windows98SecondEdition, 25, 50);
    EXPECT_EQ(test.view.Progress(), (std::vector<int>{30, 35, 40, 45, 50}));
    EXPECT_EQ(test.view.transcript.front(), "text 1008 installing...");
    EXPECT_EQ(session.StatusText, "installing...");
    EXPECT_EQ(test.clock.elapsedMilliseconds, 4 * 200);
    // The edited copy is written beside the copy and swapped in, so a cut-off run leaves one whole.
    Lines copySteps;
    std::copy_if(test.files.log.begin(), test.files.log.end(), std::back_inserter(copySteps),
                 [](const std::string& line) { return line.find("\\EXDISK.IN") != std::string::npos; });
    EXPECT_EQ(copySteps,
              (Lines{"attributes C:\\WINDOWS\\inf\\other\\EXDISK.INF",
                     "copy A:\\EXDISK.IN_ -> C:\\WINDOWS\\inf\\other\\EXDISK.INF",
                     "attributes C:\\WINDOWS\\inf\\other\\EXDISK.INF", "attributes C:\\WINDOWS\\inf\\other\\EXDISK.IN$",
                     "delete C:\\WINDOWS\\inf\\other\\EXDISK.IN$", "attributes C:\\WINDOWS\\inf\\other\\EXDISK.IN~",
                     "delete C:\\WINDOWS\\inf\\other\\EXDISK.IN~",
                     "copy C:\\WINDOWS\\inf\\other\\EXDISK.INF -> C:\\WINDOWS\\inf\\other\\EXDISK.IN$",
                     "attributes C:\\WINDOWS\\inf\\other\\EXDISK.IN$", "rewrite C:\\WINDOWS\\inf\\other\\EXDISK.IN$",
                     "move C:\\WINDOWS\\inf\\other\\EXDISK.INF -> C:\\WINDOWS\\inf\\other\\EXDISK.IN~",
                     "move C:\\WINDOWS\\inf\\other\\EXDISK.IN$ -> C:\\WINDOWS\\inf\\other\\EXDISK.INF",
                     "attributes C:\\WINDOWS\\inf\\other\\EXDISK.IN~", "delete C:\\WINDOWS\\inf\\other\\EXDISK.IN~"}));
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR"), "port driver");
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"),
              "[Version]\r\nSignature=$CHICAGO$\r\n[ExInstall]\r\n;CopyFiles=ExFiles\r\n");
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS"), "driver");
    EXPECT_FALSE(test.files.IsReadOnly("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS"));
    // A read-only driver database file is not cleared first, so it stays.
    EXPECT_TRUE(test.files.Exists("C:\\WINDOWS\\INF\\DRVIDX.BIN"));
    EXPECT_FALSE(test.files.Exists("C:\\WINDOWS\\INF\\DRVDATA.BIN"));
    EXPECT_EQ(test.files.Contents("A:\\EXDISK.IN_"), SetupDescription);

    EXPECT_EQ(test.registry.Value(CurrentVersion, "OtherDevicePath"), "C:\\WINDOWS\\INF\\OTHER");
}

struct NtRow {
    OsClass osClass;
    int from, to;
    std::vector<int> progress;
};
class DriverPlacementOnNt : public DriverPlacementTest, public ::testing::WithParamInterface<NtRow> {};

TEST_P(DriverPlacementOnNt, PlacesTheOemCopyAndTheDriverOnly)
{
    Place(GetParam().osClass, GetParam().from, GetParam().to);
    EXPECT_EQ(test.view.Progress(), GetParam().progress);
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\INF\\oemEXDISK.INF"),
              "[Version]\r\nSignature=$CHICAGO$\r\n[ExInstall]\r\n;CopyFiles=ExFiles\r\n");
    EXPECT_TRUE(test.files.Exists("C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS"));
    EXPECT_FALSE(test.files.Exists("C:\\WINDOWS\\system\\iosubsys\\EXDISK.PDR"));
    EXPECT_TRUE(test.files.Exists("C:\\WINDOWS\\INF\\DRVDATA.BIN"));
    EXPECT_FALSE(test.files.Exists("C:\\WINDOWS\\INF\\OTHER"));
    EXPECT_EQ(test.registry.Value(CurrentVersion, "OtherDevicePath"), "C:\\OLD;D:\\OTHER");
}
INSTANTIATE_TEST_SUITE_P(Systems, DriverPlacementOnNt,
                         ::testing::Values(NtRow{OsClass::Windows2000, 25, 50, {30, 35, 45, 50}},
                                           NtRow{OsClass::WindowsXp, 15, 30, {18, 21, 27, 30}}));

TEST_F(DriverPlacementTest, UnsupportedSystemTakesThe98FamilyStepsWithItsProgress)
{
    Place(OsClass::Unsupported, 15, 30);
    EXPECT_EQ(test.view.Progress(), (std::vector<int>{18, 21, 24, 27, 30}));
    EXPECT_TRUE(test.files.Exists("C:\\WINDOWS\\system\\iosubsys\\EXDISK.PDR"));
}

TEST_F(DriverPlacementTest, NamesConvertByTheirLastCharacter)
{
    session.State.SetupFileName.Assign("driver.in_");
    session.State.DriverFileName.Assign("USBDISK.SY_");
    test.files.AddFile("A:\\driver.in_", SetupDescription);
    test.files.AddFile("A:\\USBDISK.SY_", "usb driver");
    Place(OsClass::WindowsXp, 15, 30);
    EXPECT_EQ(test.files.Names("C:\\WINDOWS\\INF"), (Lines{"DRVIDX.BIN", "DRVDATA.BIN", "oemdriver.inF"}));
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\system32\\drivers\\USBDISK.SYS"), "usb driver");
}

TEST_F(DriverPlacementTest, EarlierReadOnlyCopiesAreReplacedAndLeftWritable)
{
    test.files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", "old", true);
    test.files.AddFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS", "old driver", true);
    Place(OsClass::Windows98, 15, 30);
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF").find(";CopyFiles"), 45u);
    EXPECT_FALSE(test.files.IsReadOnly("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"));
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS"), "driver");
    EXPECT_FALSE(test.files.IsReadOnly("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS"));

    // A second install over the first leaves exactly one added semicolon.
    Place(OsClass::Windows98, 15, 30);
    EXPECT_EQ(test.files.Contents("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"),
              "[Version]\r\nSignature=$CHICAGO$\r\n[ExInstall]\r\n;CopyFiles=ExFiles\r\n");
}

TEST_F(DriverPlacementTest, ALockedDestinationIsSkippedAndLaterStepsStillRun)
{
    test.files.AddFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR", "locked");
    test.files.SetInUse("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR");
    test.registry.faults.FailCall(Op::Registry);
    Place(OsClass::Windows98, 15, 30);
    EXPECT_EQ(test.view.Progress(), (std::vector<int>{18, 21, 24, 27, 30}));
    EXPECT_TRUE(test.files.Exists("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF"));
    EXPECT_FALSE(test.files.Exists("C:\\WINDOWS\\INF\\DRVDATA.BIN"));
    EXPECT_TRUE(test.files.Exists("C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS"));
    EXPECT_EQ(test.registry.Value(CurrentVersion, "OtherDevicePath"), "C:\\OLD;D:\\OTHER");
}

TEST_F(DriverPlacementTest, PathsThatWouldNotFitAreSkippedNotCut)
{
    const std::string longFolder = "C:\\" + std::string(230, 'W'); // 233 characters
    session.State.WindowsFolder.Assign(longFolder);
    test.files.AddFolder(longFolder + "\\inf\\other");
    test.files.AddFolder(longFolder + "\\system\\iosubsys");
    test.files.AddFolder(longFolder + "\\system32\\drivers");
    Place(OsClass::Windows98, 15, 30);
    // "\inf\other\EXDISK.INF" fits in 254 characters; "\system\iosubsys\EXDISK.PDR" (260) and
    // the driver's path (261) do not, and nothing was written under a shortened name.
    EXPECT_TRUE(test.files.Exists(longFolder + "\\inf\\other\\EXDISK.INF"));
    EXPECT_EQ(test.files.Names(longFolder + "\\system\\iosubsys"), Lines{});
    EXPECT_EQ(test.files.Names(longFolder + "\\system32\\drivers"), Lines{});
    EXPECT_EQ(test.view.Progress(), (std::vector<int>{18, 21, 24, 27, 30}));
}

TEST(SearchPath, WrittenUnderTheExistingKeyOnly)
{
    TestPlatform test;
    SetupSession session{test.platform};
    session.State.WindowsFolder.Assign("C:\\WINDOWS");
    test.files.AddFolder("C:\\WINDOWS\\INF\\OTHER"); // already there: the value is written all the same
    test.registry.AddKey(CurrentVersion);
    EXPECT_TRUE(RegisterOtherDevicePath(test.files, test.registry, session.State));
    EXPECT_EQ(test.registry.Value(CurrentVersion, "OtherDevicePath"), "C:\\WINDOWS\\INF\\OTHER");

    TestPlatform denied;
    SetupSession deniedSession{denied.platform};
    deniedSession.State.WindowsFolder.Assign("C:\\WINDOWS");
    denied.files.AddFolder("C:\\WINDOWS\\INF");
    // The key is missing and is not created.
    EXPECT_FALSE(RegisterOtherDevicePath(denied.files, denied.registry, deniedSession.State));
    EXPECT_TRUE(denied.registry.keys.empty());
    EXPECT_TRUE(denied.files.IsFolder("C:\\WINDOWS\\INF\\OTHER"));
}

TEST_F(DriverPlacementTest, TheFilesAreInPlaceOnlyWhenTheInfCopyAndTheDriverBothStand)
{
    for (const OsClass osClass : {OsClass::WindowsMe, OsClass::WindowsXp}) {
        Place(osClass, 0, 100);
        const std::string infCopy =
            osClass == OsClass::WindowsXp ? "C:\\WINDOWS\\inf\\oemEXDISK.INF" : "C:\\WINDOWS\\inf\\other\\EXDISK.INF";
        const std::string driver = "C:\\WINDOWS\\system32\\drivers\\EXDISK.SYS";
        EXPECT_TRUE(DriverFilesInPlace(test.files, session.State));
        for (const std::string& missing : {infCopy, driver}) {
            std::string bytes;
            ASSERT_TRUE(test.files.ReadAll(missing, bytes)) << missing;
            test.files.Remove(missing);
            EXPECT_FALSE(DriverFilesInPlace(test.files, session.State)) << missing;
            test.files.AddFile(missing, bytes);
        }
    }
}

} // namespace
