// Reading a driver package: the setup description's search, its [Setup] keys, the device
// model and the driver files, with the messages of each failure.
#include <gtest/gtest.h>

#include "app/PackageMessage.h"
#include "app/SetupPhases.h"
#include "fakes/TestPlatform.h"
#include "package/DriverPackage.h"

namespace {

// The read as the dialog's start makes it: the package reader, then the message it names.
bool ReadPackage(SetupSession& session, std::string& failureReason, PackageReadNotes* notes = nullptr)
{
    return ShowPackageMessage(
        session, ReadDriverPackage(InfReadingOf(session.platform), session.State, session.Brand, failureReason, notes));
}

bool ReadPackage(SetupSession& session)
{
    std::string failureReason;
    return ReadPackage(session, failureReason);
}

using Transcript = std::vector<std::string>;

const std::string Version = "[Version]\r\nSignature=$CHICAGO$\r\nClass=USB\r\nProvider=%Maker%\r\n\r\n";
const std::string Manufacturer = "[Manufacturer]\r\n%Maker%=ExModels\r\n\r\n";
const std::string Models = "[ExModels]\r\n"
                           "%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C4D\r\n"
                           "%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C4E\r\n\r\n";
const std::string Install = "[ExInstall]\r\nCopyFiles=ExFiles\r\n\r\n[ExFiles]\r\nEXDISK.SYS\r\n\r\n";
const std::string SetupSection = "[Setup]\r\nFDDInf=EXFLOP.IN_\r\nTargetID=1A2B3C4D\r\n"
                                 "SetupName=Example Disk Setup\r\nSetupDeviceDesc=Example Disk\r\n\r\n";
const std::string Strings = "[Strings]\r\nMaker=Example Maker\r\nEx.Desc=Example USB Disk\r\n";
const std::string ExamplePackage = Version + Manufacturer + Models + Install + SetupSection + Strings;

const std::string StringTableTitle = "NORVALE PocketVault Win98 Driver Setup Utility";

class DriverPackageTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};
    std::string failureReason;

    void SetUp() override
    {
        session.State.ProgramFolder.Assign("C:\\PKG");
        session.Brand.AppTitle = StringTableTitle;
        session.Brand.DeviceName = "PocketVault";
        session.Brand.AboutText = "About text";
        test.files.AddFolder("C:\\PKG");
        test.files.AddFile("C:\\PKG\\SETUP.EXE", "MZ");
    }

    void AddPackage(const std::string& setupDescription)
    {
        test.files.AddFile("C:\\PKG\\EXDISK.IN_", setupDescription);
        test.files.AddFile("C:\\PKG\\EXDISK.SY_", "driver");
        test.files.AddFile("C:\\PKG\\EXDISK.PDR", "port driver");
    }

    bool Read() { return ReadPackage(session, failureReason); }

    std::vector<std::string> Pairs() const
    {
        std::vector<std::string> pairs;
        for (const HardwareIdEntry& entry : session.State.HardwareIds)
            pairs.push_back(entry.VidText.str() + "/" + entry.PidText.str());
        return pairs;
    }

    // The example package with one line of a section replaced (or added, when absent).
    static std::string WithSetup(const std::string& setupLines)
    {
        return Version + Manufacturer + Models + Install + "[Setup]\r\n" + setupLines + "\r\n" + Strings;
    }
    static std::string WithModels(const std::string& modelLines, const std::string& setupLines = "FDDInf=F.IN_\r\n")
    {
        return Version + Manufacturer + "[ExModels]\r\n" + modelLines + "\r\n" + Install + "[Setup]\r\n" + setupLines +
               Strings;
    }
};

