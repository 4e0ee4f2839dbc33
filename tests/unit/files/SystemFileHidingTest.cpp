// Hiding and restoring the system's matching data: the state table, read-only and missing
// files, and the classes that leave everything alone.
#include <gtest/gtest.h>

#include "fakes/TestPlatform.h"
#include "files/SystemFileHiding.h"

namespace {

using Names = std::vector<std::string>;

class SystemFileHidingTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};

    void SetUp() override
    {
        session.State.WindowsFolder.Assign("C:\\WINDOWS");
        test.files.AddFolder("C:\\WINDOWS\\INF");
    }
    void Add(const std::string& name, const std::string& bytes = "bytes", bool readOnly = false)
    {
        test.files.AddFile("C:\\WINDOWS\\INF\\" + name, bytes, readOnly);
    }
    Names Folder() const
    {
        Names names = test.files.Names("C:\\WINDOWS\\INF");
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Contents(const std::string& name) const { return test.files.Contents("C:\\WINDOWS\\INF\\" + name); }
};

TEST_F(SystemFileHidingTest, UsbStorageInfStateTableOnWindowsXp)
{
    session.State.OsClass = OsClass::WindowsXp;
    struct Case {
        Names before;
        Names afterHide;
        Names afterRestore;
    };
    const Case cases[] = {
        {{"USBSTOR.INF"}, {"USBSTOR.IQ7"}, {"USBSTOR.INF"}},
        // A backup alone is the only copy an interrupted run left: hiding keeps it.
        {{"USBSTOR.IQ7"}, {"USBSTOR.IQ7"}, {"USBSTOR.INF"}},
        {{"USBSTOR.INF", "USBSTOR.IQ7"}, {"USBSTOR.IQ7"}, {"USBSTOR.INF"}},
        {{}, {}, {}},
    };
    for (const Case& c : cases) {
        TestPlatform fresh;
        SetupSession s{fresh.platform};
        s.State.OsClass = OsClass::WindowsXp;
        s.State.WindowsFolder.Assign("C:\\WINDOWS");
        fresh.files.AddFolder("C:\\WINDOWS\\INF");
        for (const std::string& name : c.before) fresh.files.AddFile("C:\\WINDOWS\\INF\\" + name, name);
        HideUsbStorageInf(s.platform.files, s.State);
        EXPECT_EQ(fresh.files.Names("C:\\WINDOWS\\INF"), c.afterHide) << c.before.size();
        RestoreUsbStorageInf(s.platform.files, s.State);
        EXPECT_EQ(fresh.files.Names("C:\\WINDOWS\\INF"), c.afterRestore) << c.before.size();
    }
    // Restoring a backup alone, as a run that stopped halfway left it, brings it back.
    Add("USBSTOR.IQ7", "system inf");
    RestoreUsbStorageInf(session.platform.files, session.State);
    EXPECT_EQ(Folder(), (Names{"USBSTOR.INF"}));
    EXPECT_EQ(Contents("USBSTOR.INF"), "system inf");
}

TEST_F(SystemFileHidingTest, HideThenRestoreGivesTheSameBytesBackAndKeepsANewerSystemFile)
{
    session.State.OsClass = OsClass::WindowsXp;
    Add("USBSTOR.INF", "inf bytes");
    Add("USBSTOR.PNF", "pnf bytes");
    HideUsbStorageInf(session.platform.files, session.State);
    EXPECT_EQ(Folder(), (Names{"USBSTOR.IQ7", "USBSTOR.PQ7"}));
    EXPECT_EQ(test.files.log, (Names{"delete C:\\WINDOWS\\INF\\USBSTOR.IQ7", "delete C:\\WINDOWS\\INF\\USBSTOR.PQ7",
                                     "move C:\\WINDOWS\\INF\\USBSTOR.INF -> C:\\WINDOWS\\INF\\USBSTOR.IQ7",
                                     "move C:\\WINDOWS\\INF\\USBSTOR.PNF -> C:\\WINDOWS\\INF\\USBSTOR.PQ7"}));
    Add("USBSTOR.INF", "written meanwhile");
    RestoreUsbStorageInf(session.platform.files, session.State);
    EXPECT_EQ(Folder(), (Names{"USBSTOR.INF", "USBSTOR.PNF"}));
    EXPECT_EQ(Contents("USBSTOR.INF"), "written meanwhile");
    EXPECT_EQ(Contents("USBSTOR.PNF"), "pnf bytes");
}

TEST_F(SystemFileHidingTest, DriverDatabaseWithMissingAndReadOnlyFiles)
{
    session.State.OsClass = OsClass::Windows98;
    Add("DRVIDX.BIN", "index");
    HideDriverDatabase(session.platform.files, session.State); // DRVDATA.BIN is missing: the first rename stays done
    EXPECT_EQ(Folder(), (Names{"DRVIDX.Q7"}));
    RestoreDriverDatabase(session.platform.files, session.State);
    EXPECT_EQ(Folder(), (Names{"DRVIDX.BIN"}));

    TestPlatform fresh;
    SetupSession s{fresh.platform};
    s.State.OsClass = OsClass::Windows98SecondEdition;
    s.State.WindowsFolder.Assign("C:\\WINDOWS");
    fresh.files.AddFile("C:\\WINDOWS\\INF\\DRVIDX.Q7", "old backup", true);
    fresh.files.AddFile("C:\\WINDOWS\\INF\\DRVIDX.BIN", "index");
    HideDriverDatabase(s.platform.files, s.State); // the read-only backup survives, so the system file stays in place
    EXPECT_EQ(fresh.files.Contents("C:\\WINDOWS\\INF\\DRVIDX.Q7"), "old backup");
    EXPECT_EQ(fresh.files.Contents("C:\\WINDOWS\\INF\\DRVIDX.BIN"), "index");
}

TEST_F(SystemFileHidingTest, OtherClassesLeaveTheFolderAlone)
{
    Add("USBSTOR.INF");
    Add("USBSTOR.PQ7");
    Add("DRVIDX.BIN");
    Add("DRVDATA.Q7");
    for (OsClass osClass : {OsClass::Windows2000}) {
        session.State.OsClass = osClass;
        HideUsbStorageInf(session.platform.files, session.State);
        RestoreUsbStorageInf(session.platform.files, session.State);
        HideDriverDatabase(session.platform.files, session.State);
        RestoreDriverDatabase(session.platform.files, session.State);
    }
    session.State.OsClass = OsClass::WindowsXp;
    HideDriverDatabase(session.platform.files, session.State);
    RestoreDriverDatabase(session.platform.files, session.State);
    session.State.OsClass = OsClass::WindowsMe;
    HideUsbStorageInf(session.platform.files, session.State);
    RestoreUsbStorageInf(session.platform.files, session.State);
    EXPECT_TRUE(test.files.log.empty());
}

TEST_F(SystemFileHidingTest, AFailedRestoreNeverCostsTheOnlyCopy)
{
    session.State.OsClass = OsClass::WindowsXp;
    Add("USBSTOR.INF", "inf bytes");
    Add("USBSTOR.PNF", "pnf bytes");
    HideUsbStorageInf(session.platform.files, session.State);
    test.files.faults.FailAllCalls(FakeFileSystem::Operation::Move);
    RestoreUsbStorageInf(session.platform.files, session.State);
    EXPECT_EQ(Folder(), (Names{"USBSTOR.IQ7", "USBSTOR.PQ7"}));
    test.files.faults.Clear();
    RestoreUsbStorageInf(session.platform.files, session.State); // the next run finds the backups and restores them
    EXPECT_EQ(Contents("USBSTOR.INF"), "inf bytes");
}

} // namespace
