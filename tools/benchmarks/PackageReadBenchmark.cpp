// Times the read of a driver package whose device INF has very many model lines (the list of
// VID/PID pairs grows with each) against a plain whole-file read of the same setup description,
// in the same run, and prints the ratio. Beside it: the memory pages each touched for the first
// time and what such pages cost on this machine, a large part of either time that only touching
// less memory reduces. A package whose [Setup] starts with very many lines keyed %a% is timed
// with a string a of 600 characters against the same with one of 1: each key the read looks up
// is compared with each of those keys, and only a few characters of each count.
//
// Model lines come in three shapes, so that no figure rests on the one the lexer reads fastest:
// compact (%Ex.Desc%=ExInstall,USB\VID_0000&PID_0001), spaced (a quoted description, tabs and
// blanks around '=' and ',', a second hardware ID in lower case and a comment after it), and the
// compact lines in a UTF-16 file.
//
//   package_read_benchmark [--lines N]... [--spaced-lines N]... [--utf16-lines N]...
//                          [--setup-lines N]... [--runs N]
//   (default: 1,000,000 and 5,000,000 compact model lines, 1,000,000 spaced ones, 1,000,000
//   compact ones in UTF-16, 3,000,000 [Setup] lines; 3 timed runs each)
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CheckPlatform.h"
#include "Timing.h"
#include "package/DriverPackage.h"