TEST_F(DriverPackageTest, ReadsTheExamplePackage)
{
    AddPackage(ExamplePackage);
    ASSERT_TRUE(Read()) << failureReason;
    const SetupState& s = session.State;
    EXPECT_EQ(s.SetupFileName.view(), "EXDISK.IN_");
    EXPECT_EQ(s.MpdInfName.view(), "");
    EXPECT_EQ(s.FddInfName.view(), "EXFLOP.IN_");
    EXPECT_EQ(s.Win98Only, 1);
    EXPECT_EQ(s.ProviderName.view(), "Example Maker");
    EXPECT_EQ(s.ModelsSectionName.view(), "ExModels");
    EXPECT_EQ(Pairs(), (std::vector<std::string>{"1A2B/3C4D", "1A2B/3C4E"}));
    EXPECT_EQ(s.TargetVidText.view(), "1A2B");
    EXPECT_EQ(s.TargetPidText.view(), "3C4D");
    EXPECT_EQ(s.DeviceDescription.view(), "Example USB Disk");
    EXPECT_EQ(s.DeviceDisplayName.view(), "Example Disk");
    EXPECT_EQ(s.InstallSectionName.view(), "ExInstall");
    EXPECT_EQ(s.DriverFileName.view(), "EXDISK.SY_");
    EXPECT_EQ(s.PortDriverFileName.view(), "EXDISK.PDR");
    EXPECT_EQ(session.Brand.AppTitle, "Example Disk Setup");
    EXPECT_EQ(session.Brand.DeviceName, "Example Disk");
    EXPECT_EQ(session.Brand.AboutText.rfind("Example Disk Setup  ", 0), 0u);
    EXPECT_GT(session.Brand.AboutText.size(), std::string("Example Disk Setup  ").size());
    EXPECT_TRUE(test.view.transcript.empty());
    EXPECT_EQ(test.files.searches, (std::vector<std::string>{"C:\\PKG\\*.in?", "C:\\PKG\\*.sy_", "C:\\PKG\\*.pdr"}));
}

TEST_F(DriverPackageTest, JoinsPathsOnceAtADriveRootAndAfterATrailingBackslash)
{
    for (const char* folder : {"A:", "A:\\"}) {
        TestPlatform fresh;
        SetupSession s{fresh.platform};
        s.State.ProgramFolder.Assign(folder);
        fresh.files.AddFolder("A:");
        fresh.files.AddFile("A:\\EXDISK.IN_", ExamplePackage);
        fresh.files.AddFile("A:\\EXDISK.SY_", "d");
        fresh.files.AddFile("A:\\EXDISK.PDR", "p");
        EXPECT_TRUE(ReadPackage(s)) << folder;
        EXPECT_EQ(fresh.files.searches.front(), "A:\\*.in?");
        EXPECT_EQ(fresh.files.reads, (std::vector<std::string>{"A:\\EXDISK.IN_"}));
    }
}

TEST_F(DriverPackageTest, MissingSetupDescriptionsAreReportedWithTheTableTitle)
{
    test.files.AddFile("C:\\PKG\\EXDISK.SY_", "driver");
    EXPECT_FALSE(Read());
    EXPECT_EQ(test.view.transcript, (Transcript{"message [" + StringTableTitle + "] INF file not found ! flags 16"}));

    test.view.transcript.clear();
    test.files.AddFile("C:\\PKG\\NOTES.INI", "[Settings]\r\nA=1\r\n");
    test.files.AddFile("C:\\PKG\\OTHER.INF", Version + "[Setup]\r\n\r\n[Strings]\r\n"); // [Setup] without a line
    test.files.AddFile("C:\\PKG\\README.IN_", "plain text, no sections");
    test.files.AddFile("C:\\PKG\\A_VERY_LONG_NAME_123.IN_", ExamplePackage); // 24 characters: no fit
    EXPECT_FALSE(Read());
    EXPECT_EQ(test.view.transcript, (Transcript{"message [" + StringTableTitle +
                                                "] Main .in_ file with [Setup] section is not found ! flags 16"}));
    EXPECT_EQ(session.State.SetupFileName.view(), "");
}

