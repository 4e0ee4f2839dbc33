// Whole jobs with one platform call made to fail, for every call a clean run makes: the job
// still runs to its end, and nothing that must survive is lost.
#include <gtest/gtest.h>

#include <functional>

#include "app/DialogStart.h"
#include "app/JobControl.h"
#include "device/DeviceRemoval.h"
#include "device/WizardAutomation.h"
#include "fakes/TestPlatform.h"

namespace {

const std::string SetupDescription =
    "[Version]\r\nSignature=$CHICAGO$\r\nClass=USB\r\nProvider=%Maker%\r\n\r\n"
    "[Manufacturer]\r\n%Maker%=ExModels\r\n\r\n"
    "[ExModels]\r\n%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C4D\r\n%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C4E\r\n\r\n"
    "[ExInstall]\r\nCopyFiles=ExFiles\r\n\r\n[ExFiles]\r\nEXDISK.SYS\r\n\r\n"
    "[Setup]\r\nFDDInf=EXFLOP.IN_\r\nWin98Only=0\r\nSetupName=Example Disk Setup\r\n\r\n"
    "[Strings]\r\nMaker=Example Maker\r\nEx.Desc=Example USB Disk\r\n";

const char* const PackageFiles[][2] = {
    {"C:\\PKG\\EXDISK.IN_", nullptr}, {"C:\\PKG\\EXDISK.SY_", "driver"}, {"C:\\PKG\\EXDISK.PDR", "port driver"}};

// System files that are hidden while a device starts, each with its backup name. (The driver
// database is hidden too, but an install on the 98 family deletes it on purpose first.)
const char* const HiddenPairs[][2] = {
    {"C:\\WINDOWS\\INF\\USBSTOR.INF", "C:\\WINDOWS\\INF\\USBSTOR.IQ7"},
    {"C:\\WINDOWS\\INF\\USBSTOR.PNF", "C:\\WINDOWS\\INF\\USBSTOR.PQ7"},
};

enum class Job { Install, Uninstall, SilentInstall };

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
    SetupSession session{test.platform};
    SystemPhases phases;
    WindowHandle wizard = NoWindow;
    WindowHandle next = NoWindow;
    WindowHandle finish = NoWindow;
    WindowHandle page = NoWindow;
    int pageNumber = 0;

    explicit Machine(const Scenario& scenario)
    {
        FakeFileSystem& files = test.files;
        test.system.version = scenario.version;
        test.system.moduleFileName = "C:\\PKG\\SETUP.EXE";
        for (const auto& file : PackageFiles)
            files.AddFile(file[0], file[1] ? file[1] : SetupDescription, true);
        for (const char* folder : {"C:\\WINDOWS\\INF\\OTHER", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS",
                                   "C:\\WINDOWS\\SYSTEM32\\DRIVERS"})
            files.AddFolder(folder);
        for (const auto& pair : HiddenPairs)
            files.AddFile(pair[0], pair[0]);
        files.AddFile("C:\\WINDOWS\\INF\\DRVIDX.BIN", "index");
        files.AddFile("C:\\WINDOWS\\INF\\DRVDATA.BIN", "data");
        files.AddFile("C:\\WINDOWS\\INF\\OEM7.INF", SetupDescription, true);
        files.AddFile("C:\\WINDOWS\\INF\\OEM7.PNF", "precompiled");
        files.AddFile("C:\\WINDOWS\\INF\\OTHER\\EXDISK.INF", SetupDescription);
        files.AddFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\EXDISK.SYS", "old driver", true);
        test.registry.AddKey("Software\\Microsoft\\Windows\\CurrentVersion");
        test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0001");
        test.devices.AddNode(HardDiskControllerClass, "UQ7STOR", "UQ7STOR\\VID_1A2B&PID_3C4E\\2").comebacks = 1;
        test.configManager.onReenumerate = [this] { OpenWizard(); };
        test.windows.onCommand = [this](WindowHandle window, std::uint32_t command, std::intptr_t) {
            if (window == wizard && command == WizardNextButton && pageNumber < 3)
                ShowPage(pageNumber + 1);
        };
    }

