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
        Strings matching;
        Strings other;
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

TEST(FileSearchTest, NamesFoundOnlyByTheirShortAliasArePassedOver)
{
    FakeFileSystem files;
    files.AddFile("C:\\PKG\\x.sy_old", "an older driver");
    files.SetShortName("C:\\PKG\\x.sy_old", "XSY_OL~1.SY_");
    files.AddFile("C:\\PKG\\EXDISK.SY_", "driver");
    ASSERT_EQ(files.FindFiles("C:\\PKG\\*.sy_"), (Strings{"x.sy_old", "EXDISK.SY_"})); // as Windows XP answers
    EXPECT_EQ(FindMatchingFiles(files, "C:\\PKG\\*.sy_"), Strings{"EXDISK.SY_"});
}

namespace {
// A search that hands back whatever it is told to, as a broken or hostile file system might.
class ScriptedSearch : public FakeFileSystem {
public:
    Strings FindFiles(const std::string&) override
    {
        return {".", "..", "..\\EVIL.INF", "C:\\X.INF", "A/B.INF", "", "OEM5.INF"};
    }
};
} // namespace

TEST(FileSearchTest, NamesThatAreNoEntryOfTheFolderArePassedOver)
{
    ScriptedSearch files;
    EXPECT_EQ(FindMatchingFiles(files, "C:\\WINDOWS\\INF\\*.INF"), Strings{"OEM5.INF"});
}
