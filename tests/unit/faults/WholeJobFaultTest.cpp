// Whole jobs over the system's own phases: what a clean run shows and leaves; the same jobs with
// one platform call made to fail, for every call a clean run makes, from every state an
// interrupted run can leave: the job still runs to its end, and nothing that must survive is
// lost. And whole jobs cut off after every change they make to the disk, the registry
// or the device nodes, then run again: the second run leaves the system whole.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "device/DeviceRemoval.h"
#include "fakes/ExamplePackage.h"
#include "fakes/FakeWizard.h"

namespace {

using Lines = std::vector<std::string>;
using example::Job;

const std::string& SetupDescription = example::AnySystem;
const std::pair<const char*, std::string> PackageFiles[] = {{"C:\\PKG\\EXDISK.IN_", SetupDescription},
                                                            {"C:\\PKG\\EXDISK.SY_", "driver"},
                                                            {"C:\\PKG\\EXDISK.PDR", "port driver"}};
// System files that are hidden while a device starts, each with its backup name. (The driver
// database is hidden too, but an install on the 98 family deletes it on purpose first.)
const char* const HiddenPairs[][2] = {{"C:\\WINDOWS\\INF\\USBSTOR.INF", "C:\\WINDOWS\\INF\\USBSTOR.IQ7"},
                                      {"C:\\WINDOWS\\INF\\USBSTOR.PNF", "C:\\WINDOWS\\INF\\USBSTOR.PQ7"}};
// Another vendor's installed copy whose hardware ID holds the pair's digits, not the pair.
const std::string ForeignInf = "[Version]\r\nSignature=$CHICAGO$\r\nProvider=Other\r\n[Manufacturer]\r\nOther=M\r\n"
                               "[M]\r\nNet=N,PCI\\VEN_8086&DEV_1A2B&SUBSYS_3C4D8086\r\n";
const char* const ForeignCopies[] = {"C:\\WINDOWS\\INF\\OEM8.INF", "C:\\WINDOWS\\INF\\OTHER\\PCINET.INF"};

const char* const AttachedDisk = "USB\\VID_1A2B&PID_3C4D\\0001";

// What an earlier run, cut off at some point, may have left.
enum class Interrupted { Nothing, BackupOnly, BothNames, EditLeftovers };
const char* const InterruptedNames[] = {"", ", from backups only", ", from both names", ", from edit leftovers"};

// Each job on a system, and what its run without faults shows: how long it pauses, and its
// steps in order: the bar's positions, "~N" for N messages taken in a row (a silent run sleeps
// after the removal instead), and the removal's device nodes, installed INF copies and driver.
struct Scenario {
    Job job;
    OsClass osClass;
    const char* name;
    long long milliseconds;
    const char* steps;
};
const std::string Removing = "removing device if present...", Installing = "installing...";
// The status lines of each job, in the order of Job.
const Lines StatusLines[] = {{"", Removing, Installing, ""}, {"", "", Removing, ""}, {Removing, Installing}};
using enum Job;
using enum OsClass;
const Scenario Scenarios[] = {
    {Install, Windows98SecondEdition, "install on 98 SE", 4500,
     "~30 1 nodes ~20 6 copies driver ~20 10 ~300 15 18 ~20 21 ~20 24 ~20 27 ~20 30 100"},
    {Install, WindowsXp, "install on XP", 4300,
     "~30 1 nodes ~20 6 copies driver ~20 10 ~300 15 18 ~20 21 ~20 27 ~20 30 100"},
    {Uninstall, WindowsMe, "uninstall on Me", 700, "0 ~30 10 nodes ~20 60 copies driver ~20 100"},
    {Uninstall, Windows2000, "uninstall on 2000", 700, "0 ~30 10 nodes ~20 60 copies driver ~20 100"},
    {SilentInstall, Windows98, "silent install on 98", 7200,
     "2 nodes ~20 15 copies driver ~20 25 30 ~20 35 ~20 40 ~20 45 ~20 50 50 ~300 100"},
    {SilentInstall, Unsupported, "silent install, unknown system", 7200,
     "2 nodes ~20 15 copies driver ~20 25 30 ~20 35 ~20 40 ~20 45 ~20 50 50 ~300 100"},
    {SilentInstall, WindowsXp, "silent install on XP", 5500,
     "2 nodes ~20 15 copies driver ~20 25 30 ~20 35 ~20 45 ~20 50 50 66 100"},
};

// The process dies there: the state stays as it is.
struct ProcessDied {};

// One machine with the package, earlier installs, the system's own files, device nodes and a
// wizard that comes up when the device tree is re-enumerated.
struct Machine : example::Machine {
    std::optional<FakeWizard> wizard;
    bool windowsXp, windows98Family;
    int changes = 0; // calls that changed the disk, the registry or the device nodes
    int crashAt = 0; // the run dies right after that change; 0: never