TEST_F(DriverPackageTest, TheFirstEntryWithASetupSectionWinsInSearchOrder)
{
    const std::string other = ExamplePackage + "\r\n[Setup]\r\nSetupName=Second\r\n";
    test.files.AddFile("C:\\PKG\\PLAIN.INF", Version + Manufacturer + Models + Strings);
    test.files.AddFile("C:\\PKG\\SECOND.IN_", other);
    test.files.AddFile("C:\\PKG\\FIRST.IN_", ExamplePackage);
    test.files.AddFile("C:\\PKG\\EXDISK.SY_", "d");
    test.files.AddFile("C:\\PKG\\EXDISK.PDR", "p");

    test.files.SetSearchOrder("C:\\PKG", {"PLAIN.INF", "FIRST.IN_", "SECOND.IN_"});
    ASSERT_TRUE(Read());
    EXPECT_EQ(session.State.SetupFileName.view(), "FIRST.IN_");
    EXPECT_EQ(test.files.reads, (std::vector<std::string>{"C:\\PKG\\PLAIN.INF", "C:\\PKG\\FIRST.IN_"}));

    TestPlatform fresh;
    SetupSession s{fresh.platform};
    s.State.ProgramFolder.Assign("C:\\PKG");
    fresh.files.AddFile("C:\\PKG\\FIRST.IN_", ExamplePackage);
    fresh.files.AddFile("C:\\PKG\\SECOND.IN_", other);
    fresh.files.AddFile("C:\\PKG\\EXDISK.SY_", "d");
    fresh.files.AddFile("C:\\PKG\\EXDISK.PDR", "p");
    fresh.files.SetSearchOrder("C:\\PKG", {"SECOND.IN_", "FIRST.IN_"});
    ASSERT_TRUE(ReadPackage(s));
    EXPECT_EQ(s.State.SetupFileName.view(), "SECOND.IN_");
    EXPECT_EQ(s.Brand.AppTitle, "Example Disk Setup"); // the first SetupName line counts
    EXPECT_EQ(fresh.files.reads, (std::vector<std::string>{"C:\\PKG\\SECOND.IN_"}));
}

TEST_F(DriverPackageTest, SetupKeysDecideSilentlyWhetherThePackageIsUsable)
{
    struct Case {
        std::string setupLines;
        bool readable;
        std::int32_t win98Only;
    };
    const Case cases[] = {
        {"FDDInf=F.IN_\r\n", true, 1},
        {"FDDInf=F.IN_\r\nWin98Only=0\r\n", true, 0},
        {"FDDInf=F.IN_\r\nWin98Only=no\r\n", true, 1},
        {"FDDInf=F.IN_\r\nWin98Only=0x10\r\n", true, 16},
        {"FDDInf=F.IN_\r\nMPDInf=ABCDEFGHIJKLMNOPQRS\r\n", true, 1},   // 19 characters fit
        {"FDDInf=F.IN_\r\nMPDInf=ABCDEFGHIJKLMNOPQRST\r\n", false, 1}, // 20 do not
        {"FDDInf=F.IN_\r\nMPDInf\r\n", true, 1},                       // a key with itself as its value
        {"MPDInf=M.IN_\r\n", false, 0},                                // no FDDInf
        {"FDDInf=ABCDEFGHIJKLMNOPQRST\r\n", false, 0},
        {"FDDInf=\r\n", true, 1},                     // empty value reads as empty
        {"fddinf=F.IN_\r\nwin98only=0\r\n", true, 0}, // keys without regard to case
    };
    for (const Case& c : cases) {
        TestPlatform fresh;
        SetupSession s{fresh.platform};
        s.State.ProgramFolder.Assign("C:\\PKG");
        fresh.files.AddFile("C:\\PKG\\EXDISK.IN_", WithSetup(c.setupLines));
        fresh.files.AddFile("C:\\PKG\\EXDISK.SY_", "d");
        fresh.files.AddFile("C:\\PKG\\EXDISK.PDR", "p");
        std::string reason;
        EXPECT_EQ(ReadPackage(s, reason), c.readable) << c.setupLines << reason;
        EXPECT_TRUE(fresh.view.transcript.empty()) << c.setupLines;
        if (c.readable) {
            EXPECT_EQ(s.State.Win98Only, c.win98Only) << c.setupLines;
        }
    }
}

