// Whole jobs with one platform call made to fail, for every call a clean run makes, from every
// state an interrupted run can leave: the job still runs to its end, and nothing that must
// survive is lost. And whole jobs cut off after every change they make to the disk or the
// registry, then run again: the second run leaves the system whole.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "app/DialogStart.h"
#include "app/JobControl.h"
#include "device/DeviceRemoval.h"
#include "device/WizardAutomation.h"
#include "fakes/ExamplePackage.h"
#include "fakes/FakeWizard.h"

namespace {

using Lines = std::vector<std::string>;

// The example package, for any system, with no target ID.
const std::string SetupDescription = [] {
    example::SetupDescription description;
    description.setup = example::Section("Setup", "FDDInf=EXFLOP.IN_\r\nWin98Only=0\r\nSetupName=Example Disk Setup\r\n");
    return description.Text();
}();

const char* const PackageFiles[][2] = {
    {"C:\\PKG\\EXDISK.IN_", nullptr}, {"C:\\PKG\\EXDISK.SY_", "driver"}, {"C:\\PKG\\EXDISK.PDR", "port driver"}};

// System files that are hidden while a device starts, each with its backup name. (The driver
// database is hidden too, but an install on the 98 family deletes it on purpose first.)
const char* const HiddenPairs[][2] = {
    {"C:\\WINDOWS\\INF\\USBSTOR.INF", "C:\\WINDOWS\\INF\\USBSTOR.IQ7"},
    {"C:\\WINDOWS\\INF\\USBSTOR.PNF", "C:\\WINDOWS\\INF\\USBSTOR.PQ7"},
};

// Another vendor's installed copy whose hardware ID holds the pair's digits, not the pair.
const std::string ForeignInf = "[Version]\r\nSignature=$CHICAGO$\r\nProvider=Other\r\n[Manufacturer]\r\nOther=M\r\n"
                               "[M]\r\nNet=N,PCI\\VEN_8086&DEV_1A2B&SUBSYS_3C4D8086\r\n";
const char* const ForeignCopies[] = {"C:\\WINDOWS\\INF\\OEM8.INF", "C:\\WINDOWS\\INF\\OTHER\\PCINET.INF"};

enum class Job { Install, Uninstall, SilentInstall };

// What an earlier run, cut off at some point, may have left.
enum class Interrupted { Nothing, BackupOnly, BothNames, EditLeftovers };
const Interrupted InterruptedStates[] = {Interrupted::Nothing, Interrupted::BackupOnly, Interrupted::BothNames,
                                         Interrupted::EditLeftovers};
const char* const InterruptedNames[] = {"", ", from backups only", ", from both names", ", from edit leftovers"};

// Stops the run right after the k-th call that changes the disk or the registry, keeping the
// state as it is: the process dies there.
struct ProcessDied {};
struct CrashPoint {
    int changes = 0;
    int crashAt = 0; // 0: never
    void Changed()
    {
        if (++changes == crashAt)
            throw ProcessDied{};
    }
};

// Each wrapper passes its calls on and counts those that change something.
class CrashingFiles : public FileSystem {
public:
    CrashingFiles(FileSystem& inner, CrashPoint& crash) : inner_(inner), crash_(crash) {}
    std::vector<std::string> FindFiles(const std::string& pattern) override { return inner_.FindFiles(pattern); }
    bool Copy(const std::string& from, const std::string& to) override { return After(inner_.Copy(from, to)); }
    bool Move(const std::string& from, const std::string& to) override { return After(inner_.Move(from, to)); }
    bool Remove(const std::string& path) override { return After(inner_.Remove(path)); }
    bool SetNormalAttributes(const std::string& path) override { return After(inner_.SetNormalAttributes(path)); }
    bool MakeDirectory(const std::string& path) override { return After(inner_.MakeDirectory(path)); }
    bool ReadAll(const std::string& path, std::string& bytes) override { return inner_.ReadAll(path, bytes); }
    bool Rewrite(const std::string& path, const std::string& bytes) override
    {
        return After(inner_.Rewrite(path, bytes));
    }

private:
    bool After(bool result) { return crash_.Changed(), result; }
    FileSystem& inner_;
    CrashPoint& crash_;
};

class CrashingRegistry : public Registry {
public:
    CrashingRegistry(Registry& inner, CrashPoint& crash) : inner_(inner), crash_(crash) {}
    bool SetMachineString(const std::string& keyPath, const std::string& valueName, const std::string& text) override
    {
        const bool written = inner_.SetMachineString(keyPath, valueName, text);
        return crash_.Changed(), written;
    }

private:
    Registry& inner_;
    CrashPoint& crash_;
};

class CrashingDevices : public DeviceSetup {
public:
    CrashingDevices(DeviceSetup& inner, CrashPoint& crash) : inner_(inner), crash_(crash) {}
    std::vector<std::string> InstanceIds(const ClassGuid& classGuid, const std::string& enumerator) override
    {
        return inner_.InstanceIds(classGuid, enumerator);
    }
    bool RemoveDevice(const std::string& instanceId) override
    {
        const bool removed = inner_.RemoveDevice(instanceId);
        return crash_.Changed(), removed;
    }

private:
    DeviceSetup& inner_;
    CrashPoint& crash_;
};

struct Scenario {
    Job job;
    SystemVersion version;
    const char* name;
};

const Scenario Scenarios[] = {
    {Job::Install, {4, 10, 2222}, "install on 98 SE"},
    {Job::Install, {5, 1, 2600}, "install on XP"},
    {Job::Uninstall, {4, 90, 3000}, "uninstall on Me"},
    {Job::Uninstall, {5, 0, 2195}, "uninstall on 2000"},
    {Job::SilentInstall, {4, 10, 1998}, "silent install on 98"},
    {Job::SilentInstall, {6, 0, 6000}, "silent install on an unknown system"},
    {Job::SilentInstall, {5, 1, 2600}, "silent install on XP"},
};

// One machine with the package, earlier installs, the system's own files, device nodes and a
// wizard that comes up when the device tree is re-enumerated.
struct Machine {
    TestPlatform test;
    CrashPoint crash;
    CrashingFiles files{test.files, crash};
    CrashingRegistry registry{test.registry, crash};
    CrashingDevices devices{test.devices, crash};
    Platform platform{files,       registry,   devices,       test.configManager, test.windows,
                      test.system, test.clock, test.codePage, test.view};
    SetupSession session{platform};
    SystemPhases phases;
    bool windowsXp = false;
    bool windows98Family = false;
    std::optional<FakeWizard> wizard;

