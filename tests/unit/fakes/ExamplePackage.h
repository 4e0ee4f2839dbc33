// The example driver package, written once as examples/ExampleDisk ships it, and a Windows
// machine to read, place, remove and recover it on, and to run whole jobs on.
#pragma once
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/DialogStart.h"
#include "app/JobControl.h"
#include "app/SetupPhases.h"
#include "fakes/TestPlatform.h"

namespace example {

inline std::string Section(const std::string& name, const std::string& lines)
{
    return "[" + name + "]\r\n" + lines + "\r\n";
}

// The setup description section by section; a test replaces the sections its case is about.
struct SetupDescription {
    std::string version = Section("Version", "Signature=$CHICAGO$\r\nClass=USB\r\nProvider=%Maker%\r\n");
    std::string manufacturer = Section("Manufacturer", "%Maker%=ExModels\r\n");
    std::string models = Section(
        "ExModels", "%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C4D\r\n%Ex.Desc%=ExInstall,USB\\VID_1A2B&PID_3C4E\r\n");
    std::string install = Section("ExInstall", "CopyFiles=ExFiles\r\n") + Section("ExFiles", "EXDISK.SYS\r\n");
    std::string setup = Section("Setup", "FDDInf=EXFLOP.IN_\r\nTargetID=1A2B3C4D\r\nSetupName=Example Disk Setup\r\n"
                                         "SetupDeviceDesc=Example Disk\r\n");
    std::string strings = Section("Strings", "Maker=Example Maker\r\nEx.Desc=Example USB Disk\r\n");

    std::string Text() const { return version + manufacturer + models + install + setup + strings; }
};

inline const std::string Inf = SetupDescription{}.Text();
// The package for any system (Win98Only=0), without a target ID.
inline const std::string AnySystem =
    SetupDescription{.setup = Section("Setup", "FDDInf=EXFLOP.IN_\r\nWin98Only=0\r\nSetupName=Example Disk Setup\r\n")}
        .Text();

// A text as a UTF-16 file holds it: byte order mark, then each unit low byte first.
inline std::string Utf16File(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}
inline std::string Utf16File(std::string_view ascii)
{
    return Utf16File(std::u16string(ascii.begin(), ascii.end()));
}

enum class Job { Install, Uninstall, SilentInstall };

// A machine with its Windows folder (INF and INF\OTHER made) and the program's folder, on a
// version of the given system that the record already names, with the system's own phases.
struct Machine : TestPlatform {
    SetupSession session{platform};
    SystemPhases phases;

    explicit Machine(OsClass osClass = OsClass::Windows98SecondEdition)
    {
        // A build of each class, in the order of OsClass.
        constexpr SystemVersion versions[] = {{6, 0, 6000},  {4, 10, 1998}, {4, 10, 2222},
                                              {4, 90, 3000}, {5, 0, 2195},  {5, 1, 2600}};
        system.version = versions[static_cast<int>(osClass)];
        session.State.OsClass = osClass;
        session.State.WindowsFolder.Assign("C:\\WINDOWS");
        session.State.ProgramFolder.Assign("C:\\PKG");
        files.AddFolder("C:\\WINDOWS\\INF\\OTHER");
        files.AddFolder("C:\\WINDOWS\\SYSTEM\\IOSUBSYS");
        files.AddFolder("C:\\PKG");
    }

    // The package: the setup description (by default EXDISK.IN_ beside the program), with the
    // driver and the port driver in its folder.
    void AddPackage(const std::string& description = Inf, const std::string& path = "C:\\PKG\\EXDISK.IN_")
    {
        const std::string folder = path.substr(0, path.rfind('\\') + 1);
        files.AddFile(path, description);
        files.AddFile(folder + "EXDISK.SY_", "driver");
        files.AddFile(folder + "EXDISK.PDR", "port driver");
    }

    // The dialog's start and, where it waits, the job as the user picks it, in the given session.
    void Run(Job job, SetupSession& run)
    {
        StartSetupDialog(run, phases, job == Job::SilentInstall);
        if (job == Job::SilentInstall || view.transcript.empty() || view.transcript.back() != "focus 1003")
            return;
        if (job == Job::Uninstall)
            OnUninstallChosen(run);
        OnStartClicked(run, phases);
    }
    void Run(Job job) { Run(job, session); }
    bool Shown(const std::string& line) const { return view.Count(line) != 0; }

    // The files of C:\WINDOWS\INF and INF\OTHER as "NAME=bytes" and "OTHER\NAME=bytes", sorted.
    // Files are added in the same form; one whose bytes are "read-only" is made read-only.
    void AddToInf(const std::vector<std::string>& entries)
    {
        for (const std::string& entry : entries) {
            const std::size_t equals = entry.find('=');
            files.AddFile("C:\\WINDOWS\\INF\\" + entry.substr(0, equals), entry.substr(equals + 1),
                          entry.substr(equals + 1) == "read-only");
        }
    }
    std::vector<std::string> InfFolder() const
    {
        std::vector<std::string> entries;
        for (const std::string folder : {"", "OTHER\\"})
            for (const std::string& name : files.Names("C:\\WINDOWS\\INF\\" + folder))
                if (files.IsFile("C:\\WINDOWS\\INF\\" + folder + name))
                    entries.push_back(folder + name + "=" + files.Contents("C:\\WINDOWS\\INF\\" + folder + name));
        std::sort(entries.begin(), entries.end());
        return entries;
    }
};

} // namespace example
