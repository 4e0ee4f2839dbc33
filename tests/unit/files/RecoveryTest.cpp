// Recovery before a job: what an interrupted run left under backup or sibling names comes back,
// and nothing of anyone else's is touched.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/TestPlatform.h"
#include "files/Recovery.h"

namespace {

using Names = std::vector<std::string>;

struct RecoveryCase {
    const char* name;
    OsClass osClass;
    std::vector<std::pair<std::string, std::string>> before; // file name in C:\WINDOWS\INF, contents
    std::vector<std::pair<std::string, std::string>> after;
};

Names Sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(RecoveryTest, InterruptedStatesComeBackWhole)
{
    const RecoveryCase cases[] = {
        {"XP: the USB storage INF only under its backup names",
         OsClass::WindowsXp,
         {{"USBSTOR.IQ7", "inf"}, {"USBSTOR.PQ7", "pnf"}},
         {{"USBSTOR.INF", "inf"}, {"USBSTOR.PNF", "pnf"}}},
        {"XP: both names: the system's file stays, the stale backup goes",
         OsClass::WindowsXp,
         {{"USBSTOR.INF", "new"}, {"USBSTOR.IQ7", "old"}},
         {{"USBSTOR.INF", "new"}}},
        {"98: the driver database only under its backup names",
         OsClass::Windows98,
         {{"DRVIDX.Q7", "index"}, {"DRVDATA.Q7", "data"}},
         {{"DRVDATA.BIN", "data"}, {"DRVIDX.BIN", "index"}}},
        {"XP: cut off after writing the edited sibling",
         OsClass::WindowsXp,
         {{"oemEXDISK.INF", "copy"}, {"oemEXDISK.IN$", "half"}},
         {{"oemEXDISK.INF", "copy"}}},
        {"XP: cut off between the two renames",
         OsClass::WindowsXp,
         {{"oemEXDISK.IN~", "copy"}, {"oemEXDISK.IN$", "edited"}},
         {{"oemEXDISK.INF", "copy"}}},
        {"XP: cut off before the saved copy was deleted",
         OsClass::WindowsXp,
         {{"oemEXDISK.INF", "edited"}, {"oemEXDISK.IN~", "copy"}},
         {{"oemEXDISK.INF", "edited"}}},
        {"XP: other programs' files with such names are not ours",
         OsClass::WindowsXp,
         {{"OEM9.IN~", "theirs"}, {"OEM9.IN$", "theirs"}, {"DRVIDX.Q7", "theirs"}},
         {{"DRVIDX.Q7", "theirs"}, {"OEM9.IN$", "theirs"}, {"OEM9.IN~", "theirs"}}},
        {"Me: the copy in INF\\OTHER",
         OsClass::WindowsMe,
         {{"OTHER\\EXDISK.IN~", "copy"}},
         {{"OTHER\\EXDISK.INF", "copy"}}},
    };
    for (const RecoveryCase& c : cases) {
        TestPlatform test;
        SetupSession session{test.platform};
        session.State.OsClass = c.osClass;
        session.State.WindowsFolder.Assign("C:\\WINDOWS");
        session.State.SetupFileName.Assign("EXDISK.IN_");
        test.files.AddFolder("C:\\WINDOWS\\INF\\OTHER");
        for (const auto& [name, bytes] : c.before) test.files.AddFile("C:\\WINDOWS\\INF\\" + name, bytes);

        RecoverInterruptedRun(session.platform.files, session.State);

        Names expected;
        for (const auto& [name, bytes] : c.after) {
            expected.push_back(name.substr(name.rfind('\\') + 1));
            EXPECT_EQ(test.files.Exists("C:\\WINDOWS\\INF\\" + name) ? test.files.Contents("C:\\WINDOWS\\INF\\" + name)
                                                                     : "(missing)",
                      bytes)
                << c.name << ": " << name;
        }
        Names left = test.files.Names("C:\\WINDOWS\\INF");
        for (const std::string& name : test.files.Names("C:\\WINDOWS\\INF\\OTHER")) left.push_back(name);
        left.erase(std::remove(left.begin(), left.end(), "OTHER"), left.end());
        EXPECT_EQ(Sorted(left), Sorted(expected)) << c.name;
    }
}