TEST_F(DriverPackageTest, NamesFromThePackageReplaceTheTableTextsOnlyWhenTheyFit)
{
    const std::string sixtyThree(63, 'n');
    AddPackage(WithSetup("FDDInf=F.IN_\r\nSetupName=" + sixtyThree + "\r\nSetupDeviceDesc=" + sixtyThree + "x\r\n"));
    ASSERT_TRUE(Read());
    EXPECT_EQ(session.Brand.AppTitle, sixtyThree);
    EXPECT_EQ(session.Brand.DeviceName, "PocketVault");
    EXPECT_EQ(session.State.DeviceDisplayName.view(), "Example USB Disk");

    TestPlatform fresh;
    SetupSession s{fresh.platform};
    s.Brand.AppTitle = StringTableTitle;
    s.Brand.AboutText = "About text";
    s.State.ProgramFolder.Assign("C:\\PKG");
    fresh.files.AddFile("C:\\PKG\\EXDISK.IN_", WithSetup("FDDInf=F.IN_\r\nSetupName=" + sixtyThree + "x\r\n"));
    fresh.files.AddFile("C:\\PKG\\EXDISK.SY_", "d");
    fresh.files.AddFile("C:\\PKG\\EXDISK.PDR", "p");
    ASSERT_TRUE(ReadPackage(s));
    EXPECT_EQ(s.Brand.AppTitle, StringTableTitle);
    EXPECT_EQ(s.Brand.AboutText, "About text");
}

TEST_F(DriverPackageTest, DriverFilesAreTheFirstFittingMatchesAndTheirMessagesCarryThePackageTitle)
{
    test.files.AddFile("C:\\PKG\\EXDISK.IN_", ExamplePackage);
    EXPECT_FALSE(Read());
    EXPECT_EQ(test.view.transcript, (Transcript{"message [Example Disk Setup] SYS(SY_) file not found ! flags 16"}));

    test.view.transcript.clear();
    test.files.AddFile("C:\\PKG\\A_DRIVER_WITH_A_LONG.SY_", "d"); // 24 characters: passed over
    EXPECT_FALSE(Read());
    EXPECT_EQ(test.view.transcript.back(), "message [Example Disk Setup] SYS(SY_) file not found ! flags 16");

    test.view.transcript.clear();
    test.files.AddFile("C:\\PKG\\SECOND.SY_", "d");
    test.files.AddFile("C:\\PKG\\FIRST.SY_", "d");
    test.files.SetSearchOrder("C:\\PKG", {"A_DRIVER_WITH_A_LONG.SY_", "FIRST.SY_", "SECOND.SY_"});
    EXPECT_FALSE(Read());
    EXPECT_EQ(test.view.transcript, (Transcript{"message [Example Disk Setup] MPD file not found ! flags 16"}));
    EXPECT_EQ(session.State.DriverFileName.view(), "FIRST.SY_");

    test.files.AddFile("C:\\PKG\\PORT.PDR", "p");
    EXPECT_TRUE(Read());
    EXPECT_EQ(session.State.PortDriverFileName.view(), "PORT.PDR");
}

TEST_F(DriverPackageTest, ASilentRunShowsNoMessageForAnUnusablePackage)
{
    session.Silent = true;
    EXPECT_FALSE(Read()); // no setup description at all
    test.files.AddFile("C:\\PKG\\EXDISK.IN_", ExamplePackage);
    EXPECT_FALSE(Read());                                                              // no driver
    test.files.AddFile("C:\\PKG\\EXDISK.IN_", "[Version]\r\nSignature=$CHICAGO$\r\n"); // no [Setup]
    EXPECT_FALSE(Read());
    EXPECT_EQ(test.view.transcript, Transcript{}) << "a deployment script's run waits for nobody";
}