    explicit Machine(const Scenario& scenario, Interrupted interrupted = Interrupted::Nothing)
        : example::Machine(scenario.osClass), windowsXp(scenario.osClass == OsClass::WindowsXp),
          windows98Family(IsWindows98Family(scenario.osClass))
    {
        for (const auto& [path, bytes] : PackageFiles) files.AddFile(path, bytes, true);
        for (const auto& pair : HiddenPairs) files.AddFile(pair[0], pair[0]);
        files.AddFile("C:\\WINDOWS\\INF\\DRVIDX.BIN", "index");
        files.AddFile("C:\\WINDOWS\\INF\\DRVDATA.BIN", "data");
        files.AddFile("C:\\WINDOWS\\INF\\OEM7.PNF", "precompiled");
        files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", SetupDescription);
        files.AddFile("C:\\WINDOWS\\INF\\OEM7.INF", SetupDescription, true);
        files.AddFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS", "old driver", true);
        files.AddFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR", "old port driver", true);
        for (const char* copy : ForeignCopies) files.AddFile(copy, ForeignInf);
        registry.AddKey("Software\\Microsoft\\Windows\\CurrentVersion");
        devices.AddNode(UsbDeviceClass, "USB", AttachedDisk);
        devices.AddNode(HardDiskControllerClass, "UQ7STOR", "UQ7STOR\\VID_1A2B&PID_3C4E\\2").comebacks = 1;
        Leave(interrupted);
        files.faults.calls.clear(); // fault injection counts the calls of the run only
        // The disk is plugged in: its node comes back, and on Windows XP the wizard comes up.
        configManager.onReenumerate = [this] {
            devices.AddNode(UsbDeviceClass, "USB", AttachedDisk).attached = true;
            wizard.emplace(windows, Lines(4, "Example USB Disk"));
        };
        view.onDispatch = [this] { Step("~"); };
        for (Faults* faults : {&files.faults, &registry.faults, &devices.faults})
            faults->afterChange = [this, faults] {
                if (faults == &devices.faults)
                    Step("nodes");
                if (const char* step = faults == &files.faults ? RemovalStep(files.log.back()) : nullptr)
                    Step(step);
                if (++changes == crashAt)
                    throw ProcessDied{};
            };
    }

    // The removal's steps, known by the file a deletion names.
    static const char* RemovalStep(const std::string& logged)
    {
        const std::string change = Upper(logged);
        for (const char* copy : {"OEM7.INF", "OEM7.PNF", "OTHER\\EXDISK.INF", "OTHER\\EXDISK.PNF"})
            if (change == "DELETE C:\\WINDOWS\\INF\\" + std::string(copy))
                return "copies";
        for (const char* driver : {"SYSTEM32\\DRIVERS\\EXDISK.SYS", "SYSTEM\\IOSUBSYS\\EXDISK.PDR"})
            if (change == "DELETE C:\\WINDOWS\\" + std::string(driver))
                return "driver";
        return nullptr;
    }

    // Noted in the view's transcript among the bar's positions; a step repeated in a row is noted
    // once, and messages taken in a row as their number.
    void Step(const std::string& step)
    {
        const std::string last = view.transcript.empty() ? "" : view.transcript.back();
        if (step == "~" && last.starts_with("~"))
            view.transcript.back() = "~" + std::to_string(std::stoi(last.substr(1)) + 1);
        else if (step != last)
            view.transcript.push_back(step == "~" ? "~1" : step);
    }
    std::string Steps() const
    {
        std::string steps;
        for (const std::string& line : view.transcript)
            if (line.starts_with("progress ") || line.starts_with("~") || line == "nodes" || line == "copies" ||
                line == "driver")
                steps += (steps.empty() ? "" : " ") + (line.starts_with("progress ") ? line.substr(9) : line);
        return steps;
    }

