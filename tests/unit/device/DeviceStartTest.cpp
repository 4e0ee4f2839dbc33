// The device start phase: what is hidden around the re-enumeration and put back after it on each
// system (read-only and missing files, what the system writes meanwhile); and the recovery before
// a job of what an interrupted run left under backup or sibling names. (The whole-job tests
// follow the phase's pause on each system, the silent install's exit status its outcome.)
#include <gtest/gtest.h>

#include <span>

#include "device/DeviceStart.h"
#include "fakes/ExamplePackage.h"
#include "files/Recovery.h"

namespace {

using Files = std::vector<std::string>;

// The phase from 50 to 100, as a silent install runs it; meanwhile the system writes `written`.
struct Start : example::Machine {
    Files seen, written; // the INF folder at the re-enumeration
    Files pausing;       // and while the phase first waits after it
    explicit Start(OsClass osClass) : Machine(osClass)
    {
        session.State.DeviceDescription.Assign("Example USB Disk");
        configManager.onReenumerate = [this] {
            seen = InfFolder();
            AddToInf(written);
            view.onDispatch = [this] {
                pausing = InfFolder();
                view.onDispatch = nullptr;
            };
        };
    }
    DeviceStartOutcome Run()
    {
        return StartDevicePhase(session, files, devices, configManager, windows, clock, {NoStatusText, 50, 100});
    }
};

TEST(DeviceStart, TheSystemsMatchingDataIsHiddenAroundTheReenumeration)
{
    struct Case {
        OsClass osClass;
        Files before, seen;
        Files written; // by the system while the device starts
        Files after;
    };
    const Files usbStorage = {"USBSTOR.INF=inf", "USBSTOR.PNF=pnf"},
                usbStorageHidden = {"USBSTOR.IQ7=inf", "USBSTOR.PQ7=pnf"};
    const Files database = {"DRVDATA.BIN=data", "DRVIDX.BIN=index"},
                databaseHidden = {"DRVDATA.Q7=data", "DRVIDX.Q7=index"};
    const Files foreign = {"DRVDATA.Q7=x", "DRVIDX.BIN=x", "USBSTOR.INF=x", "USBSTOR.PQ7=x"};
    const Files readOnlyBackup = {"DRVIDX.BIN=index", "DRVIDX.Q7=read-only"};
    const Files both = {"DRVIDX.BIN=x", "USBSTOR.INF=x"};
    const Case cases[] = {
        {OsClass::WindowsXp, usbStorage, usbStorageHidden, {}, usbStorage},
        {OsClass::WindowsXp, usbStorage, usbStorageHidden, {"USBSTOR.INF=new"}, {"USBSTOR.INF=new", "USBSTOR.PNF=pnf"}},
        // A backup alone is the only copy an interrupted run left: hiding keeps it.
        {OsClass::Windows98, {"DRVIDX.Q7=old"}, {"DRVIDX.Q7=old"}, {}, {"DRVIDX.BIN=old"}},
        // The system's file wins over a stale backup, which goes.
        {OsClass::WindowsXp, {"USBSTOR.INF=new", "USBSTOR.IQ7=old"}, {"USBSTOR.IQ7=new"}, {}, {"USBSTOR.INF=new"}},
        {OsClass::Unsupported, database, databaseHidden, {}, database},
        {OsClass::WindowsMe, {"DRVIDX.BIN=index"}, {"DRVIDX.Q7=index"}, {}, {"DRVIDX.BIN=index"}},
        // A read-only backup stays, and so the system's file stays in place.
        {OsClass::Windows98SecondEdition, readOnlyBackup, readOnlyBackup, {}, readOnlyBackup},
        // Each system hides only its own files.
        {OsClass::Windows2000, foreign, foreign, {}, foreign},
        {OsClass::WindowsXp, both, {"DRVIDX.BIN=x", "USBSTOR.IQ7=x"}, {}, both},
        {OsClass::WindowsMe, both, {"DRVIDX.Q7=x", "USBSTOR.INF=x"}, {}, both}};
    for (const Case& c : cases) {
        Start m(c.osClass);
        m.AddToInf(c.before);
        m.written = c.written;
        m.Run();
        EXPECT_EQ(m.seen, c.seen) << &c - cases;
        // Nothing comes back while the system still installs the device.
        Files pausing = c.seen;
        pausing.insert(pausing.end(), c.written.begin(), c.written.end());
        std::sort(pausing.begin(), pausing.end());
        EXPECT_EQ(m.pausing, pausing) << &c - cases;
        EXPECT_EQ(m.InfFolder(), c.after) << &c - cases;
    }
}

// The steps themselves, in order, from a folder an interrupted run left with both names of each
// file: the stale backups go, the system's files are renamed (each hide removes both backups
// first, then renames both files), and after the re-enumeration renamed back.
TEST(DeviceStart, HideAndRestoreTakeTheirStepsInOrder)
{
    const auto steps = [](const std::string& file, const std::string& backup, const std::string& file2,
                          const std::string& backup2) {
        const std::string inf = "C:\\WINDOWS\\INF\\";
        const auto move = [&](const std::string& from, const std::string& to) {
            return "move " + inf + from + " -> " + inf + to;
        };
        const Files removeBackups{"delete " + inf + backup, "delete " + inf + backup2};
        Files hide = removeBackups, restore{move(backup, file), move(backup2, file2)};
        hide.insert(hide.end(), {move(file, backup), move(file2, backup2)});
        restore.insert(restore.end(), removeBackups.begin(), removeBackups.end());
        return std::pair(hide, restore);
    };
    const auto [hideUsbStorage, restoreUsbStorage] = steps("USBSTOR.INF", "USBSTOR.IQ7", "USBSTOR.PNF", "USBSTOR.PQ7");
    const auto [hideDatabase, restoreDatabase] = steps("DRVIDX.BIN", "DRVIDX.Q7", "DRVDATA.BIN", "DRVDATA.Q7");
    for (OsClass osClass : {OsClass::WindowsXp, OsClass::Windows98}) {
        Start m(osClass);
        m.AddToInf({"USBSTOR.INF=inf", "USBSTOR.PNF=pnf", "USBSTOR.IQ7=old", "USBSTOR.PQ7=old", "DRVDATA.BIN=data",
                    "DRVIDX.BIN=index", "DRVDATA.Q7=old", "DRVIDX.Q7=old"});
        m.Run();
        // XP first puts back what a cut-off run left; the system's files win over stale backups.
        Files expected = osClass == OsClass::WindowsXp ? restoreUsbStorage : Files{};
        for (const Files& part : osClass == OsClass::WindowsXp ? std::vector{hideUsbStorage, restoreUsbStorage}
                                                               : std::vector{hideDatabase, restoreDatabase})
            expected.insert(expected.end(), part.begin(), part.end());
        EXPECT_EQ(m.files.log, expected) << static_cast<int>(osClass);
    }
}

// Where the re-enumeration fails, the 98 family still waits out the database's rebuild and puts
// the database back; the device has not started.
TEST(DeviceStart, AFailedReenumerationStillPausesAndRestoresOnThe98Family)
{
    Start m(OsClass::Windows98);
    m.AddToInf({"DRVDATA.BIN=data", "DRVIDX.BIN=index"});
    m.configManager.faults.FailCall(Op::Scan);
    EXPECT_FALSE(m.Run().started);
    EXPECT_EQ(m.InfFolder(), (Files{"DRVDATA.BIN=data", "DRVIDX.BIN=index"}));
    EXPECT_EQ(std::tuple(m.clock.elapsedMilliseconds, m.view.dispatchCount), std::tuple(3000, 300));
}

// A rename refused for a moment is tried again every 500 ms while the dialog answers, ten times in
// all: the hide, so that the system's own files are out of the way when the device starts, and the
// restore, so that they are not left hidden. A hide refused for good leaves them in place; a
// restore refused for good keeps the backup and says so.
TEST(DeviceStart, ARefusedRenameIsTriedAgainForAFewSeconds)
{
    const Files usbStorage = {"USBSTOR.INF=inf", "USBSTOR.PNF=pnf"},
                usbStorageHidden = {"USBSTOR.IQ7=inf", "USBSTOR.PQ7=pnf"};
    const Files database = {"DRVDATA.BIN=data", "DRVIDX.BIN=index"},
                databaseHidden = {"DRVDATA.Q7=data", "DRVIDX.Q7=index"};
    const std::tuple<OsClass, Files, int, int, Files, Files, int> cases[] = {
        // system, files before, the first rename refused and how many (XP first puts back
        // leftovers, two renames; each try renames two files), files at the re-enumeration, files
        // after, tries
        {OsClass::WindowsXp, usbStorage, 3, 1, usbStorageHidden, usbStorage, 2}, // hides
        {OsClass::WindowsXp, usbStorage, 3, 20, usbStorage, usbStorage, 10},
        {OsClass::Windows98, database, 2, 1, databaseHidden, database, 2},
        {OsClass::WindowsXp, usbStorage, 5, 1, usbStorageHidden, usbStorage, 2}, // restores
        {OsClass::WindowsXp, {"USBSTOR.INF=inf"}, 5, 18, {"USBSTOR.IQ7=inf"}, {"USBSTOR.INF=inf"}, 10},
        {OsClass::WindowsXp, {"USBSTOR.INF=inf"}, 5, 20, {"USBSTOR.IQ7=inf"}, {"USBSTOR.IQ7=inf"}, 10},
        {OsClass::Windows98, database, 3, 2, databaseHidden, database, 2},
    };
    for (const auto& [osClass, before, first, refused, seen, after, tries] : cases) {
        Start plain(osClass), m(osClass);
        plain.AddToInf(before);
        plain.Run();
        m.AddToInf(before);
        for (int call = first; call < first + refused; ++call) m.files.faults.FailCall(Op::Move, call);
        EXPECT_EQ(m.Run().restored, after != Files{"USBSTOR.IQ7=inf"}) << first << refused;
        EXPECT_EQ(std::pair(m.seen, m.InfFolder()), std::pair(seen, after)) << first << refused;
        EXPECT_EQ(m.clock.elapsedMilliseconds - plain.clock.elapsedMilliseconds, (tries - 1) * 500) << first << refused;
        EXPECT_EQ(m.view.dispatchCount - plain.view.dispatchCount, (tries - 1) * 50) << first << refused;
    }
}

// The hidden files come back as the device start puts them back; the edited INF copy's siblings
// go, and the copy is the one whole file among them.
TEST(Recovery, InterruptedStatesComeBackWhole)
{
    const std::tuple<OsClass, Files, Files> cases[] = {
        {OsClass::WindowsXp, {"USBSTOR.IQ7=inf", "USBSTOR.PQ7=pnf"}, {"USBSTOR.INF=inf", "USBSTOR.PNF=pnf"}},
        {OsClass::Windows98, {"DRVIDX.Q7=index", "DRVDATA.Q7=data"}, {"DRVDATA.BIN=data", "DRVIDX.BIN=index"}},
        // Cut off after writing the edited sibling, between the two renames, before the saved
        // copy was deleted.
        {OsClass::WindowsXp, {"oemEXDISK.INF=copy", "oemEXDISK.IN$=half"}, {"oemEXDISK.INF=copy"}},
        {OsClass::WindowsXp, {"oemEXDISK.IN~=copy", "oemEXDISK.IN$=edited"}, {"oemEXDISK.INF=copy"}},
        {OsClass::WindowsXp, {"oemEXDISK.INF=edited", "oemEXDISK.IN~=copy"}, {"oemEXDISK.INF=edited"}},
        {OsClass::WindowsMe, {"OTHER\\EXDISK.IN~=copy"}, {"OTHER\\EXDISK.INF=copy"}},
        // Other programs' files with such names are not ours, nor is a backup name of another system.
        {OsClass::Windows2000,
         {"OEM9.IN~=theirs", "OEM9.IN$=theirs", "DRVIDX.Q7=theirs", "USBSTOR.IQ7=theirs"},
         {"DRVIDX.Q7=theirs", "OEM9.IN$=theirs", "OEM9.IN~=theirs", "USBSTOR.IQ7=theirs"}}};
    for (const auto& [osClass, before, after] : cases) {
        example::Machine m(osClass);
        m.session.State.SetupFileName.Assign("EXDISK.IN_");
        m.AddToInf(before);
        EXPECT_TRUE(RecoverInterruptedRun(m.session, m.files)) << before.front();
        EXPECT_EQ(m.InfFolder(), after) << before.front();
    }
    // A rename back refused for a moment (both renames of the first try) is tried again 500 ms
    // later: the first two rows again.
    for (const auto& [osClass, before, after] : std::span(cases, 2)) {
        example::Machine m(osClass);
        m.AddToInf(before);
        m.files.faults.FailCall(Op::Move, 1);
        m.files.faults.FailCall(Op::Move, 2);
        RecoverInterruptedRun(m.session, m.files);
        EXPECT_EQ(std::pair(m.InfFolder(), m.clock.elapsedMilliseconds), std::pair(after, 500LL));
    }
    // Refused for good: the job is told that a system file stays hidden.
    for (const auto& [osClass, before, after] : std::span(cases, 2)) {
        example::Machine m(osClass);
        m.AddToInf(before);
        m.files.faults.FailCall(Op::Move);
        EXPECT_FALSE(RecoverInterruptedRun(m.session, m.files)) << before.front();
    }
}

} // namespace