TEST_F(DriverPackageTest, ModelLinesGivePairsAndTheTarget)
{
    struct Case {
        const char* name;
        std::string models;
        std::string setup;
        std::vector<std::string> pairs;
        const char* description;
        const char* installSection;
    };
    const std::string noTarget = "FDDInf=F.IN_\r\n";
    const Case cases[] = {
        {"revision suffix", "A=InstA,USB\\VID_1A2B&PID_3C4D&REV_0100\r\n", noTarget, {"1A2B/3C4D"}, "A", "InstA"},
        {"lines without VID_ add nothing",
         "P=InstP,*PNP0A03\r\nL=InstL,usb\\vid_1a2b&pid_3c4d\r\nB=InstB,USB\\VID_1A2B&PID_3C4E\r\n",
         noTarget,
         {"1A2B/3C4E"},
         "B",
         "InstB"},
        {"VID without PID is no pair",
         "V=InstV,USB\\VID_1A2B\r\nB=InstB,USB\\VID_1A2B&PID_3C4E\r\n",
         noTarget,
         {"1A2B/3C4E"},
         "B",
         "InstB"},
        {"markers at the very end give no pair",
         "V=InstV,USB\\VID_1A2B&PID_\r\nW=InstW,USB\\PID_3C4E&VID_\r\nB=InstB,USB\\VID_1A2B&PID_3C4E\r\n",
         noTarget,
         {"1A2B/3C4E"},
         "B",
         "InstB"},
        {"equal lines give equal entries",
         "A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_3C4D\r\n",
         noTarget,
         {"1A2B/3C4D", "1A2B/3C4D"},
         "A",
         "InstA"},
        {"second line targeted",
         "A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_3C4E\r\n",
         noTarget + "TargetID=1A2B3C4E\r\n",
         {"1A2B/3C4D", "1A2B/3C4E"},
         "B",
         "InstB"},
        {"no line matches the target",
         "A=InstA,USB\\VID_1A2B&PID_3C4D\r\n",
         noTarget + "TargetID=9999AAAA\r\n",
         {"1A2B/3C4D"},
         "",
         ""},
        {"a lower-case target matches as hardware IDs do",
         "A=InstA,USB\\VID_1A2B&PID_3C4D\r\n",
         noTarget + "TargetID=1a2b3c4d\r\n",
         {"1A2B/3C4D"},
         "A",
         "InstA"},
        {"the target's digits elsewhere in an ID do not name it",
         "A=InstA,USB\\VID_1A2B&PID_3C4E&REV_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_3C4D\r\n",
         noTarget + "TargetID=1A2B3C4D\r\n",
         {"1A2B/3C4E", "1A2B/3C4D"},
         "B",
         "InstB"},
        {"a target of seven characters counts as absent",
         "A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_993C\r\n",
         noTarget + "TargetID=1A2B993\r\n",
         {"1A2B/3C4D", "1A2B/993C"},
         "A",
         "InstA"},
        {"a target that is not hexadecimal counts as absent",
         "A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_XY2B&PID_3C4E\r\n",
         noTarget + "TargetID=XY2B3C4E\r\n",
         {"1A2B/3C4D"},
         "A",
         "InstA"},
        {"IDs shorter than four digits are no pair",
         "A=InstA,USB\\VID_12&PID_3456\r\nT=InstT,USB\\VID_1A2B&PID_3\r\nB=InstB,USB\\VID_1A2B&PID_3C4E\r\n",
         noTarget,
         {"1A2B/3C4E"},
         "B",
         "InstB"},
        {"IDs that are not hexadecimal are no pair",
         "A=InstA,USB\\VID_1A2G&PID_3C4D\r\nB=InstB,USB\\VID_1a2b&PID_3c4e&REV_01\r\n",
         noTarget,
         {"1a2b/3c4e"},
         "B",
         "InstB"},
        {"long description waits for a later line",
         "%Long%=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_3C4D\r\n",
         noTarget,
         {"1A2B/3C4D", "1A2B/3C4D"},
         "B",
         "InstA"},
        {"long install name off the target is never read",
         "A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=ABCDEFGHIJKLMNOPQRSTU,USB\\VID_1A2B&PID_9999\r\n",
         noTarget,
         {"1A2B/3C4D", "1A2B/9999"},
         "A",
         "InstA"},
    };
    for (const Case& c : cases) {
        TestPlatform fresh;
        SetupSession s{fresh.platform};
        s.State.ProgramFolder.Assign("C:\\PKG");
        fresh.files.AddFile("C:\\PKG\\EXDISK.IN_",
                            WithModels(c.models, c.setup) + "Long=" + std::string(64, 'd') + "\r\n");
        fresh.files.AddFile("C:\\PKG\\EXDISK.SY_", "d");
        fresh.files.AddFile("C:\\PKG\\EXDISK.PDR", "p");
        std::string reason;
        ASSERT_TRUE(ReadPackage(s, reason)) << c.name << ": " << reason;
        std::vector<std::string> pairs;
        for (const HardwareIdEntry& entry : s.State.HardwareIds)
            pairs.push_back(entry.VidText.str() + "/" + entry.PidText.str());
        EXPECT_EQ(pairs, c.pairs) << c.name;
        EXPECT_EQ(s.State.DeviceDescription.view(), c.description) << c.name;
        EXPECT_EQ(s.State.DeviceDisplayName.view(), c.description) << c.name;
        EXPECT_EQ(s.State.InstallSectionName.view(), c.installSection) << c.name;
    }
}

