// Times the read of a driver package whose device INF has very many model lines (the list of
// VID/PID pairs grows with each) against a plain whole-file read of the same setup description,
// in the same run, and prints the ratio. Beside it: the memory pages each touched for the first
// time and what such pages cost on this machine, a large part of either time that only touching
// less memory reduces. A package whose [Setup] starts with very many lines keyed %a% is timed
// with a string a of 600 characters against the same with one of 1: each key the read looks up
// is compared with each of those keys, and only a few characters of each count.
//
//   package_read_benchmark [--lines N]... [--setup-lines N]... [--runs N]
//   (default: 1,000,000 and 5,000,000 model lines, 3,000,000 [Setup] lines; 3 timed runs each)
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

// The example package's setup description with `lines` model lines, each its own PID, and
// `keyedLines` lines at the head of [Setup] keyed alternately "%a%" and "Longer than any key%a%",
// a being `stringLength` characters.
std::string SetupDescription(std::size_t lines, std::size_t keyedLines, std::size_t stringLength)
{
    std::string text = "[Version]\r\nSignature=$CHICAGO$\r\nClass=USB\r\nProvider=%Maker%\r\n\r\n"
                       "[Manufacturer]\r\n%Maker%=ExModels\r\n\r\n[ExModels]\r\n";
    text.reserve(lines * 48 + keyedLines * 7 + 1024);
    char line[64];
    for (std::size_t i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "%%Ex.Desc%%=ExInstall,USB\\VID_%04zX&PID_%04zX\r\n", (i >> 16) & 0xFFFF,
                      i & 0xFFFF);
        text += line;
    }
    text += "\r\n[ExInstall]\r\nCopyFiles=ExFiles\r\n\r\n[ExFiles]\r\nEXDISK.SYS\r\n\r\n[Setup]\r\n";
    for (std::size_t i = 0; i < keyedLines; ++i) text += i % 2 == 0 ? "%a%=1\r\n" : "Longer than any key%a%=1\r\n";
    text += "FDDInf=EXFLOP.IN_\r\nTargetID=00000001\r\nSetupName=Example Disk Setup\r\n\r\n"
            "[Strings]\r\nMaker=Example Maker\r\nEx.Desc=Example USB Disk\r\na=" +
            std::string(stringLength, 'z') + "\r\n";
    return text;
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
    std::vector<std::pair<std::size_t, std::size_t>> sizes; // model lines, keyed lines
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--lines")
            sizes.push_back({std::strtoull(argv[i + 1], nullptr, 10), 0});
        else if (option == "--setup-lines")
            sizes.push_back({1, std::strtoull(argv[i + 1], nullptr, 10)});
        else if (option == "--runs")
            runs = std::atoi(argv[i + 1]);
        else
            argc = 0;
    }
    if (argc % 2 == 0 || runs < 1) {
        std::fprintf(stderr, "usage: package_read_benchmark [--lines N]... [--setup-lines N]... [--runs N]\n");
        return 2;
    }
    if (sizes.empty())
        sizes = {{1'000'000, 0}, {5'000'000, 0}, {1, 3'000'000}};

    const double pageMs = NewPageMs();
    for (const auto& [lines, keyedLines] : sizes) {
        Timing timing, shortString;
        if (!TimeRead(SetupDescription(lines, keyedLines, 600), lines, runs, timing))
            return 1;
        if (keyedLines == 0) {
            std::printf(
                "package of %zu model lines (%.1f MB): read %.0f ms, raw read %.0f ms, ratio %.1fx (target 3x); "
                "new pages touched: read %.0f (about %.0f ms), raw read %.0f (about %.0f ms)\n",
                lines, timing.megabytes, timing.readMs, timing.rawMs, timing.readMs / timing.rawMs, timing.readPages,
                timing.readPages * pageMs, timing.rawPages, timing.rawPages * pageMs);
            continue;
        }
        if (!TimeRead(SetupDescription(lines, keyedLines, 1), lines, runs, shortString))
            return 1;
        std::printf("package of %zu [Setup] lines keyed %%a%% (%.1f MB): read %.0f ms with a string a of 600 "
                    "characters, %.0f ms with one of 1, ratio %.1fx\n",
                    keyedLines, timing.megabytes, timing.readMs, shortString.readMs,
                    timing.readMs / shortString.readMs);
    }
    return 0;
}
