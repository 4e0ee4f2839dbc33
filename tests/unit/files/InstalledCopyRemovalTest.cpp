// Removal of installed INF copies with their .PNF twins, and of the installed driver.
#include <gtest/gtest.h>

#include "app/SetupPhases.h"
#include "fakes/ExamplePackage.h"
#include "files/InstalledCopyRemoval.h"

namespace {

using Names = std::vector<std::string>;

// An installed copy whose first models section holds these lines.
std::string Copy(const std::string& models, const std::string& manufacturer = "M=Models\r\n")
{
    return "[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\n" + manufacturer + "[Models]\r\n" + models;
}
const std::string Ours = Copy("D=I,USB\\VID_1A2B&PID_3C4D\r\n");

struct Removal : example::Machine {
    using Machine::Machine;
    void Add(const std::string& name, const std::string& bytes, bool readOnly = false)
    {
        files.AddFile("C:\\WINDOWS\\INF\\" + name, bytes, readOnly);
    }
    int Remove(const char* vid, const char* pid) { return RemoveInfCopies(session, InfReadingOf(platform), vid, pid); }
    Names Left(const std::string& folder) const { return files.Names("C:\\WINDOWS\\INF\\" + folder); }
};

HardwareIdList PairsOf1A2B(std::initializer_list<const char*> pids)
{
    HardwareIdList pairs;
    for (const char* pid : pids) {
        HardwareIdEntry pair;
        pair.VidText.Assign("1A2B");
        pair.PidText.Assign(pid);
        pairs.Append(pair);
    }
    return pairs;
}

TEST(InstalledCopyRemoval, ACopyGoesWithItsTwinExactlyWhenItsFirstModelsSectionListsThePair)
{
    // In any case, with a revision, as UTF-16, after a line of no USB device or of a 255-character
    // hardware ID, in a models section of 19 characters.
    const std::vector<std::string> listing = {
        Ours,
        Copy("D=I,usb\\vid_1a2b&pid_3c4d&rev_0100\r\n"),
        example::Utf16File(Ours),
        Copy("D=I,*PNP0A03\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"),
        Copy("D=I,USB\\VID_" + std::string(247, 'X') + "\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"),
        Copy("", "M=ABCDEFGHIJKLMNOPQRS\r\n") + "[ABCDEFGHIJKLMNOPQRS]\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"};
    // VID and PID swapped; the vendor's other devices; the digits without their markers; in a
    // second models section; after a line without a hardware ID or with an overlong one; in an
    // overlong models section; in no Windows-4 INF.
    const std::vector<std::string> other = {
        Copy("D=I,USB\\VID_3C4D&PID_1A2B\r\nD=I,USB\\VID_1A2B&PID_FFFF\r\nD=I,USB\\VID_1A2B&PID_3C4F\r\n"
             "D=I,PCI\\VEN_8086&DEV_1A2B&SUBSYS_3C4D8086\r\n"),
        Copy("D=I,USB\\VID_0000&PID_0000\r\n", "M=Models\r\nN=More\r\n") + "[More]\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n",
        Copy("D=I\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"),
        Copy("D=I,USB\\VID_" + std::string(300, 'X') + "\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"),
        Copy("", "M=ABCDEFGHIJKLMNOPQRST\r\n") + "[ABCDEFGHIJKLMNOPQRST]\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n",
        "[Manufacturer]\r\nM=Models\r\n[Models]\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"};
    for (bool removed : {true, false}) {
        for (const std::string& copy : removed ? listing : other) {
            Removal m(OsClass::WindowsXp);
            m.Add("oem1.inf", copy);
            m.Add("OEM1.PNF", "precompiled");
            EXPECT_EQ(m.Remove("1A2B", "3C4D"), removed ? 1 : 0) << copy;
            EXPECT_EQ(m.Left(""), (removed ? Names{"OTHER"} : Names{"OTHER", "oem1.inf", "OEM1.PNF"})) << copy;
        }
    }
}

// The 98 family takes any INF file in INF\\OTHER, Windows 2000 and XP the oem INF files in INF only.
TEST(InstalledCopyRemoval, EachSystemTakesTheCopiesOfItsOwnFolderEvenReadOnly)
{
    const std::tuple<OsClass, Names, Names> cases[] = {
        {OsClass::Windows98, {"OTHER", "oemEXDISK.INF", "oem9.in_", "USBSTOR.INF"}, {"INUSE.INF", "EXDISK.IN_"}},
        {OsClass::Windows2000,
         {"OTHER", "oem9.in_", "USBSTOR.INF"},
         {"CO.EXDISK.INF", "CO.EXDISK.PNF", "INUSE.INF", "EXDISK.IN_"}},
        {OsClass::WindowsXp,
         {"OTHER", "oem9.in_", "USBSTOR.INF"},
         {"CO.EXDISK.INF", "CO.EXDISK.PNF", "INUSE.INF", "EXDISK.IN_"}}};
    for (const auto& [osClass, leftInInf, leftInOther] : cases) {
        Removal m(osClass);
        m.Add("OTHER\\CO.EXDISK.INF", Ours, true); // a provider ending in "Co." and its twin
        m.Add("OTHER\\CO.EXDISK.PNF", "precompiled", true);
        m.Add("OTHER\\INUSE.INF", Ours);
        m.files.SetInUse("C:\\WINDOWS\\INF\\OTHER\\INUSE.INF");
        m.Add("oemEXDISK.INF", Ours, true);
        m.Add("oem9.in_", Ours); // no INF file by its name: a package's setup description
        m.Add("OTHER\\EXDISK.IN_", Ours);
        m.Add("USBSTOR.INF", Ours);
        EXPECT_EQ(m.Remove("1A2B", "3C4D"), 1);
        EXPECT_EQ(m.Left(""), leftInInf);
        EXPECT_EQ(m.Left("OTHER"), leftInOther);
    }
}

// Pair by pair, as a search for each pair would find them: a copy goes with the first pair it
// lists, each pair's copies in search order. One search and one read of each copy serve them all;
// a copy whose read failed is left.
TEST(InstalledCopyRemoval, ThePairsOfAPackageTakeTheirCopiesInTurnFromOneSearchAndOneReadOfEach)
{
    Removal m(OsClass::WindowsXp);
    m.Add("oem1.inf", Copy("D=I,USB\\VID_1A2B&PID_3C4E\r\nD=I,*PNP0A03\r\n"));
    m.Add("oem2.inf", Ours);
    m.Add("oem3.inf", Copy("D=I,USB\\VID_9999&PID_0001\r\n"));
    m.Add("oem4.inf", Ours);
    m.Add("oem5.inf", Copy("D=I,USB\\VID_1A2B&PID_3C4E\r\nD=I,USB\\VID_1A2B&PID_3C4D\r\n"));
    m.files.faults.FailCall(Op::Read, 4);
    const HardwareIdList pairs = PairsOf1A2B({"3C4D", "3C4E", "3C4D"});
    EXPECT_EQ(RemoveInfCopies(m.session, InfReadingOf(m.platform), pairs), 3);
    // Each copy goes before its precompiled twin: a run cut off between them leaves only the
    // twin, which the system never reads without its INF.
    Names changes, expected;
    for (const std::string& line : m.files.log)
        changes.push_back(line.substr(0, line.find(' ') + 1) + line.substr(line.rfind('\\') + 1));
    for (const std::string name : {"oem2", "oem5", "oem1"})
        expected.insert(expected.end(), {"attributes " + name + ".inf", "delete " + name + ".inf",
                                         "attributes " + name + ".PNF", "delete " + name + ".PNF"});
    EXPECT_EQ(changes, expected);
    EXPECT_EQ(m.Left(""), (Names{"OTHER", "oem3.inf", "oem4.inf"}));
    EXPECT_EQ(m.files.faults.calls[Op::Search], 1);
    EXPECT_EQ(m.files.faults.calls[Op::Read], 5);
}

// A copy whose delete is refused for a moment (a scanner reading it) is tried again every 500 ms
// while the dialog answers, ten times in all, and keeps its twin until it goes itself.
TEST(InstalledCopyRemoval, ACopyRefusedForAMomentGoesOnALaterTryItsTwinAfterIt)
{
    // deletes refused (-1: none, 0: every one), the first five deletes, files left, tries
    const std::tuple<int, Names, Names, int> cases[] = {
        {-1, {"oem1.inf", "oem1.PNF", "oem2.inf", "oem2.PNF"}, {"OTHER"}, 1},
        {1, {"oem1.inf", "oem2.inf", "oem2.PNF", "oem1.inf", "oem1.PNF"}, {"OTHER"}, 2},
        {0,
         {"oem1.inf", "oem2.inf", "oem1.inf", "oem2.inf", "oem1.inf"},
         {"OTHER", "oem1.inf", "oem1.PNF", "oem2.inf", "oem2.PNF"},
         10},
    };
    for (const auto& [refused, deletes, left, tries] : cases) {
        Removal m(OsClass::WindowsXp);
        for (const char* copy : {"oem1", "oem2"}) {
            m.Add(std::string(copy) + ".inf", Ours);
            m.Add(std::string(copy) + ".PNF", "precompiled");
        }
        m.files.faults.FailCall(Op::Remove, refused);
        EXPECT_EQ(m.Remove("1A2B", "3C4D"), 2);
        Names deleted;
        for (const std::string& line : m.files.log)
            if (line.starts_with("delete ") && deleted.size() < 5)
                deleted.push_back(line.substr(line.rfind('\\') + 1));
        EXPECT_EQ(deleted, deletes) << refused;
        EXPECT_EQ(m.Left(""), left) << refused;
        EXPECT_EQ(std::pair(m.clock.elapsedMilliseconds, m.view.dispatchCount),
                  std::pair((tries - 1) * 500LL, (tries - 1) * 50))
            << refused;
    }
}

// The driver goes, and on the 98 family the port driver too (XP leaves a port driver as it is).
// A delete refused for a moment (a driver still unloading, a scanner reading it) is tried again
// every 500 ms while the dialog answers, ten times in all; the uninstall's check then says whether
// one still stands. Where the searches fail, a file that can still be read stands there.
TEST(InstalledCopyRemoval, TheDriverGoesOnALaterTryWhenItsDeleteIsRefusedForAMoment)
{
    const std::string driver = "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS",
                      portDriver = "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR";
    // system, files before, the deletes refused from the first on (the 98 family deletes two
    // files a try), files after, tries
    const std::tuple<OsClass, Names, int, Names, int> cases[] = {
        {OsClass::WindowsXp, {}, 0, {}, 1},
        {OsClass::WindowsXp, {driver}, 1, {}, 2},
        {OsClass::WindowsXp, {driver}, 10, {driver}, 10},
        {OsClass::WindowsXp, {portDriver}, 0, {portDriver}, 1},
        {OsClass::WindowsMe, {driver, portDriver}, 3, {}, 3},
        {OsClass::WindowsMe, {driver, portDriver}, 20, {driver, portDriver}, 10},
        {OsClass::WindowsMe, {portDriver}, 20, {portDriver}, 10},
    };
    for (const bool searchesFail : {false, true}) {
        for (const auto& [osClass, before, refused, after, tries] : cases) {
            Removal m(osClass);
            m.session.State.DriverFileName.Assign("EXDISK.SY_");
            m.session.State.PortDriverFileName.Assign("EXDISK.PDR");
            for (const std::string& path : before) m.files.AddFile(path, "old", true);
            for (int call = 1; call <= refused; ++call) m.files.faults.FailCall(Op::Remove, call);
            if (searchesFail)
                m.files.faults.FailCall(Op::Search);
            DeleteDriverFile(m.session, m.files);
            Names left;
            for (const std::string& path : {driver, portDriver})
                if (m.files.Exists(path))
                    left.push_back(path);
            EXPECT_EQ(left, after) << refused << searchesFail;
            const bool removed = after.empty() || (osClass == OsClass::WindowsXp && after == Names{portDriver});
            EXPECT_EQ(DriverFileRemoved(m.files, m.session.State), removed) << refused << searchesFail;
            EXPECT_EQ(std::pair(m.clock.elapsedMilliseconds, m.view.dispatchCount),
                      std::pair((tries - 1) * 500LL, (tries - 1) * 50))
                << refused << searchesFail;
        }
    }
}

TEST(InstalledCopyRemoval, AMissingFolderOrAnOverlongWindowsFolderFindsNothing)
{
    TestPlatform bare;
    SetupSession s{bare.platform};
    s.State.WindowsFolder.Assign("C:\\WINDOWS");
    EXPECT_EQ(RemoveInfCopies(s, InfReadingOf(s.platform), "1A2B", "3C4D"), 0);
    s.State.WindowsFolder.Assign("C:\\" + std::string(245, 'W')); // the pattern would not fit 259 characters
    EXPECT_EQ(RemoveInfCopies(s, InfReadingOf(s.platform), "1A2B", "3C4D"), 0);
    EXPECT_EQ(bare.files.faults.calls[Op::Search], 1);
}

} // namespace