    explicit Machine(const Scenario& scenario, Interrupted interrupted = Interrupted::Nothing)
    {
        FakeFileSystem& files = test.files;
        test.system.version = scenario.version;
        test.system.moduleFileName = "C:\\PKG\\SETUP.EXE";
        for (const auto& file : PackageFiles) files.AddFile(file[0], file[1] ? file[1] : SetupDescription, true);
        for (const char* folder :
             {"C:\\WINDOWS\\INF\\OTHER", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS", "C:\\WINDOWS\\SYSTEM32\\DRIVERS"})
            files.AddFolder(folder);
        for (const auto& pair : HiddenPairs) files.AddFile(pair[0], pair[0]);
        files.AddFile("C:\\WINDOWS\\INF\\DRVIDX.BIN", "index");
        files.AddFile("C:\\WINDOWS\\INF\\DRVDATA.BIN", "data");
        files.AddFile("C:\\WINDOWS\\INF\\OEM7.INF", SetupDescription, true);
        files.AddFile("C:\\WINDOWS\\INF\\OEM7.PNF", "precompiled");
        files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", SetupDescription);
        files.AddFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS", "old driver", true);
        test.registry.AddKey("Software\\Microsoft\\Windows\\CurrentVersion");
        test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0001");
        test.devices.AddNode(HardDiskControllerClass, "UQ7STOR", "UQ7STOR\\VID_1A2B&PID_3C4E\\2").comebacks = 1;
        for (const char* copy : ForeignCopies) files.AddFile(copy, ForeignInf);
        windowsXp = scenario.version.Major == 5 && scenario.version.Minor == 1;
        windows98Family = scenario.version.Major != 5;
        Leave(interrupted);
        test.configManager.onReenumerate = [this] { wizard.emplace(test.windows, Lines(4, "Example USB Disk")); };
        test.windows.onCommand = [this](WindowHandle window, std::uint32_t command, std::intptr_t) {
            if (wizard)
                wizard->Take(window, command);
        };
    }

    // Only what a run of ours on this system hides can stand under a backup name.
    void Leave(Interrupted interrupted)
    {
        FakeFileSystem& files = test.files;
        if ((interrupted == Interrupted::BackupOnly || interrupted == Interrupted::BothNames) && windowsXp) {
            for (const auto& pair : HiddenPairs) {
                if (interrupted == Interrupted::BackupOnly) {
                    files.Move(pair[0], pair[1]);
                    files.log.clear();
                } else {
                    files.AddFile(pair[1], "an older backup");
                }
            }
        }
        if ((interrupted == Interrupted::BackupOnly || interrupted == Interrupted::BothNames) && windows98Family) {
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

    void Run(Job job) { Run(job, session); }

    // A run of a job on this machine as it stands; ProcessDied ends it where the crash point is.
    void Run(Job job, SetupSession& session)
    {
        StartSetupDialog(session, phases, job == Job::SilentInstall);
        const std::vector<std::string>& t = test.view.transcript;
        if (job == Job::SilentInstall || t.empty() || t.back() != "focus 1003")
            return;
        if (job == Job::Uninstall)
            OnUninstallChosen(session);
        OnStartClicked(session, phases);
    }
};

struct Injection {
    std::string name;
    std::function<int(Machine&)> callCount;
    std::function<void(Machine&, int)> failCall;
};

template <typename Fake, typename Operation>
Injection Inject(const std::string& name, Fake TestPlatform::*fake, Operation operation)
{
    return {name, [=](Machine& m) { return (m.test.*fake).faults.CallCount(operation); },
            [=](Machine& m, int call) { (m.test.*fake).faults.FailCall(operation, call); }};
}

std::vector<Injection> Injections()
{
    using File = FakeFileSystem::Operation;
    using Reg = FakeRegistry::Operation;
    using Dev = FakeDeviceSetup::Operation;
    std::vector<Injection> all = {
        Inject("file search", &TestPlatform::files, File::FindFiles),
        Inject("copy", &TestPlatform::files, File::Copy),
        Inject("move", &TestPlatform::files, File::Move),
        Inject("delete", &TestPlatform::files, File::Remove),
        Inject("attributes", &TestPlatform::files, File::SetNormalAttributes),
        Inject("directory creation", &TestPlatform::files, File::MakeDirectory),
        Inject("file read", &TestPlatform::files, File::ReadAll),
        Inject("file write", &TestPlatform::files, File::Rewrite),
        Inject("registry write", &TestPlatform::registry, Reg::SetMachineString),
        Inject("device listing", &TestPlatform::devices, Dev::InstanceIds),
        Inject("node removal", &TestPlatform::devices, Dev::RemoveDevice),
        Inject("re-enumeration", &TestPlatform::configManager, FakeConfigManager::Operation::ReenumerateDeviceTree),
    };
    all.push_back({"window search", [](Machine&) { return 1; },
                   [](Machine& m, int) { m.test.configManager.onReenumerate = nullptr; }});
    all.push_back(
        {"message box", [](Machine&) { return 1; }, [](Machine& m, int) { m.test.view.messageBoxResult = 0; }});
    return all;
}

void ExpectJobCompleted(const Machine& m, Job job, const std::string& where)
{
    const std::vector<std::string>& t = m.test.view.transcript;
    ASSERT_FALSE(t.empty()) << where;
    EXPECT_EQ(t.back(), "end 2") << where;
    const bool packageRead = std::find(t.begin(), t.end(), "caption Example Disk Setup") != t.end();
    if (!packageRead)
        return; // a read of the package that failed ends the run at once
    const char* closing = job == Job::Install     ? "Installation is complete. Please replug your device. flags 64"
                          : job == Job::Uninstall ? "Uninstallation is complete. flags 64"
                                                  : nullptr;
    if (closing) {
        ASSERT_GE(t.size(), 2u) << where;
        EXPECT_EQ(t[t.size() - 2], std::string("message [Example Disk Setup] ") + closing) << where;
        EXPECT_NE(std::find(t.begin(), t.end(), "enable 1003 on"), t.end()) << where;
    }
    // A silent run whose files could not be placed stops before the device start, and says so.
    if (job == Job::SilentInstall && m.session.ExitStatus == SilentFilesNotPlaced)
        return;
    EXPECT_NE(std::find(t.begin(), t.end(), "progress 100"), t.end()) << where;
}

void ExpectNothingLost(const Machine& m, const std::string& where)
{
    for (const auto& file : PackageFiles) {
        EXPECT_EQ(m.test.files.Contents(file[0]), file[1] ? file[1] : SetupDescription) << where << " " << file[0];
        EXPECT_TRUE(m.test.files.IsReadOnly(file[0])) << where;
    }
    for (const char* copy : ForeignCopies)
        EXPECT_EQ(m.test.files.Exists(copy) ? m.test.files.Contents(copy) : "(deleted)", ForeignInf)
            << where << " " << copy;
    for (const auto& pair : HiddenPairs) {
        const bool kept = m.test.files.Exists(pair[0]) || m.test.files.Exists(pair[1]);
        EXPECT_TRUE(kept) << where << ": " << pair[0] << " lost";
        const std::string copy =
            m.test.files.Exists(pair[0]) ? m.test.files.Contents(pair[0]) : m.test.files.Contents(pair[1]);
        EXPECT_EQ(copy, pair[0]) << where;
    }
    // Bounded: no job waits longer than its search, its driving limit and its pauses.
    EXPECT_LT(m.test.clock.elapsedMilliseconds, 10 * 60 * 1000) << where;
}

// After a run that was not cut off: every hidden file is back under its system name, and no
// backup or edit leftover of ours remains.
void ExpectWhole(const Machine& m, const std::string& where)
{
    for (const auto& pair : HiddenPairs) {
        EXPECT_TRUE(m.test.files.Exists(pair[0])) << where << ": " << pair[0] << " not under its own name";
        EXPECT_FALSE(m.test.files.Exists(pair[1])) << where << ": " << pair[1] << " left";
    }
    if (m.windows98Family) {
        for (const char* backup : {"C:\\WINDOWS\\INF\\DRVIDX.Q7", "C:\\WINDOWS\\INF\\DRVDATA.Q7"})
            EXPECT_FALSE(m.test.files.Exists(backup)) << where << ": " << backup << " left";
    }
    for (const char* leftover : {"C:\\WINDOWS\\INF\\OTHER\\EXDISK.IN~", "C:\\WINDOWS\\INF\\OTHER\\EXDISK.IN$",
                                 "C:\\WINDOWS\\INF\\oemEXDISK.IN~", "C:\\WINDOWS\\INF\\oemEXDISK.IN$"})
        EXPECT_FALSE(m.test.files.Exists(leftover)) << where << ": " << leftover << " left";
}

TEST(WholeJobFaults, EveryCallOfEveryOperationFailingInTurn)
{
    int injected = 0;
    int jobs = 0;
    for (const Scenario& scenario : Scenarios) {
        for (std::size_t state = 0; state < std::size(InterruptedStates); ++state) {
            const Interrupted interrupted = InterruptedStates[state];
            const std::string name = std::string(scenario.name) + InterruptedNames[state];
            Machine clean(scenario, interrupted);
            clean.Run(scenario.job);
            ExpectJobCompleted(clean, scenario.job, name + ", no fault");
            ExpectNothingLost(clean, name + ", no fault");
            ExpectWhole(clean, name + ", no fault");
            EXPECT_EQ(clean.session.ExitStatus, 0) << name;
            EXPECT_FALSE(clean.test.devices.NodeExists("USB\\VID_1A2B&PID_3C4D\\0001")) << name;
            ++jobs;

            for (const Injection& injection : Injections()) {
                const int calls = injection.callCount(clean);
                for (int call = 1; call <= calls; ++call) {
                    Machine faulty(scenario, interrupted);
                    injection.failCall(faulty, call);
                    faulty.Run(scenario.job);
                    const std::string where = name + ", " + injection.name + " call " + std::to_string(call) + " fails";
                    ExpectJobCompleted(faulty, scenario.job, where);
                    ExpectNothingLost(faulty, where);
                    ++injected;
                    ++jobs;
                }
            }
        }
    }
    std::printf("[ faults   ] %d injected faults over %d whole jobs\n", injected, jobs);
    EXPECT_GT(injected, 1200);
}

TEST(WholeJobFaults, ARunCutOffAfterAnyChangeIsMadeWholeByTheNextRunOfAnyJob)
{
    const Job jobs[] = {Job::Install, Job::Uninstall, Job::SilentInstall};
    int crashPoints = 0;
    int secondRuns = 0;
    for (const Scenario& scenario : Scenarios) {
        Machine counting(scenario);
        counting.Run(scenario.job);
        const int changes = counting.crash.changes;
        ASSERT_GT(changes, 10) << scenario.name;
        for (int k = 1; k <= changes; ++k) {
            ++crashPoints;
            for (Job next : jobs) {
                Machine m(scenario);
                m.crash.crashAt = k;
                bool died = false;
                try {
                    m.Run(scenario.job);
                } catch (const ProcessDied&) {
                    died = true;
                }
                const std::string where = std::string(scenario.name) + ", cut off after change " + std::to_string(k);
                ASSERT_TRUE(died) << where;
                m.crash.crashAt = 0;
                m.test.view.transcript.clear();
                SetupSession second{m.platform};
                m.Run(next, second);
                ExpectNothingLost(m, where + ", then another job");
                // A start that is refused (an interactive one on an unknown system) runs no job
                // and changes nothing; every job that runs leaves the system whole.
                const std::vector<std::string>& t = m.test.view.transcript;
                if (std::find(t.begin(), t.end(), "text 1008 removing device if present...") != t.end()) {
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
