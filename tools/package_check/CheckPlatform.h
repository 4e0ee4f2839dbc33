// The platform under the package check: the real file system for reading, the console for
// messages, and nothing else (the check never changes the system).
#pragma once
#include <cstdio>

#include "platform/Platform.h"
#include "records/OsClass.h"

#ifdef _WIN32
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32TextCodePage.h"
using CheckFileSystem = Win32FileSystem;
using CheckCodePage = Win32TextCodePage;
#else
#include "HostFileSystem.h"
#include "Utf8CodePage.h"
using CheckFileSystem = HostFileSystem;
using CheckCodePage = Utf8CodePage;
#endif

// A row of Setup.exe's string table in the language (English where the program has no table of
// that language); empty when there is no such row.
std::string StringTableText(std::uint16_t language, int stringId);

// Messages are printed instead of shown, with the texts of Setup.exe's string tables.
class ConsoleView : public SetupView {
public:
    std::uint16_t language = 0x0409;

    std::string LoadText(int stringId) override { return StringTableText(language, stringId); }
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override
    {
        const char* icon = flags == 16 ? "stop" : flags == 64 ? "information" : "no";
        std::printf("message: Setup.exe shows a message box with the %s icon, captioned \"%s\":\n    %s\n", icon,
                    caption.c_str(), text.c_str());
        return 1;
    }
    void AddSystemMenuEntry(int, const std::string&) override {}
    void SetDialogIcon() override {}
    void ShowLogo() override {}
    void SetCaption(const std::string&) override {}
    void SetControlText(int, const std::string&) override {}
    void SetCheck(int, bool) override {}
    void FocusControl(int) override {}
    void EnableControl(int, bool) override {}
    void SetProgress(int) override {}
    void DispatchOneMessage() override {}
    void ShowDialog() override {}
    void EndDialog(int) override {}
};

class CheckSystemInfo : public SystemInfo {
public:
    std::uint16_t language = 0x0409;
    bool QueryVersion(SystemVersion&) override { return false; }
    std::string WindowsFolder() override { return {}; }
    std::string ModuleFileName() override { return {}; }
    std::string ShortPath(const std::string&) override { return {}; }
    std::uint16_t UserLanguage() override { return language; }
};

// Services the package read never calls.
class NoRegistry : public Registry {
public:
    bool SetMachineString(const std::string&, const std::string&, const std::string&) override { return false; }
};
class NoDeviceSetup : public DeviceSetup {
public:
    std::vector<std::string> InstanceIds(const ClassGuid&, const std::string&, DeviceNodes) override { return {}; }
    NodeRemoval RemoveDevice(const std::string&) override { return NodeRemoval::Refused; }
};
class NoConfigManager : public ConfigManager {
public:
    bool ReenumerateDeviceTree() override { return false; }
};
class NoWindowSystem : public WindowSystem {
public:
    WindowHandle FindWindowAfter(WindowHandle, WindowHandle, const WindowClass&) override { return NoWindow; }
    std::string ReadWindowText(WindowHandle, int) override { return {}; }
    int ControlId(WindowHandle) override { return 0; }
    bool IsEnabled(WindowHandle) override { return false; }
    bool IsVisible(WindowHandle) override { return false; }
    bool IsOwnWindow(WindowHandle) override { return false; }
    bool SendCommand(WindowHandle, std::uint32_t, std::intptr_t) override { return false; }
};
class NoClock : public Clock {
public:
    void Sleep(int) override {}
    std::uint32_t Milliseconds() override { return 0; }
};
class NoJobLock : public JobLock {
public:
    bool TryTake() override { return true; }
    void Release() override {}
};

struct CheckPlatform {
    OsClass osClass = OsClass::Windows98SecondEdition;
    CheckFileSystem files;
    NoRegistry registry;
    NoDeviceSetup devices;
    NoConfigManager configManager;
    NoWindowSystem windows;
    CheckSystemInfo system;
    NoClock clock;
    CheckCodePage codePage;
    ConsoleView view;
    NoJobLock jobLock;
    Platform platform{files, registry, devices, configManager, windows, system, clock, codePage, view, jobLock};
};
