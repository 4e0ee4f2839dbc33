// Directory searches: Windows' pattern rules, and names the system's search returns that are no
// entry of the folder or that the pattern does not take by their long name.
#include <gtest/gtest.h>

#include "fakes/ShiftJisCodePage.h"
#include "fakes/TestPlatform.h"
#include "files/FileSteps.h"
#include "package/FileSearch.h"

using Strings = std::vector<std::string>;

TEST(FileSearchTest, PatternsMatchAsWindowsMatchesThem)
{
    struct Case {
        const char* pattern;
        Strings matching, other;
    };
    const Case cases[] = {
        {"*.in?", {"EXDISK.IN_", "exdisk.inf", "A.IN"}, {"A.INFO", "A.I", "AIN_", "A.IN.TXT"}},
        {"*.sy_", {"USBDISK.SY_"}, {"USBDISK.SYS", "x.sy_old"}},
        {"*.INF", {"a.b.inf"}, {"INF"}},
        {"oem*.inf", {"oem3.inf", "OEM.INF", "oemDRIVER.INF"}, {"xoem3.inf", "oem1.inf_old"}},
        {"*.*", {"README"}, {}},
        {"USBSTOR.INF", {"usbstor.inf"}, {"USBSTO~1.INF"}},
    };
    for (const Case& c : cases) {
        for (const std::string& name : c.matching) EXPECT_TRUE(MatchesSearchPattern(name, c.pattern)) << name;
        for (const std::string& name : c.other) EXPECT_FALSE(MatchesSearchPattern(name, c.pattern)) << name;
    }
}

TEST(FileSearchTest, NamesThatAreNoEntryOfTheFolderOrMatchOnlyByTheirShortAliasArePassedOver)
{
    // Windows 2000 and XP match the 8.3 alias too: "OEM5.INF_OLD" is found as OEM5~1.INF.
    struct ScriptedSearch : FakeFileSystem {
        Strings FindFiles(const std::string&) override
        {
            return {".", "..", "..\\EVIL.INF", "C:\\X.INF", "A/B.INF", "C:X.INF", "", "OEM5.INF_OLD", "OEM5.INF"};
        }
    } files;
    EXPECT_EQ(FindMatchingFiles(files, Latin1CodePage(), "C:\\WINDOWS\\INF\\*.INF"), Strings{"OEM5.INF"});
}

// In code page 932 the second byte of ソ (83 5C) is the backslash's: such names are found, by the
// searches of the package and of the installed copies, and by a file's whole path.
TEST(FileSearchTest, ADoubleByteCharacterEndingInABackslashByteIsPartOfTheName)
{
    const std::string sony = "\x83\x5C\x83\x6A\x81\x5B"; // ソニー
    struct ScriptedSearch : FakeFileSystem {
        Strings names;
        Strings FindFiles(const std::string&) override { return names; }
    } files;
    files.names = {sony + "EXDISK.INF", "A\\B.INF"};
    EXPECT_EQ(FindMatchingFiles(files, ShiftJisCodePage(), "C:\\WINDOWS\\INF\\OTHER\\*.INF"),
              Strings{sony + "EXDISK.INF"});
    EXPECT_EQ(FindMatchingFiles(files, Latin1CodePage(), "C:\\WINDOWS\\INF\\OTHER\\*.INF"), Strings{});

    files.names = {"\x95\x5C.SYS"}; // 表.SYS
    EXPECT_TRUE(Exists(files, "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\\x95\x5C.SYS"));
    EXPECT_FALSE(Exists(files, "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\X\x95\x5C.SYS"));
    files.names = {"x.sy_old"}; // found by its 8.3 alias
    EXPECT_FALSE(Exists(files, "C:\\WINDOWS\\X~1.SY_"));
    files.names = {"usbstor.inf"}; // as the folder spells it
    EXPECT_TRUE(Exists(files, "C:\\WINDOWS\\INF\\USBSTOR.INF"));
}
