// Directory searches: Windows' pattern rules, and names the system's search returns that the
// pattern does not take by their long name.
#include <gtest/gtest.h>

#include "fakes/FakeFileSystem.h"
#include "package/FileSearch.h"

using Strings = std::vector<std::string>;

TEST(FileSearchTest, PatternsMatchAsWindowsMatchesThem)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.in?", "EXDISK.IN_", true},
        {"*.in?", "exdisk.inf", true},
        {"*.in?", "A.IN", true},
        {"*.in?", "A.INFO", false},
        {"*.in?", "A.I", false},
        {"*.in?", "AIN_", false},
        {"*.in?", "A.IN.TXT", false},
        {"*.sy_", "USBDISK.SY_", true},
        {"*.sy_", "USBDISK.SYS", false},
        {"*.sy_", "x.sy_old", false},
        {"*.pdr", "EXDISK.PDR", true},
        {"*.INF", "a.b.inf", true},
        {"*.INF", "INF", false},
        {"oem*.inf", "oem3.inf", true},
        {"oem*.inf", "OEM.INF", true},
        {"oem*.inf", "oemDRIVER.INF", true},
        {"oem*.inf", "xoem3.inf", false},
        {"oem*.inf", "oem1.inf_old", false},
        {"*.*", "README", true},
        {"USBSTOR.INF", "usbstor.inf", true},
        {"USBSTOR.INF", "USBSTO~1.INF", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesSearchPattern(c.name, c.pattern), c.matches) << c.pattern << " " << c.name;
}

TEST(FileSearchTest, NamesFoundOnlyByTheirShortAliasArePassedOver)
{
    FakeFileSystem files;
    files.AddFile("C:\\PKG\\x.sy_old", "an older driver");
    files.SetShortName("C:\\PKG\\x.sy_old", "XSY_OL~1.SY_");
    files.AddFile("C:\\PKG\\EXDISK.SY_", "driver");
    files.AddFile("C:\\WINDOWS\\INF\\oem1.inf_old", "a saved copy");
    files.SetShortName("C:\\WINDOWS\\INF\\oem1.inf_old", "OEM1~1.INF");
    files.AddFile("C:\\WINDOWS\\INF\\OEM2.INF", "an installed copy");

    ASSERT_EQ(files.FindFiles("C:\\PKG\\*.sy_"), (Strings{"x.sy_old", "EXDISK.SY_"})); // as Windows XP answers
    EXPECT_EQ(FindMatchingFiles(files, "C:\\PKG\\*.sy_"), Strings{"EXDISK.SY_"});
    EXPECT_EQ(FindMatchingFiles(files, "C:\\WINDOWS\\INF\\OEM*.INF"), Strings{"OEM2.INF"});
}

namespace {
// A search that hands back whatever it is told to, as a broken or hostile file system might.
class ScriptedSearch : public FakeFileSystem {
public:
    Strings answer;
    Strings FindFiles(const std::string&) override { return answer; }
};
} // namespace

TEST(FileSearchTest, NamesThatAreNoEntryOfTheFolderArePassedOver)
{
    ScriptedSearch files;
    files.answer = {".", "..", "..\\EVIL.INF", "C:\\X.INF", "A/B.INF", "", "OEM5.INF"};
    EXPECT_EQ(FindMatchingFiles(files, "C:\\WINDOWS\\INF\\*.INF"), Strings{"OEM5.INF"});
}