    // Only what a run of ours on this system hides can stand under a backup name.
    void Leave(Interrupted interrupted)
    {
        const bool backups = interrupted == Interrupted::BackupOnly || interrupted == Interrupted::BothNames;
        for (const auto& pair : HiddenPairs) {
            if (backups && windowsXp && interrupted == Interrupted::BackupOnly)
                files.Move(pair[0], pair[1]);
            else if (backups && windowsXp)
                files.AddFile(pair[1], "an older backup");
        }
        if (backups && windows98Family) {
            files.AddFile("C:\\WINDOWS\\INF\\DRVIDX.Q7", "index");
            files.AddFile("C:\\WINDOWS\\INF\\DRVDATA.Q7", "data");
            if (interrupted == Interrupted::BackupOnly) {
                files.Remove("C:\\WINDOWS\\INF\\DRVIDX.BIN");
                files.Remove("C:\\WINDOWS\\INF\\DRVDATA.BIN");
            }
        }
        if (interrupted == Interrupted::EditLeftovers) {
            const std::string copy =
                windows98Family ? "C:\\WINDOWS\\INF\\OTHER\\EXDISK.IN" : "C:\\WINDOWS\\INF\\oemEXDISK.IN";
            files.Remove(copy + "F");
            files.AddFile(copy + "~", SetupDescription);
            files.AddFile(copy + "$", "[Version]\r\nSigna");
        }
    }
};

Faults& FaultsOf(Machine& m, Op op)
{
    return op <= Op::Rewrite    ? m.files.faults
           : op == Op::Registry ? m.registry.faults
           : op == Op::Scan     ? m.configManager.faults
                                : m.devices.faults;
}

void ExpectJobCompleted(const Machine& m, Job job, const std::string& where)
{
    const Lines& t = m.view.transcript;
    ASSERT_FALSE(t.empty()) << where;
    EXPECT_EQ(t.back(), "end 2") << where;
    if (!m.Shown("caption Example Disk Setup"))
        return; // a read of the package that failed ends the run at once
    // An install ends at the bar's end, saying it is complete, only when the driver, the INF copy
    // (edited, or as it was where the edit failed) and on the 98 family the port driver stand
    // where it put them; otherwise it
    // stops there and says so (a silent one before the device start, with status 4). A failed
    // read of a file in place stops it too: the system could not read that file either.
    std::string edited = SetupDescription;
    edited.insert(edited.find("CopyFiles"), ";");
    const std::string copy =
        m.files.Contents(m.windows98Family ? "C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF" : "C:\\WINDOWS\\INF\\oemEXDISK.INF");
    const bool placed =
        m.files.Contents("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS") == "driver" &&
        (copy == edited || copy == SetupDescription) &&
        (!m.windows98Family || m.files.Contents("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR") == "port driver");
    const bool finished = m.Shown("progress 100");
    EXPECT_TRUE(job == Job::Uninstall ? finished : placed || !finished) << where;
    // An uninstall says it is complete only when the driver (and on the 98 family the port
    // driver) is gone.
    const bool removed = !m.files.Exists("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS") &&
                         !(m.windows98Family && m.files.Exists("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR"));
    const Lines closing = {
        job == Job::Uninstall
            ? (removed ? "Uninstallation is complete. flags 64"
                       : "The driver could not be removed from the Windows folder. Uninstallation is not complete. "
                         "flags 16")
        : finished
            ? "Installation is complete. Please replug your device. flags 64"
            : "The driver files could not be copied into the Windows folder. Installation is not complete. flags 16"};
    EXPECT_EQ(m.view.Lines("message [Example Disk Setup] "), job == Job::SilentInstall ? Lines{} : closing) << where;
    EXPECT_TRUE(job == Job::SilentInstall || m.Shown("enable 1003 on")) << where;
    EXPECT_EQ(job == Job::SilentInstall && !finished, m.session.ExitStatus == SilentFilesNotPlaced) << where;
}

void ExpectNothingLost(const Machine& m, const std::string& where)
{
    for (const auto& [path, bytes] : PackageFiles) {
        EXPECT_EQ(m.files.Contents(path), bytes) << where << " " << path;
        EXPECT_TRUE(m.files.IsReadOnly(path)) << where;
    }
    for (const char* copy : ForeignCopies)
        EXPECT_EQ(m.files.Exists(copy) ? m.files.Contents(copy) : "(deleted)", ForeignInf) << where << " " << copy;
    for (const auto& pair : HiddenPairs)
        EXPECT_EQ(m.files.Contents(m.files.Exists(pair[0]) ? pair[0] : pair[1]), pair[0])
            << where << ": " << pair[0] << " lost";
    // Bounded: no job waits longer than its search, its driving limit and its pauses.
    EXPECT_LT(m.clock.elapsedMilliseconds, 10 * 60 * 1000) << where;
}

// After a run that was not cut off: every hidden file is back under its system name, and no
// backup or edit leftover of ours remains.
void ExpectWhole(const Machine& m, const std::string& where)
{
    for (const auto& pair : HiddenPairs) {
        EXPECT_TRUE(m.files.Exists(pair[0])) << where << ": " << pair[0] << " not under its own name";
        EXPECT_FALSE(m.files.Exists(pair[1])) << where << ": " << pair[1] << " left";
    }
    for (const char* leftover : {"C:\\WINDOWS\\INF\\OTHER\\EXDISK.IN~", "C:\\WINDOWS\\INF\\OTHER\\EXDISK.IN$",
                                 "C:\\WINDOWS\\INF\\oemEXDISK.IN~", "C:\\WINDOWS\\INF\\oemEXDISK.IN$"})
        EXPECT_FALSE(m.files.Exists(leftover)) << where << ": " << leftover << " left";
    for (const char* backup : {"C:\\WINDOWS\\INF\\DRVIDX.Q7", "C:\\WINDOWS\\INF\\DRVDATA.Q7"})
        EXPECT_FALSE(m.windows98Family && m.files.Exists(backup)) << where << ": " << backup << " left";
}

TEST(WholeJobFaults, EveryCallOfEveryOperationFailingInTurn)
{
    int injected = 0;
    for (const Scenario& scenario : Scenarios) {
        for (int state = 0; state < 4; ++state) {
            const std::string name = scenario.name + std::string(InterruptedNames[state]);
            Machine clean(scenario, Interrupted(state));
            clean.Run(scenario.job);
            ExpectJobCompleted(clean, scenario.job, name + ", no fault");
            ExpectNothingLost(clean, name + ", no fault");
            ExpectWhole(clean, name + ", no fault");
            EXPECT_EQ(clean.session.ExitStatus, 0) << name;
            EXPECT_EQ(clean.devices.NodesLeft(), scenario.job == Job::SilentInstall ? Lines{AttachedDisk} : Lines{})
                << name;
            EXPECT_EQ(clean.files.Contents("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS"),
                      scenario.job == Job::Uninstall ? "" : "driver")
                << name;
            EXPECT_EQ(clean.files.Contents("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\EXDISK.PDR"),
                      !clean.windows98Family           ? "old port driver"
                      : scenario.job == Job::Uninstall ? ""
                                                       : "port driver")
                << name;
            EXPECT_EQ(clean.view.Lines("text 1008 "), StatusLines[static_cast<int>(scenario.job)]) << name;
            EXPECT_EQ(clean.Steps(), scenario.steps) << name;
            EXPECT_EQ(clean.clock.elapsedMilliseconds, scenario.milliseconds) << name;

            // Every call of each operation, then a new device that brings no wizard.
            std::vector<std::pair<std::string, std::function<void(Machine&)>>> faults = {
                {"no wizard", [](Machine& m) { m.configManager.onReenumerate = nullptr; }}};
            for (Op op = Op::Search; op <= Op::Scan; op = Op(int(op) + 1))
                for (int call = 1; call <= FaultsOf(clean, op).calls[op]; ++call)
                    faults.push_back({"operation " + std::to_string(int(op)) + " call " + std::to_string(call),
                                      [=](Machine& m) { FaultsOf(m, op).FailCall(op, call); }});
            for (const auto& [fault, inject] : faults) {
                Machine faulty(scenario, Interrupted(state));
                inject(faulty);
                faulty.Run(scenario.job);
                ExpectJobCompleted(faulty, scenario.job, name + ", " + fault);
                ExpectNothingLost(faulty, name + ", " + fault);
                ++injected;
            }
        }
    }
    std::printf("[ faults   ] %d injected faults\n", injected);
    EXPECT_GT(injected, 1200);
}

TEST(WholeJobFaults, ARunCutOffAfterAnyChangeIsMadeWholeByTheNextRunOfAnyJob)
{
    int crashPoints = 0, secondRuns = 0;
    for (const Scenario& scenario : Scenarios) {
        Machine counting(scenario);
        counting.Run(scenario.job);
        ASSERT_GT(counting.changes, 10) << scenario.name;
        for (int k = 1; k <= counting.changes; ++k, ++crashPoints) {
            for (Job next : {Job::Install, Job::Uninstall, Job::SilentInstall}) {
                const std::string where = scenario.name + std::string(", cut off after change ") + std::to_string(k);
                Machine m(scenario);
                m.crashAt = k;
                EXPECT_THROW(m.Run(scenario.job), ProcessDied) << where;
                m.crashAt = 0;
                m.view.transcript.clear();
                SetupSession second{m.platform};
                m.Run(next, second);
                ExpectNothingLost(m, where + ", then another job");
                // A start that is refused (an interactive one on an unknown system) runs no job
                // and changes nothing; every job that runs leaves the system whole.
                if (m.Shown("text 1008 removing device if present...")) {
                    ExpectWhole(m, where + ", then another job");
                    ++secondRuns;
                }
            }
        }
    }
    std::printf("[ crashes  ] %d crash points, each followed by a second run of each job (%d that ran a job)\n",
                crashPoints, secondRuns);
    EXPECT_GT(crashPoints, 100);
}

} // namespace