TEST_F(DriverPackageTest, LinesPassedOverAndATargetTakenAsAbsentAreNoted)
{
    AddPackage(WithModels("A=InstA,USB\\VID_1A2B&PID_3\r\nB=InstB,*PNP0A03\r\nC=InstC,USB\\VID_1A2B&PID_3C4D\r\n",
                          "FDDInf=F.IN_\r\nTargetID=1A2B3C4\r\n"));
    PackageReadNotes notes;
    ASSERT_TRUE(ReadPackage(session, failureReason, &notes)) << failureReason;
    EXPECT_EQ(notes.remarks,
              (std::vector<std::string>{
                  "TargetID \"1A2B3C4\" is not eight hexadecimal digits: taken as absent",
                  "line 1 of [ExModels] (USB\\VID_1A2B&PID_3) passed over: the text after PID_ is not four "
                  "hexadecimal digits",
                  "line 2 of [ExModels] (*PNP0A03) passed over: no VID_ in its hardware ID",
              }));
    EXPECT_EQ(Pairs(), (std::vector<std::string>{"1A2B/3C4D"}));
}

TEST_F(DriverPackageTest, AUtf16SetupDescriptionIsNoPackageForThe98Family)
{
    std::string utf16 = "\xFF\xFE";
    for (char c : ExamplePackage) {
        utf16 += c;
        utf16 += '\0';
    }
    for (OsClass osClass :
         {OsClass::Windows98, OsClass::WindowsMe, OsClass::Unsupported, OsClass::Windows2000, OsClass::WindowsXp}) {
        TestPlatform fresh;
        SetupSession s{fresh.platform};
        s.State.OsClass = osClass;
        s.State.ProgramFolder.Assign("C:\\PKG");
        fresh.files.AddFile("C:\\PKG\\EXDISK.IN_", utf16);
        fresh.files.AddFile("C:\\PKG\\EXDISK.SY_", "d");
        fresh.files.AddFile("C:\\PKG\\EXDISK.PDR", "p");
        std::string reason;
        PackageReadNotes notes;
        const bool windows98Family = osClass < OsClass::Windows2000;
        EXPECT_EQ(ReadPackage(s, reason, &notes), !windows98Family) << static_cast<int>(osClass) << reason;
        ASSERT_EQ(notes.candidates.size(), 1u);
        EXPECT_EQ(notes.candidates[0].second,
                  windows98Family ? PackageReadNotes::Candidate::Utf16On98Family : PackageReadNotes::Candidate::Taken)
            << static_cast<int>(osClass);
    }
}

