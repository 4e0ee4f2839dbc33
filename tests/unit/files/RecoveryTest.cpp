// Recovery before a job: what an interrupted run left under backup or sibling names comes back,
// and nothing of anyone else's is touched.
#include <gtest/gtest.h>

#include "fakes/ExamplePackage.h"
#include "files/Recovery.h"

namespace {

using Files = std::vector<std::string>;

TEST(Recovery, InterruptedStatesComeBackWhole)
{
    struct Case {
        const char* name;
        OsClass osClass;
        Files before;
        Files after;
    };
    const Case cases[] = {
        {"the USB storage INF only under its backup names",
         OsClass::WindowsXp,
         {"USBSTOR.IQ7=inf", "USBSTOR.PQ7=pnf"},
         {"USBSTOR.INF=inf", "USBSTOR.PNF=pnf"}},
        {"both names: the system's file stays, the stale backup goes",
         OsClass::WindowsXp,
         {"USBSTOR.INF=new", "USBSTOR.IQ7=old"},
         {"USBSTOR.INF=new"}},
        {"the driver database only under its backup names",
         OsClass::Windows98,
         {"DRVIDX.Q7=index", "DRVDATA.Q7=data"},
         {"DRVDATA.BIN=data", "DRVIDX.BIN=index"}},
        {"cut off after writing the edited sibling",
         OsClass::WindowsXp,
         {"oemEXDISK.INF=copy", "oemEXDISK.IN$=half"},
         {"oemEXDISK.INF=copy"}},
        {"cut off between the two renames",
         OsClass::WindowsXp,
         {"oemEXDISK.IN~=copy", "oemEXDISK.IN$=edited"},
         {"oemEXDISK.INF=copy"}},
        {"cut off before the saved copy was deleted",
         OsClass::WindowsXp,
         {"oemEXDISK.INF=edited", "oemEXDISK.IN~=copy"},
         {"oemEXDISK.INF=edited"}},
        {"other programs' files with such names are not ours",
         OsClass::WindowsXp,
         {"OEM9.IN~=theirs", "OEM9.IN$=theirs", "DRVIDX.Q7=theirs"},
         {"DRVIDX.Q7=theirs", "OEM9.IN$=theirs", "OEM9.IN~=theirs"}},
        {"the copy in INF\\OTHER", OsClass::WindowsMe, {"OTHER\\EXDISK.IN~=copy"}, {"OTHER\\EXDISK.INF=copy"}},
    };
    for (const Case& c : cases) {
        example::Machine m(c.osClass);
        m.session.State.SetupFileName.Assign("EXDISK.IN_");
        m.AddToInf(c.before);
        RecoverInterruptedRun(m.files, m.session.State);
        EXPECT_EQ(m.InfFolder(), c.after) << c.name;
    }
}

} // namespace