    void OpenWizard()
    {
        FakeWindowSystem& w = test.windows;
        wizard = w.AddWindow(NoWindow, "#32770", "Found New Hardware Wizard");
        next = w.AddWindow(wizard, "Button", "Next", WizardNextButton);
        finish = w.AddWindow(wizard, "Button", "Finish", WizardFinishButton);
        ShowPage(0);
    }
    void ShowPage(int number)
    {
        FakeWindowSystem& w = test.windows;
        if (page != NoWindow)
            w.DestroyWindow(page);
        pageNumber = number;
        page = w.AddWindow(wizard, "#32770");
        w.AddWindow(page, "Static", "Example USB Disk");
        w.BringToTop(page);
        w.Window(next).enabled = number < 3;
        w.Window(finish).visible = number == 3;
    }

    void Run(Job job)
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
        Inject("registry open", &TestPlatform::registry, Reg::OpenMachineKey),
        Inject("registry write", &TestPlatform::registry, Reg::SetStringValue),
        Inject("registry close", &TestPlatform::registry, Reg::CloseKey),
        Inject("device set", &TestPlatform::devices, Dev::GetClassDevices),
        Inject("instance ID", &TestPlatform::devices, Dev::GetInstanceId),
        Inject("node removal", &TestPlatform::devices, Dev::RemoveDevice),
    };
    all.push_back({"root locate", [](Machine&) { return 1; },
                   [](Machine& m, int) { m.test.configManager.locateResult = 0x13; }});
    all.push_back({"re-enumeration", [](Machine&) { return 1; },
                   [](Machine& m, int) { m.test.configManager.reenumerateResult = 0x13; }});
    all.push_back({"window search", [](Machine&) { return 1; },
                   [](Machine& m, int) { m.test.configManager.onReenumerate = nullptr; }});
    all.push_back({"message box", [](Machine&) { return 1; },
                   [](Machine& m, int) { m.test.view.messageBoxResult = 0; }});
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
    EXPECT_NE(std::find(t.begin(), t.end(), "progress 100"), t.end()) << where;
}

void ExpectNothingLost(const Machine& m, const std::string& where)
{
    for (const auto& file : PackageFiles) {
        EXPECT_EQ(m.test.files.Contents(file[0]), file[1] ? file[1] : SetupDescription) << where << " " << file[0];
        EXPECT_TRUE(m.test.files.IsReadOnly(file[0])) << where;
    }
    for (const auto& pair : HiddenPairs) {
        const bool kept = m.test.files.Exists(pair[0]) || m.test.files.Exists(pair[1]);
        EXPECT_TRUE(kept) << where << ": " << pair[0] << " lost";
        const std::string copy = m.test.files.Exists(pair[0]) ? m.test.files.Contents(pair[0])
                                                               : m.test.files.Contents(pair[1]);
        EXPECT_EQ(copy, pair[0]) << where;
    }
    // Bounded: no job waits longer than its search, its driving limit and its pauses.
    EXPECT_LT(m.test.clock.elapsedMilliseconds, 10 * 60 * 1000) << where;
}

TEST(WholeJobFaults, EveryCallOfEveryOperationFailingInTurn)
{
    int injected = 0;
    int jobs = 0;
    for (const Scenario& scenario : Scenarios) {
        Machine clean(scenario);
        clean.Run(scenario.job);
        ExpectJobCompleted(clean, scenario.job, std::string(scenario.name) + ", no fault");
        ExpectNothingLost(clean, std::string(scenario.name) + ", no fault");
        EXPECT_EQ(clean.session.ExitStatus, 0) << scenario.name;
        EXPECT_FALSE(clean.test.devices.NodeExists("USB\\VID_1A2B&PID_3C4D\\0001")) << scenario.name;
        ++jobs;

        for (const Injection& injection : Injections()) {
            const int calls = injection.callCount(clean);
            for (int call = 1; call <= calls; ++call) {
                Machine faulty(scenario);
                injection.failCall(faulty, call);
                faulty.Run(scenario.job);
                const std::string where =
                    std::string(scenario.name) + ", " + injection.name + " call " + std::to_string(call) + " fails";
                ExpectJobCompleted(faulty, scenario.job, where);
                ExpectNothingLost(faulty, where);
                ++injected;
                ++jobs;
            }
        }
    }
    std::printf("[ faults   ] %d injected faults over %d whole jobs\n", injected, jobs);
    EXPECT_GT(injected, 300);
}

} // namespace
