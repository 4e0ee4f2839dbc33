// The small rules of the shell: the silent switch, the OS classes, tokens, folders, upper case,
// record fields.
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/DialogStart.h"
#include "app/OsClass.h"
#include "fakes/ShiftJisCodePage.h"
#include "fakes/TestPlatform.h"
#include "records/FixedText.h"
#include "text/Paths.h"
#include "text/Texts.h"

TEST(SilentSwitch, SlashSInAnyCaseInTheArgumentsSelectsSilentMode)
{
    for (const char* commandLine :
         {"\"C:\\PKG\\SETUP.EXE\" /S", "setup.exe /s", "setup.exe /SILENT", "\"C:\\PKG\\SETUP.EXE\" /q /S /x",
          "\"C:\\PKG\\SETUP.EXE\"/s", "C:\\PKG\\SETUP.EXE\t/s", "setup.exe\t/s", "/S", "/s /q", "/q /S",
          "C:\\SETUPF~1\\SETUP.EXE\t/s", "setup/s", "SETUP.EXE/S", "C:\\PKG\\SETUP/s", "setup/q/s"})
        EXPECT_TRUE(HasSilentSwitch(commandLine, "C:\\PKG\\SETUP.EXE")) << commandLine;
    // The program's own path is never scanned, quoted or not; without a closing quote all of it is the path.
    for (const char* commandLine :
         {"\"C:\\my/stuff\\setup.exe\"", "C:/pkg2/Setup.exe", "\"C:/Setup files/Setup.exe\" /q", "C:/pkg2/Setup.exe /q",
          "\"C:/Setup files/Setup.exe", "\"C:\\PKG\\SETUP.EXE\"", "setup.exe -S \\S / S", "", "/Sub/SETUP.EXE /q",
          "/Sub/setup /q", "/q"})
        EXPECT_FALSE(HasSilentSwitch(commandLine, "C:\\PKG\\SETUP.EXE")) << commandLine;
    // Unquoted, with blanks, as CreateProcess passes a program's path on: the whole path is the
    // program's, however it is written.
    const std::string spaced = "C:\\Setup files\\Setup.exe";
    for (const std::string& path :
         {spaced, std::string("C:\\SETUP FILES\\SETUP.EXE"), std::string("C:/Setup files/Setup.exe")})
        for (const char* commandLine : {"C:/Setup files/Setup.exe", "c:\\setup files\\SETUP.EXE /q",
                                        "C:/Setup files/Setup /q", "/Setup files/Setup", "/Setup files/Setup.exe /q",
                                        "C:/Setup files/Setup", "C:/Setup files/Setup.exe\t/q"})
            EXPECT_FALSE(HasSilentSwitch(commandLine, path)) << commandLine << " " << path;
    // Relative too, from the folder above or beside it; a word of the path that reads as the
    // program's name ("Setup" of "Setup files") ends nothing.
    for (const char* commandLine : {"../Setup files/Setup.exe", "Setup files/Setup", "./../Setup files/SETUP.exe\t/q",
                                    "x/../Setup files/Setup.exe", "x\\..\\Setup files/./Setup"})
        EXPECT_FALSE(HasSilentSwitch(commandLine, spaced)) << commandLine;
    for (const char* commandLine :
         {"C:/Setup files/Setup.exe /s", "C:/Setup files/Setup /s", "\\Setup files\\Setup.exe /s",
          "../Setup files/Setup.exe /s", "Setup files/Setup /s", "Setup /s"})
        EXPECT_TRUE(HasSilentSwitch(commandLine, spaced)) << commandLine;
}

TEST(OsClassification, VersionTableWithTheLowWordOfTheBuild)
{
    // 98 reports 4.10 in the high word of its build: 0x040A07CE is build 1998.
    const std::pair<OsClass, std::vector<SystemVersion>> classes[] = {
        {OsClass::Windows98, {{4, 10, 1998}, {4, 10, 2221}, {4, 10, 0x040A07CE}}},
        {OsClass::Windows98SecondEdition, {{4, 10, 2222}, {4, 10, 0x040A08AE}, {4, 10, 2999}}},
        {OsClass::WindowsMe, {{4, 10, 3000}, {4, 10, 0xFFFF}, {4, 10, 0x0001FFFF}, {4, 90, 0}, {4, 90, 0x045A0BB8}}},
        {OsClass::Windows2000, {{5, 0, 2195}}},
        {OsClass::WindowsXp, {{5, 1, 2600}}},
        {OsClass::Unsupported,
         {{4, 10, 1997},
          {4, 10, 0x00010000},
          {4, 0, 950},
          {4, 0, 2222},
          {4, 11, 2222},
          {5, 2, 3790},
          {6, 0, 6000},
          {3, 10, 2222}}}};
    for (const auto& [osClass, versions] : classes) {
        for (const SystemVersion& v : versions)
            EXPECT_EQ(ClassOfVersion(v), osClass) << v.Major << "." << v.Minor << " build " << v.Build;
    }
}

