// Reading a driver package: the setup description's search, its [Setup] keys, the device
// model and the driver files, with the messages of each failure.
#include <gtest/gtest.h>

#include "app/PackageMessage.h"
#include "app/SetupPhases.h"
#include "fakes/ExamplePackage.h"
#include "fakes/FailingAllocations.h"
#include "package/DriverPackage.h"

std::ostream& operator<<(std::ostream& out, const PackageNote& note)
{
    return out << "{kind " << static_cast<int>(note.kind) << ", line " << note.line << ", \"" << note.text << "\"}";
}

namespace {

using example::Section;
using Strings = std::vector<std::string>;
using Kind = PackageNote::Kind;
using Notes = std::vector<PackageNote>;

const std::string TableTitle = "NORVALE PocketVault Win98 Driver Setup Utility";

// The read as the dialog's start makes it: the brand from the string table, the package reader,
// then the message it names.
struct PackageRead : example::Machine {
    PackageNote failure;
    PackageReadNotes notes;

    explicit PackageRead(OsClass osClass = OsClass::Windows98SecondEdition) : Machine(osClass)
    {
        session.Brand = {view.LoadText(IDS_APP_TITLE), view.LoadText(IDS_DEVICE_NAME), view.LoadText(IDS_ABOUT_TEXT),
                         view.LoadText(IDS_LINK_TEXT)};
    }
    bool Read()
    {
        return ShowPackageMessage(
            session, ReadDriverPackage(InfReadingOf(platform), session.State, session.Brand, failure, &notes));
    }
    // The read of the package with this setup description beside the program.
    bool Read(const std::string& description)
    {
        AddPackage(description);
        return Read();
    }
    Strings Pairs() const
    {
        Strings pairs;
        for (const HardwareIdEntry& entry : session.State.HardwareIds)
            pairs.push_back(entry.VidText.str() + "/" + entry.PidText.str());
        return pairs;
    }
};

std::string WithSetup(const std::string& setupLines)
{
    return example::SetupDescription{.setup = Section("Setup", setupLines)}.Text();
}

std::string WithModels(const std::string& modelLines, const std::string& setupLines = "FDDInf=F.IN_\r\n")
{
    return example::SetupDescription{.models = Section("ExModels", modelLines), .setup = Section("Setup", setupLines)}
        .Text();
}

TEST(DriverPackage, ReadsTheExamplePackage)
{
    // Any *.in? is a setup description, and the first with a [Setup] section in search order is
    // taken: one without it found earlier is passed over. A folder at a drive root is joined with
    // one backslash. Only the first line of [Manufacturer] names the models section, and only the
    // first SetupName line counts.
    const std::string twoMakers =
        example::SetupDescription{.manufacturer = Section("Manufacturer", "%Maker%=ExModels\r\nO=Other\r\n")}.Text() +
        "\r\n[Setup]\r\nSetupName=Second\r\n[Other]\r\nO=OInstall,USB\\VID_9999&PID_8888\r\n";
    const std::tuple<const char*, std::string, std::string> places[] = {
        {"C:\\PKG", "C:\\PKG\\EXDISK.IN_", example::Inf},
        {"A:", "A:\\SETUP.INF", example::Inf},
        {"A:\\", "A:\\SETUP.INF", twoMakers}};
    for (const auto& [folder, path, description] : places) {
        PackageRead m;
        m.session.State.ProgramFolder.Assign(folder);
        const std::string at = path.substr(0, path.rfind('\\') + 1);
        m.files.AddFile(at + "PLAIN.INF", example::SetupDescription{.setup = ""}.Text());
        m.AddPackage(description, path);
        m.files.AddFile(at + "LATER.IN_", example::Inf);
        ASSERT_TRUE(m.Read()) << folder << m.failure;
        const SetupState& s = m.session.State;
        const BrandStrings& b = m.session.Brand;
        EXPECT_EQ(
            (Strings{s.SetupFileName.str(), s.MpdInfName.str(), s.FddInfName.str(), std::to_string(s.Win98Only),
                     s.ProviderName.str(), s.ModelsSectionName.str(), s.TargetVidText.str() + s.TargetPidText.str(),
                     s.DeviceDescription.str(), s.DeviceDisplayName.str(), s.InstallSectionName.str(),
                     s.DriverFileName.str(), s.PortDriverFileName.str(), b.AppTitle, b.DeviceName, b.AboutText}),
            (Strings{path.substr(path.rfind('\\') + 1), "", "EXFLOP.IN_", "1", "Example Maker", "ExModels", "1A2B3C4D",
                     "Example USB Disk", "Example Disk", "ExInstall", "EXDISK.SY_", "EXDISK.PDR", "Example Disk Setup",
                     "Example Disk", "Example Disk Setup  Driver setup utility for USB flash disks."}));
        EXPECT_EQ(m.Pairs(), (Strings{"1A2B/3C4D", "1A2B/3C4E"}));
        EXPECT_TRUE(m.view.transcript.empty());
    }
}

TEST(DriverPackage, MissingSetupDescriptionsAreReportedWithTheTableTitleButNotInASilentRun)
{
    for (bool silent : {false, true}) {
        PackageRead m;
        m.session.Silent = silent;
        m.files.AddFile("C:\\PKG\\EXDISK.SY_", "driver");
        EXPECT_FALSE(m.Read());
        m.files.AddFile("C:\\PKG\\NOTES.INI", "[Settings]\r\nA=1\r\n");
        m.files.AddFile("C:\\PKG\\OTHER.INF", example::SetupDescription{}.version + "[Setup]\r\n\r\n[Strings]\r\n");
        m.files.AddFile("C:\\PKG\\README.IN_", "plain text, no sections");
        m.files.AddFile("C:\\PKG\\A_VERY_LONG_NAME_123.IN_", example::Inf); // 24 characters: no fit
        EXPECT_FALSE(m.Read());
        EXPECT_EQ(m.view.transcript,
                  (silent ? Strings{}
                          : Strings{"message [" + TableTitle + "] INF file not found ! flags 16",
                                    "message [" + TableTitle +
                                        "] Main .in_ file with [Setup] section is not found ! flags 16"}));
        EXPECT_EQ(m.session.State.SetupFileName.view(), "");
        using C = PackageReadNotes::Candidate;
        EXPECT_EQ(m.notes.candidates,
                  (std::vector<std::pair<std::string, C>>{{"NOTES.INI", C::NotAnInf},
                                                          {"OTHER.INF", C::NoSetupSection},
                                                          {"README.IN_", C::NotAnInf},
                                                          {"A_VERY_LONG_NAME_123.IN_", C::NameTooLong}}));
        EXPECT_EQ(m.failure.kind, Kind::NoUsableSetupDescription);
    }
}

TEST(DriverPackage, ASetupDescriptionWhoseLinesCouldNotBeReadIsUnreadable)
{
    // Memory runs out after the description's bytes are read: as the 100,000 lines of [Setup]
    // or of [Strings] are read, or as the pairs of 100,000 model lines are listed.
    std::string lines;
    for (int i = 0; i < 100'000; ++i) lines += "%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C4D\r\n";
    const example::SetupDescription example;
    for (const std::string& description :
         {WithModels("%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C4D\r\n", lines + "FDDInf=F.IN_\r\n"),
          example::SetupDescription{.strings = example.strings + lines}.Text(), WithModels(lines)}) {
        for (const bool memoryRunsOut : {false, true}) {
            PackageRead m;
            m.AddPackage(description);
            bool read = false;
            {
                FailingAllocations failing(memoryRunsOut ? 1024 * 1024 : SIZE_MAX, 1);
                read = m.Read();
            }
            EXPECT_EQ(read, !memoryRunsOut);
            EXPECT_EQ(m.failure.kind, memoryRunsOut ? Kind::NoUsableSetupDescription : Kind::None);
            EXPECT_EQ(m.view.transcript, memoryRunsOut
                                             ? Strings{"message [" + TableTitle +
                                                       "] Main .in_ file with [Setup] section is not found ! flags 16"}
                                             : Strings{});
        }
    }
}

TEST(DriverPackage, NamesFromThePackageReplaceTheTableTextsOnlyWhenTheyFit)
{
    const std::string fits(63, 'n');
    PackageRead m;
    ASSERT_TRUE(m.Read(WithSetup("FDDInf=F.IN_\r\nSetupName=" + fits + "\r\nSetupDeviceDesc=" + fits + "x\r\n")));
    EXPECT_EQ(m.session.Brand.AppTitle, fits);
    EXPECT_EQ(m.session.Brand.DeviceName, "PocketVault");
    EXPECT_EQ(m.session.State.DeviceDisplayName.view(), "Example USB Disk");
    EXPECT_EQ(m.notes.remarks, (Notes{{Kind::SetupDeviceDescTooLong, 0, {}}}));

    PackageRead tooLong; // and the other way round
    ASSERT_TRUE(tooLong.Read(WithSetup("FDDInf=F.IN_\r\nSetupName=" + fits + "x\r\nSetupDeviceDesc=" + fits + "\r\n")));
    EXPECT_EQ(std::tuple(tooLong.session.Brand.DeviceName, tooLong.session.State.DeviceDisplayName.str()),
              std::tuple(fits, fits));
    EXPECT_EQ(tooLong.session.Brand.AppTitle, TableTitle);
    EXPECT_EQ(tooLong.session.Brand.AboutText, "About text");
    EXPECT_EQ(tooLong.notes.remarks, (Notes{{Kind::SetupNameTooLong, 0, {}}}));
}

TEST(DriverPackage, DriverFilesAreTheFirstFittingMatchesAndTheirMessagesCarryThePackageTitle)
{
    PackageRead m;
    m.files.AddFile("C:\\PKG\\EXDISK.IN_", example::Inf);
    m.files.AddFile("C:\\PKG\\MANUAL.PDF", "no port driver");
    EXPECT_FALSE(m.Read());
    EXPECT_EQ(m.failure.kind, Kind::NoDriverFile);
    m.files.AddFile("C:\\PKG\\A_DRIVER_WITH_A_LONG.SY_", "d"); // 24 characters: passed over
    m.files.AddFile("C:\\PKG\\EMPTY.SY_", "");                 // no driver at all: passed over
    m.files.AddFile("C:\\PKG\\EXDISK.SYS", "d");               // unpacked: no package's driver
    m.files.AddFolder("C:\\PKG\\OLD.SY_");                     // a folder: passed over
    EXPECT_FALSE(m.Read());
    m.files.AddFile("C:\\PKG\\SECOND.SY_", "d"); // found before FIRST.SY_
    m.files.AddFile("C:\\PKG\\FIRST.SY_", "d");
    m.files.AddFile("C:\\PKG\\EMPTY.PDR", "");
    m.files.AddFolder("C:\\PKG\\OLD.PDR");
    EXPECT_FALSE(m.Read());
    EXPECT_EQ(m.session.State.DriverFileName.view(), "SECOND.SY_");
    EXPECT_EQ(m.view.transcript, (Strings{"message [Example Disk Setup] SYS(SY_) file not found ! flags 16",
                                          "message [Example Disk Setup] SYS(SY_) file not found ! flags 16",
                                          "message [Example Disk Setup] MPD file not found ! flags 16"}));
    EXPECT_EQ(m.failure.kind, Kind::NoPortDriver);
    m.files.AddFile("C:\\PKG\\PORT.PDR", "p");
    EXPECT_TRUE(m.Read());
    EXPECT_EQ(m.failure.kind, Kind::None);
    EXPECT_EQ(m.session.State.PortDriverFileName.view(), "PORT.PDR");
}

TEST(DriverPackage, ModelLinesGivePairsAndTheTarget)
{
    struct Case {
        std::string models;
        std::string target; // TargetID's value; no line when empty
        std::string read;   // the pairs -> the target's description and install section
    };
    const Case cases[] = {
        {"A=InstA,USB\\VID_1A2B&PID_3C4D&REV_0100", "", "1A2B/3C4D -> A,InstA"},
        {"A=InstA,USB\\VID_1A2B&VID_9999&PID_3C4D", "", "1A2B/3C4D -> A,InstA"}, // the first VID_ counts
        {"A=InstA,VID_1A2B&PID_3C4D", "", "1A2B/3C4D -> A,InstA"},
        // Lines without VID_ (which is written in upper case), or without four characters after
        // VID_ and PID_, add nothing; any of them taken would add a pair or be the target.
        {"P=InstP,*PNP0A03\r\nL=InstL,usb\\vid_1a2b&pid_3c4d\r\nV=InstV,USB\\VID_1A2B\r\nV=InstV,USB\\VID_1A2B&PID_\r\n"
         "W=InstW,USB\\PID_3C4E&VID_\r\nA=InstA,USB\\VID_12&PID_3456\r\nT=InstT,USB\\VID_1A2B&PID_3\r\n"
         "B=InstB,USB\\VID_1A2B&PID_3C4E",
         "", "1A2B/3C4E -> B,InstB"},
        {"A=InstA,USB\\VID_1A2G&PID_3C4D\r\nB=InstB,USB\\VID_1a2b&PID_3c4e&REV_01", "", "1a2b/3c4e -> B,InstB"},
        {"A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_3C4D", "", "1A2B/3C4D 1A2B/3C4D -> A,InstA"},
        {"A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_3C4E", "1A2B3C4E",
         "1A2B/3C4D 1A2B/3C4E -> B,InstB"},
        {"A=InstA,USB\\VID_1A2B&PID_3C4D", "9999AAAA", "1A2B/3C4D -> ,"},
        {"A=InstA,USB\\VID_1A2B&PID_3C4D", "1a2b3c4d", "1A2B/3C4D -> A,InstA"},
        // The target's digits elsewhere in an ID do not name it.
        {"A=InstA,USB\\VID_1A2B&PID_3C4E&REV_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_3C4D", "1A2B3C4D",
         "1A2B/3C4E 1A2B/3C4D -> B,InstB"},
        // A target of seven characters, or not hexadecimal, counts as absent.
        {"A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_993C", "1A2B993",
         "1A2B/3C4D 1A2B/993C -> A,InstA"},
        {"A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_XY2B&PID_3C4E", "XY2B3C4E", "1A2B/3C4D -> A,InstA"},
        {"A=InstA,USB\\VID_1A2B&PID_3C4D", "1A2B3C4G", "1A2B/3C4D -> A,InstA"},
        {"A=InstA,USB\\VID_1A2B&PID_3C4D", "G1A2B3C4", "1A2B/3C4D -> A,InstA"},
        // A description or install name too long for the record waits for a later line of the target.
        {"%Long%=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB,USB\\VID_1A2B&PID_3C4D", "", "1A2B/3C4D 1A2B/3C4D -> B,InstA"},
        {"A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=ABCDEFGHIJKLMNOPQRSTU,USB\\VID_1A2B&PID_9999", "",
         "1A2B/3C4D 1A2B/9999 -> A,InstA"},
    };
    for (const Case& c : cases) {
        PackageRead m;
        const std::string target = c.target.empty() ? "" : "TargetID=" + c.target + "\r\n";
        ASSERT_TRUE(m.Read(WithModels(c.models + "\r\n", "FDDInf=F.IN_\r\n" + target) + "Long=" + std::string(64, 'd')))
            << c.models << ": " << m.failure;
        const SetupState& s = m.session.State;
        std::string pairs;
        for (const std::string& pair : m.Pairs()) pairs += pair + " ";
        EXPECT_EQ(pairs + "-> " + s.DeviceDescription.str() + "," + s.InstallSectionName.str(), c.read) << c.models;
        EXPECT_EQ(s.DeviceDisplayName.view(), s.DeviceDescription.view());
    }
}

TEST(DriverPackage, LinesPassedOverAndATargetTakenAsAbsentAreNoted)
{
    PackageRead m;
    ASSERT_TRUE(
        m.Read(WithModels("A=InstA,USB\\VID_1A2B&PID_3\r\nB=InstB,*PNP0A03\r\nC=InstC,USB\\VID_1A2B&PID_3C4D\r\n"
                          "D=InstD,USB\\VXD_1A2B&PID_3C4E\r\nE=InstE,USB\\VID_1A2B&REV_0100\r\n",
                          "FDDInf=F.IN_\r\nTargetID=1A2B3C4\r\n")))
        << m.failure;
    EXPECT_EQ(m.notes.remarks, (Notes{{Kind::TargetIdNotHex, 0, "1A2B3C4"},
                                      {Kind::PidNotHex, 1, "USB\\VID_1A2B&PID_3"},
                                      {Kind::NoVidMarker, 2, "*PNP0A03"},
                                      {Kind::NoVidMarker, 4, "USB\\VXD_1A2B&PID_3C4E"},
                                      {Kind::NoPidMarker, 5, "USB\\VID_1A2B&REV_0100"}}));
}

TEST(DriverPackage, AUnicodeSetupDescriptionIsNoPackageForThe98Family)
{
    using Candidate = PackageReadNotes::Candidate;
    for (const std::string& file : {example::Utf16File(example::Inf), "\xEF\xBB\xBF" + example::Inf}) {
        for (OsClass osClass :
             {OsClass::Windows98, OsClass::WindowsMe, OsClass::Unsupported, OsClass::Windows2000, OsClass::WindowsXp}) {
            PackageRead m(osClass);
            const bool windows98Family = osClass < OsClass::Windows2000;
            EXPECT_EQ(m.Read(file), !windows98Family) << static_cast<int>(osClass) << m.failure;
            ASSERT_EQ(m.notes.candidates.size(), 1u);
            EXPECT_EQ(m.notes.candidates[0].second, windows98Family ? Candidate::UnicodeOn98Family : Candidate::Taken);
        }
    }
}

// Setup keys that fit: 19 characters, a key with itself as its value, an empty value; a Win98Only
// that is no number keeps the default of 1 (the INF reader's tests have the numbers it reads).
// Broken ones, and broken device models, fail without a message but saying what is broken.
TEST(DriverPackage, SetupKeysAndDeviceModelsThatFitAreReadAndBrokenOnesFailWithAReason)
{
    using Description = example::SetupDescription;
    const std::tuple<std::string, Kind, int> cases[] = {
        {WithSetup("FDDInf=ABCDEFGHIJKLMNO.IN_\r\nWin98Only=no\r\nMPDInf=ABCDEFGHIJKLMNOPQRS\r\n"), Kind::None, 0},
        {WithSetup("FDDInf=F.IN_\r\nMPDInf\r\n"), Kind::None, 0},
        {WithSetup("FDDInf=\r\n"), Kind::None, 0},
        {WithSetup("FDDInf=F.IN_\r\nMPDInf=ABCDEFGHIJKLMNOPQRST\r\n"), Kind::MpdInfTooLong, 0}, // 20 do not fit
        {WithSetup("MPDInf=M.IN_\r\nSetupName=S\r\n"), Kind::NoFddInf, 0},                      // the title stays
        {WithSetup("FDDInf=ABCDEFGHIJKLMNOPQRST\r\n"), Kind::FddInfTooLong, 0},
        {Description{.version = Section("Version", "Signature=$CHICAGO$\r\n")}.Text(), Kind::NoProvider, 0},
        {Description{.version = Section("Version", "Signature=$CHICAGO$\r\nProvider=ABCDEFGHIJKLMNOPQRST\r\n")}.Text(),
         Kind::ProviderTooLong, 0},
        {Description{.manufacturer = ""}.Text(), Kind::NoManufacturer, 0},
        {Description{.manufacturer = Section("Manufacturer", "M=ABCDEFGHIJKLMNOPQRST\r\n")}.Text(),
         Kind::NoModelsSectionName, 0},
        {Description{.models = ""}.Text(), Kind::NoModelLines, 0},
        {WithModels("; no model yet\r\n"), Kind::NoModelLines, 0},
        {WithModels("A=InstA,USB\\VID_1A2B&PID_3C4D\r\nB=InstB\r\n"), Kind::NoHardwareId, 2},
        {WithModels("A=InstA,USB\\VID_" + std::string(248, '1') + "\r\n"), Kind::NoHardwareId, 1}, // 256
        // 19 characters fit each 20-wide read, and 255 the hardware ID's.
        {Description{.version = Section("Version", "Signature=$CHICAGO$\r\nProvider=ABCDEFGHIJKLMNOPQRS\r\n"),
                     .manufacturer = Section("Manufacturer", "M=ABCDEFGHIJKLMNOPQRS\r\n"),
                     .models = Section("ABCDEFGHIJKLMNOPQRS", "A=ABCDEFGHIJKLMNOPQRS,USB\\VID_1A2B&PID_3C4D&" +
                                                                  std::string(233, 'r') + "\r\n")}
             .Text(),
         Kind::None, 0},
        {WithModels("A=ABCDEFGHIJKLMNOPQRST,USB\\VID_1A2B&PID_3C4D\r\n"), Kind::NoInstallSection, 1},
        {WithModels("B=InstB,USB\\VID_1A2B&PID_3C4E\r\nA=,USB\\VID_1A2B&PID_3C4D\r\n",
                    "FDDInf=F.IN_\r\nTargetID=1A2B3C4D\r\n"),
         Kind::NoInstallSection, 2},
    };
    for (const auto& [description, kind, line] : cases) {
        PackageRead m;
        EXPECT_EQ(m.Read(description), kind == Kind::None) << description << m.failure;
        EXPECT_EQ(m.failure, (PackageNote{kind, line, {}})) << description;
        EXPECT_TRUE(m.view.transcript.empty()) << description;
        EXPECT_TRUE(kind != Kind::None || m.session.State.Win98Only == 1) << description;
        EXPECT_TRUE(kind == Kind::None || m.session.Brand.AppTitle == TableTitle) << description;
    }
}

// The directory ids name the system's own folders: the Windows folder as given, "system" on the 98
// family, "system32" on 2000 and XP.
TEST(DriverPackage, DirectoryIdsNameTheSystemsOwnFolders)
{
    for (const auto& [osClass, system] : {std::pair{OsClass::WindowsMe, "C:\\WINDOWS\\system"},
                                          std::pair{OsClass::WindowsXp, "C:\\WINDOWS\\system32"}}) {
        PackageRead m(osClass);
        ASSERT_TRUE(m.Read(WithSetup("FDDInf=F.IN_\r\nSetupDeviceDesc=%10%|%11%|%12%\r\n"))) << m.failure;
        EXPECT_EQ(m.session.State.DeviceDisplayName.str(),
                  "C:\\WINDOWS|" + std::string(system) + "|" + system + "\\drivers");
    }
}

// The user's [Strings.LLLL], its name in any case, where a string is in it; [Strings] for the rest.
TEST(DriverPackage, TheUsersLocalizedStringsAreUsedOnWindows2000AndXpOnly)
{
    for (const OsClass osClass : {OsClass::Windows98, OsClass::Windows98SecondEdition, OsClass::WindowsMe,
                                  OsClass::Windows2000, OsClass::WindowsXp}) {
        for (const std::uint16_t language : {0x0411, 0x0409}) {
            PackageRead m(osClass);
            m.system.userLanguage = language;
            ASSERT_TRUE(m.Read(example::Inf + Section("strings.0411", "Ex.Desc=Japanese Disk\r\n")));
            EXPECT_EQ(m.session.State.DeviceDescription.view(),
                      osClass >= OsClass::Windows2000 && language == 0x0411 ? "Japanese Disk" : "Example USB Disk")
                << static_cast<int>(osClass) << " " << language;
            EXPECT_EQ(m.session.State.ProviderName.view(), "Example Maker");
        }
    }
}

} // namespace
