// Hiding and restoring the system's matching data (the state table, read-only and missing files,
// the classes that leave everything alone), and the recovery before a job of what an interrupted
// run left under backup or sibling names.
#include <gtest/gtest.h>

#include "fakes/ExamplePackage.h"
#include "files/Recovery.h"
#include "files/SystemFileHiding.h"

namespace {

using Files = std::vector<std::string>;

struct Hiding : example::Machine {
    using Machine::Machine;
    void Hide()
    {
        HideUsbStorageInf(files, session.State);
        HideDriverDatabase(files, session.State);
    }
    void Restore()
    {
        RestoreUsbStorageInf(files, session.State);
        RestoreDriverDatabase(files, session.State);
    }
};

TEST(SystemFileHiding, StateTable)
{
    struct Case {
        OsClass osClass;
        Files before, afterHide;
        Files meanwhile; // written by the system while the device starts
        Files afterRestore;
    };
    const Files usbStorage = {"USBSTOR.INF=inf", "USBSTOR.PNF=pnf"},
                usbStorageHidden = {"USBSTOR.IQ7=inf", "USBSTOR.PQ7=pnf"};
    const Files database = {"DRVDATA.BIN=data", "DRVIDX.BIN=index"},
                databaseHidden = {"DRVDATA.Q7=data", "DRVIDX.Q7=index"};
    const Files foreign = {"DRVDATA.Q7=x", "DRVIDX.BIN=x", "USBSTOR.INF=x", "USBSTOR.PQ7=x"};
    const Files readOnlyBackup = {"DRVIDX.BIN=index", "DRVIDX.Q7=read-only"};
    const Case cases[] = {
        {OsClass::WindowsXp, usbStorage, usbStorageHidden, {}, usbStorage},
        {OsClass::WindowsXp, usbStorage, usbStorageHidden, {"USBSTOR.INF=new"}, {"USBSTOR.INF=new", "USBSTOR.PNF=pnf"}},
        // A backup alone is the only copy an interrupted run left: hiding keeps it.
        {OsClass::WindowsXp, {"USBSTOR.IQ7=old"}, {"USBSTOR.IQ7=old"}, {}, {"USBSTOR.INF=old"}},
        {OsClass::WindowsXp, {"USBSTOR.INF=new", "USBSTOR.IQ7=old"}, {"USBSTOR.IQ7=new"}, {}, {"USBSTOR.INF=new"}},
        {OsClass::WindowsXp, {}, {}, {}, {}},
        {OsClass::Windows98, database, databaseHidden, {}, database},
        {OsClass::WindowsMe, {"DRVIDX.BIN=index"}, {"DRVIDX.Q7=index"}, {}, {"DRVIDX.BIN=index"}},
        // A read-only backup stays, and so the system's file stays in place.
        {OsClass::Windows98SecondEdition, readOnlyBackup, readOnlyBackup, {}, readOnlyBackup},
        // Each system hides only its own files.
        {OsClass::Windows2000, foreign, foreign, {}, foreign},
        {OsClass::WindowsXp,
         {"DRVIDX.BIN=x", "USBSTOR.INF=x"},
         {"DRVIDX.BIN=x", "USBSTOR.IQ7=x"},
         {},
         {"DRVIDX.BIN=x", "USBSTOR.INF=x"}},
        {OsClass::WindowsMe,
         {"DRVIDX.BIN=x", "USBSTOR.INF=x"},
         {"DRVIDX.Q7=x", "USBSTOR.INF=x"},
         {},
         {"DRVIDX.BIN=x", "USBSTOR.INF=x"}}};
    for (const Case& c : cases) {
        Hiding m(c.osClass);
        m.AddToInf(c.before);
        m.Hide();
        EXPECT_EQ(m.InfFolder(), c.afterHide) << &c - cases;
        m.AddToInf(c.meanwhile);
        m.Restore();
        EXPECT_EQ(m.InfFolder(), c.afterRestore) << &c - cases;
    }
}

TEST(SystemFileHiding, AFailedRestoreNeverCostsTheOnlyCopy)
{
    Hiding m(OsClass::WindowsXp);
    m.AddToInf({"USBSTOR.INF=inf", "USBSTOR.PNF=pnf"});
    m.Hide();
    m.files.faults.FailCall(Op::Move);
    m.Restore();
    EXPECT_EQ(m.InfFolder(), (Files{"USBSTOR.IQ7=inf", "USBSTOR.PQ7=pnf"}));
    m.files.faults.failing.clear();
    m.Restore(); // the next run finds the backups and restores them
    EXPECT_EQ(m.InfFolder(), (Files{"USBSTOR.INF=inf", "USBSTOR.PNF=pnf"}));
}

TEST(Recovery, InterruptedStatesComeBackWhole)
{
    struct Case {
        const char* name;
        OsClass osClass;
        Files before, after;
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
        {"the copy in INF\\OTHER", OsClass::WindowsMe, {"OTHER\\EXDISK.IN~=copy"}, {"OTHER\\EXDISK.INF=copy"}}};
    for (const Case& c : cases) {
        example::Machine m(c.osClass);
        m.session.State.SetupFileName.Assign("EXDISK.IN_");
        m.AddToInf(c.before);
        RecoverInterruptedRun(m.files, m.session.State);
        EXPECT_EQ(m.InfFolder(), c.after) << c.name;
    }
}

} // namespace