TEST(TokenReplacement, EachOccurrenceOnceWithoutRescanning)
{
    EXPECT_EQ(ReplaceEachOnce("no tokens here", "#DEV_NAME#", "Disk"), "no tokens here");
    EXPECT_EQ(ReplaceEachOnce("#DEV_NAME# and #DEV_NAME##DEV_NAME#", "#DEV_NAME#", "Disk"), "Disk and DiskDisk");
    EXPECT_EQ(ReplaceEachOnce("a #DEV_NAME# b", "#DEV_NAME#", "x#DEV_NAME#y"), "a x#DEV_NAME#y b");
    EXPECT_EQ(ReplaceEachOnce("##DEV_NAME#DEV_NAME#", "#DEV_NAME#", "-"), "#-DEV_NAME#");
    EXPECT_EQ(ReplaceEachOnce("#DEV_NAME#", "#DEV_NAME#", ""), "");
}

TEST(ProgramFolder, CutAtTheLastBackslashCharacter)
{
    Latin1CodePage latin1;
    EXPECT_EQ(FolderOfProgram("A:\\SETUP.EXE", latin1), "A:");
    EXPECT_EQ(FolderOfProgram("C:\\Drivers\\Disk\\Setup.exe", latin1), "C:\\Drivers\\Disk");
    EXPECT_EQ(FolderOfProgram("\\\\server\\share\\Setup.exe", latin1), "\\\\server\\share");
    EXPECT_EQ(FolderOfProgram("SETUP.EXE", latin1), "SETUP.EXE");
    EXPECT_EQ(FolderOfProgram("", latin1), "");

    // In code page 932 the character 0x95 0x5C ends in a byte equal to a backslash.
    ShiftJisCodePage japanese;
    EXPECT_EQ(FolderOfProgram("C:\\\x95\x5C\\SETUP.EXE", japanese), "C:\\\x95\x5C");
    EXPECT_EQ(FolderOfProgram("C:\\\x95\x5CSETUP.EXE", japanese), "C:");
    EXPECT_EQ(FolderOfProgram("C:\\\x95\x5C\\SETUP.EXE", latin1), "C:\\\x95\x5C");
    EXPECT_EQ(FolderOfProgram("C:\\\x95\x5CSETUP.EXE", latin1), "C:\\\x95");
}

TEST(ProgramFolder, JoiningLooksAtTheLastCharacterNotTheLastByte)
{
    ShiftJisCodePage japanese;
    std::string path;
    ASSERT_TRUE(JoinPath(japanese, "C:\\\x95\x5C", "*.in?", path));
    EXPECT_EQ(path, "C:\\\x95\x5C\\*.in?");
    ASSERT_TRUE(JoinPath(japanese, "C:\\\x95\x5C\\", "X", path));
    EXPECT_EQ(path, "C:\\\x95\x5C\\X");
    ASSERT_TRUE(JoinPath(japanese, "A:", "X", path));
    EXPECT_EQ(path, "A:\\X");
    EXPECT_FALSE(JoinPath(japanese, std::string(250, 'a'), "123456789", path));
    EXPECT_EQ(path, "A:\\X");
    ASSERT_TRUE(JoinPath(japanese, std::string(249, 'a'), "123456789", path)); // 259 characters fit
    EXPECT_EQ(path.size(), MaxPathLength);
    ASSERT_TRUE(FormatPath("%s\\%s", {std::string(249, 'a'), "123456789"}, path)); // so do formatted paths
    EXPECT_EQ(path.size(), MaxPathLength);
    EXPECT_FALSE(FormatPath("%s\\%s", {std::string(250, 'a'), "123456789"}, path));
}

TEST(UpperCasing, OnlyTheAsciiLettersChange)
{
    EXPECT_EQ(ToUpperAscii("`az{@AZ[\xe9\x95\x61"), "`AZ{@AZ[\xe9\x95\x41");
}

// A record field takes a value only when it fits with its terminator and holds no NUL; otherwise
// the old value stays, never cut short.
TEST(RecordFields, AValueThatDoesNotFitLeavesTheOldOne)
{
    FixedText<5> field;
    ASSERT_TRUE(field.Assign("1A2B"));
    for (const std::string_view refused : {std::string_view("1A2B3"), std::string_view("1A\0B", 4)})
        EXPECT_FALSE(field.Assign(refused)) << refused.size();
    EXPECT_EQ(field.view(), "1A2B");
}