namespace {

volatile std::size_t sink; // keeps the compiler from dropping work whose result nobody reads

enum class Shape { Compact, Spaced, Utf16 };
const char* const ShapeNames[] = {"compact", "spaced", "UTF-16"};

// A size to time: model lines of a shape, or keyed [Setup] lines (with one model line).
struct Size {
    std::size_t lines;
    std::size_t keyedLines;
    Shape shape;
};

// The example package's setup description with `lines` model lines of the shape, each its own
// PID, and `keyedLines` lines at the head of [Setup] keyed alternately "%a%" and "Longer than any
// key%a%", a being `stringLength` characters.
std::string SetupDescription(std::size_t lines, Shape shape, std::size_t keyedLines, std::size_t stringLength)
{
    std::string text = "[Version]\r\nSignature=$CHICAGO$\r\nClass=USB\r\nProvider=%Maker%\r\n\r\n"
                       "[Manufacturer]\r\n%Maker%=ExModels\r\n\r\n[ExModels]\r\n";
    text.reserve(lines * 48 + keyedLines * 7 + 1024);
    char line[128];
    for (std::size_t i = 0; i < lines; ++i) {
        const std::size_t vid = (i >> 16) & 0xFFFF, pid = i & 0xFFFF;
        if (shape == Shape::Spaced)
            std::snprintf(line, sizeof line,
                          "\t\"Example USB Disk\" =\tExInstall , USB\\VID_%04zX&PID_%04zX ,\tusb\\vid_%04zx&pid_%04zx "
                          "; disk\r\n",
                          vid, pid, vid, pid);
        else
            std::snprintf(line, sizeof line, "%%Ex.Desc%%=ExInstall,USB\\VID_%04zX&PID_%04zX\r\n", vid, pid);
        text += line;
    }
    text += "\r\n[ExInstall]\r\nCopyFiles=ExFiles\r\n\r\n[ExFiles]\r\nEXDISK.SYS\r\n\r\n[Setup]\r\n";
    for (std::size_t i = 0; i < keyedLines; ++i) text += i % 2 == 0 ? "%a%=1\r\n" : "Longer than any key%a%=1\r\n";
    text += "FDDInf=EXFLOP.IN_\r\nTargetID=00000001\r\nSetupName=Example Disk Setup\r\n\r\n"
            "[Strings]\r\nMaker=Example Maker\r\nEx.Desc=Example USB Disk\r\na=" +
            std::string(stringLength, 'z') + "\r\n";
    if (shape != Shape::Utf16)
        return text;
    std::string utf16 = "\xFF\xFE";
    utf16.reserve(2 * text.size() + 2);
    for (const char c : text) utf16 += {c, '\0'};
    return utf16;
}

// The package read Setup.exe makes at its start; the number of pairs it found.
std::size_t ReadPackage(const std::string& folder)
{
    CheckPlatform check;
    // The reader's own time on any size: Setup.exe's file system refuses files past 64 MiB.
    check.files.readLimit = SIZE_MAX;
    SetupState state;
    BrandStrings brand;
    state.OsClass = OsClass::WindowsXp;
    state.ProgramFolder.Assign(folder);
    PackageNote failure;
    if (!ReadDriverPackage({check.files, check.codePage, check.system}, state, brand, failure).usable) {
        std::fprintf(stderr, "the package did not read (PackageNote::Kind %d)\n", static_cast<int>(failure.kind));
        std::exit(1);
    }
    return state.HardwareIds.size();
}

// The process's minor page faults so far: each is a page of memory touched for the first time,
// which the system clears before handing it over.
long MinorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// What a page touched for the first time costs on this machine, in milliseconds: the median of
// five fresh allocations of 40 MiB, each written once a page.
double NewPageMs()
{
    constexpr std::size_t Bytes = 40u << 20, Page = 4096;
    std::vector<double> costs;
    for (int run = 0; run < 5; ++run) {
        const long faults = MinorFaults();
        const Timer::time_point start = Timer::now();
        const std::unique_ptr<char[]> block(new char[Bytes]);
        for (std::size_t at = 0; at < Bytes; at += Page) block[at] = 1;
        sink = static_cast<std::size_t>(block[Bytes - Page]);
        costs.push_back(Milliseconds(Timer::now() - start) / static_cast<double>(std::max(1L, MinorFaults() - faults)));
    }
    return Median(costs);
}

struct Timing {
    double readMs = 0, rawMs = 0, megabytes = 0;
    double readPages = 0, rawPages = 0; // pages touched for the first time, each a page fault
};

// The package with this setup description written to a folder of its own, read `runs` times
// each way; false when the read finds another number of pairs than `pairs`.
bool TimeRead(const std::string& setupDescription, std::size_t pairs, int runs, Timing& timing)
{
    std::string folder = (std::filesystem::temp_directory_path() / "package-read-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return false;
    }
    const std::string description = folder + "/EXDISK.IN_";
    std::ofstream(description, std::ios::binary) << setupDescription;
    std::ofstream(folder + "/EXDISK.SY_", std::ios::binary) << "driver";
    std::ofstream(folder + "/EXDISK.PDR", std::ios::binary) << "port driver";
    // One untimed pass of each brings the file into the page cache and the allocator up to size.
    sink = ReadWhole(description);
    const bool readAll = ReadPackage(folder) == pairs;
    std::vector<double> raw, package, rawPages, packagePages;
    for (int run = 0; readAll && run < runs; ++run) {
        long faults = MinorFaults();
        Timer::time_point start = Timer::now();
        sink = ReadWhole(description);
        raw.push_back(Milliseconds(Timer::now() - start));
        rawPages.push_back(static_cast<double>(MinorFaults() - faults));
        faults = MinorFaults();
        start = Timer::now();
        sink = ReadPackage(folder);
        package.push_back(Milliseconds(Timer::now() - start));
        packagePages.push_back(static_cast<double>(MinorFaults() - faults));
    }
    std::filesystem::remove_all(folder);
    if (!readAll) {
        std::fprintf(stderr, "the read found a different number of pairs than the %zu lines\n", pairs);
        return false;
    }
    timing = {Median(package), Median(raw), static_cast<double>(setupDescription.size()) / (1024 * 1024),
              Median(packagePages), Median(rawPages)};
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<Size> sizes;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::size_t count = std::strtoull(argv[i + 1], nullptr, 10);
        if (option == "--lines")
            sizes.push_back({count, 0, Shape::Compact});
        else if (option == "--spaced-lines")
            sizes.push_back({count, 0, Shape::Spaced});
        else if (option == "--utf16-lines")
            sizes.push_back({count, 0, Shape::Utf16});
        else if (option == "--setup-lines")
            sizes.push_back({1, count, Shape::Compact});
        else if (option == "--runs")
            runs = std::atoi(argv[i + 1]);
        else
            argc = 0;
    }
    if (argc % 2 == 0 || runs < 1) {
        std::fprintf(stderr, "usage: package_read_benchmark [--lines N]... [--spaced-lines N]... [--utf16-lines N]... "
                             "[--setup-lines N]... [--runs N]\n");
        return 2;
    }
    if (sizes.empty())
        sizes = {{1'000'000, 0, Shape::Compact},
                 {5'000'000, 0, Shape::Compact},
                 {1'000'000, 0, Shape::Spaced},
                 {1'000'000, 0, Shape::Utf16},
                 {1, 3'000'000, Shape::Compact}};

    const double pageMs = NewPageMs();
    for (const auto& [lines, keyedLines, shape] : sizes) {
        Timing timing, shortString;
        if (!TimeRead(SetupDescription(lines, shape, keyedLines, 600), lines, runs, timing))
            return 1;
        if (keyedLines == 0) {
            std::printf(
                "package of %zu %s model lines (%.1f MB): read %.0f ms, raw read %.0f ms, ratio %.1fx (target 3x); "
                "new pages touched: read %.0f (about %.0f ms), raw read %.0f (about %.0f ms)\n",
                lines, ShapeNames[static_cast<int>(shape)], timing.megabytes, timing.readMs, timing.rawMs,
                timing.readMs / timing.rawMs, timing.readPages, timing.readPages * pageMs, timing.rawPages,
                timing.rawPages * pageMs);
            continue;
        }
        if (!TimeRead(SetupDescription(lines, shape, keyedLines, 1), lines, runs, shortString))
            return 1;
        std::printf("package of %zu [Setup] lines keyed %%a%% (%.1f MB): read %.0f ms with a string a of 600 "
                    "characters, %.0f ms with one of 1, ratio %.1fx\n",
                    keyedLines, timing.megabytes, timing.readMs, shortString.readMs,
                    timing.readMs / shortString.readMs);
    }
    return 0;
}