TEST_F(DriverPackageTest, BrokenDeviceModelsFailWithoutAMessageButWithAReason)
{
    struct Case {
        std::string description;
        const char* reasonPart;
    };
    const Case cases[] = {
        {"[Version]\r\nSignature=$CHICAGO$\r\n" + Manufacturer + Models + SetupSection + Strings, "Provider"},
        {"[Version]\r\nSignature=$CHICAGO$\r\nProvider=ABCDEFGHIJKLMNOPQRST\r\n" + Manufacturer + Models +
             SetupSection + Strings,
         "Provider"},
        {Version + Models + SetupSection + Strings, "[Manufacturer]"},
        {Version + "[Manufacturer]\r\nM=ABCDEFGHIJKLMNOPQRST\r\n" + Models + SetupSection + Strings, "models section"},
        {Version + Manufacturer + SetupSection + Strings, "[ExModels]"},
        {WithModels("A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB\r\n"), "line 2"},
        {WithModels("A=InstA,USB\\VID_" + std::string(260, '1') + "\r\n"), "line 1"},
        {WithModels("A=ABCDEFGHIJKLMNOPQRST,USB\\VID_1A2B&PID_3C4D\r\n"), "install section"},
        {WithModels("A=,USB\\VID_1A2B&PID_3C4D\r\n"), "install section"},
    };
    for (const Case& c : cases) {
        TestPlatform fresh;
        SetupSession s{fresh.platform};
        s.State.ProgramFolder.Assign("C:\\PKG");
        fresh.files.AddFile("C:\\PKG\\EXDISK.IN_", c.description);
        fresh.files.AddFile("C:\\PKG\\EXDISK.SY_", "d");
        fresh.files.AddFile("C:\\PKG\\EXDISK.PDR", "p");
        std::string reason;
        EXPECT_FALSE(ReadPackage(s, reason)) << c.reasonPart;
        EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << reason;
        EXPECT_TRUE(fresh.view.transcript.empty()) << c.reasonPart;
    }
}

TEST_F(DriverPackageTest, OnlyTheFirstManufacturerLineCounts)
{
    AddPackage(Version + "[Manufacturer]\r\n%Maker%=ExModels\r\nOther=Missing\r\n" + Models + Install + SetupSection +
               Strings);
    ASSERT_TRUE(Read()) << failureReason;
    EXPECT_EQ(session.State.ModelsSectionName.view(), "ExModels");
}

TEST_F(DriverPackageTest, LocalizedStringsAreUsedOnWindows2000AndXpOnly)
{
    AddPackage(ExamplePackage + "\r\n[Strings.0411]\r\nEx.Desc=Japanese Disk\r\n");
    test.system.userLanguage = 0x0411;
    for (const OsClass osClass : {OsClass::Windows98, OsClass::Windows98SecondEdition, OsClass::WindowsMe,
                                  OsClass::Windows2000, OsClass::WindowsXp}) {
        session.State.HardwareIds.Release();
        session.State.OsClass = osClass;
        ASSERT_TRUE(Read());
        EXPECT_EQ(session.State.DeviceDescription.view(),
                  osClass >= OsClass::Windows2000 ? "Japanese Disk" : "Example USB Disk")
            << static_cast<int>(osClass);
    }
}

} // namespace
