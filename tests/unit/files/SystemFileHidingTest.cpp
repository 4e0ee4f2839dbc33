// Hiding and restoring the system's matching data: the state table, read-only and missing
// files, and the classes that leave everything alone.
#include <gtest/gtest.h>

#include "fakes/ExamplePackage.h"
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
        Files before;
        Files afterHide;
        Files meanwhile; // written by the system while the device starts
        Files afterRestore;
    };
    const Files usbStorage = {"USBSTOR.INF=inf", "USBSTOR.PNF=pnf"};
    const Files usbStorageHidden = {"USBSTOR.IQ7=inf", "USBSTOR.PQ7=pnf"};
    const Files database = {"DRVDATA.BIN=data", "DRVIDX.BIN=index"};
    const Files databaseHidden = {"DRVDATA.Q7=data", "DRVIDX.Q7=index"};
    const Files foreign = {"DRVDATA.Q7=x", "DRVIDX.BIN=x", "USBSTOR.INF=x", "USBSTOR.PQ7=x"};
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
        {OsClass::Windows98SecondEdition,
         {"DRVIDX.BIN=index", "DRVIDX.Q7=read-only"},
         {"DRVIDX.BIN=index", "DRVIDX.Q7=read-only"},
         {},
         {"DRVIDX.BIN=index", "DRVIDX.Q7=read-only"}},
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
         {"DRVIDX.BIN=x", "USBSTOR.INF=x"}},
    };
    for (const Case& c : cases) {
        Hiding m(c.osClass);
        m.AddToInf(c.before);
        m.Hide();
        EXPECT_EQ(m.InfFolder(), c.afterHide) << static_cast<int>(c.osClass) << " " << c.before.size();
        m.AddToInf(c.meanwhile);
        m.Restore();
        EXPECT_EQ(m.InfFolder(), c.afterRestore) << static_cast<int>(c.osClass) << " " << c.before.size();
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

} // namespace
