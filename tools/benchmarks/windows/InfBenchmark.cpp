// Times the INF lookups of the removal of installed copies through our INF reader and through
// the system's SetupAPI, against plain reads of the same files, in one process: run by hand under
// Wine (tools/benchmarks/inf_benchmark_wine.py), never by CTest.
//
//   InfBenchmark.exe [--out FILE] [--runs N] FOLDER
//
// Over FOLDER\*.INF, each run times (a) reading every file whole with CreateFileA/ReadFile, (b)
// our reader's lookups, (c) the same lookups through SetupAPI; the order of the three turns from
// run to run. A second series times both readers file by file, split into opening (reading and
// parsing), lookups and closing, and the lead-byte test the ANSI lexer makes. Medians over the
// runs are printed, with the ratios (b)/(c) and (b)/(a) of each run and their medians; the last
// line is `result key=value ...` for the script.
#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "package/InfFile.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32TextCodePage.h"

namespace {

// The widths the removal reads the models section's name and each hardware ID with.
constexpr std::size_t ModelsSectionWidth = 20;
constexpr std::size_t HardwareIdWidth = 256;
constexpr std::size_t LargeFileBytes = 1024 * 1024;

// Keeps the compiler from dropping work whose result nobody reads.
volatile std::size_t sink;

class Stopwatch {
public:
    Stopwatch()
    {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Milliseconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER start_;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct InfSample {
    std::string path;
    std::size_t bytes = 0;
    enum class Encoding { Ansi, Utf16, Utf8 } encoding = Encoding::Ansi;
};

std::vector<InfSample> FindInfFiles(const std::string& folder)
{
    std::vector<InfSample> files;
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA((folder + "\\*.INF").c_str(), &entry));
    if (!search)
        return files;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            files.push_back({folder + "\\" + entry.cFileName, entry.nFileSizeLow, InfSample::Encoding::Ansi});
    } while (FindNextFileA(search.Get(), &entry));
    std::sort(files.begin(), files.end(), [](const InfSample& a, const InfSample& b) { return a.path < b.path; });
    return files;
}

// (a) The bytes alone, read as ReadAll reads them: the whole file into a buffer of its size.
std::size_t ReadRaw(const std::vector<InfSample>& files)
{
    std::size_t total = 0;
    for (const InfSample& sample : files) {
        FileHandle file(CreateFileA(sample.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            continue;
        const DWORD size = GetFileSize(file.Get(), nullptr);
        std::string bytes(size, '\0');
        DWORD read = 0;
        if (ReadFile(file.Get(), bytes.data(), size, &read, nullptr))
            total += read;
    }
    return total;
}

// What the removal asks of one candidate once it is open: the models section named by the first
// line of [Manufacturer], field 2 of each of its lines. No pair is looked for, so every line is
// read, as for the many copies that do not list the package's devices. The number of lines read.
std::size_t OurLookups(const InfFile& inf)
{
    InfLine line;
    FixedText<ModelsSectionWidth> models;
    if (!inf.FindFirstLine("Manufacturer", nullptr, line) || !inf.GetStringField(line, 1, models) ||
        !inf.FindFirstLine(models.view(), nullptr, line))
        return 0;
    std::size_t lines = 0;
    do {
        char buffer[HardwareIdWidth];
        std::string_view hardwareId;
        if (!inf.GetStringView(line, 2, buffer, sizeof buffer, hardwareId))
            break;
        sink = hardwareId.size();
        ++lines;
    } while (inf.FindNextLine(line));
    return lines;
}

std::size_t SetupApiLookups(HINF inf)
{
    INFCONTEXT line;
    char models[ModelsSectionWidth];
    if (!SetupFindFirstLineA(inf, "Manufacturer", nullptr, &line) ||
        !SetupGetStringFieldA(&line, 1, models, sizeof models, nullptr) ||
        !SetupFindFirstLineA(inf, models, nullptr, &line))
        return 0;
    std::size_t lines = 0;
    do {
        char hardwareId[HardwareIdWidth];
        if (!SetupGetStringFieldA(&line, 2, hardwareId, sizeof hardwareId, nullptr))
            break;
        ++lines;
    } while (SetupFindNextLine(&line, &line));
    return lines;
}

// Hands InfFile::Open bytes read before, moved as the file system's own read moves them, so that
// the split times the open after the read without a copy the program never makes.
class ReadBefore : public Win32FileSystem {
public:
    explicit ReadBefore(std::string& bytes) : bytes_(bytes) {}
    bool ReadAll(const std::string&, std::string& bytes) override
    {
        bytes = std::move(bytes_);
        return true;
    }

private:
    std::string& bytes_;
};

class Benchmark {
public:
    explicit Benchmark(std::vector<InfSample> files) : files_(std::move(files))
    {
        // As on Windows 2000 and XP, which look in [Strings.LLLL] first.
        options_.preferLocalizedStrings = true;
        options_.userLanguage = GetUserDefaultLangID();
    }

    // (b) open, look up, close, with our reader.
    std::size_t Ours()
    {
        std::size_t lines = 0;
        for (const InfSample& sample : files_) {
            const std::unique_ptr<InfFile> inf = InfFile::Open(fileSystem_, codePage_, sample.path, options_);
            if (inf)
                lines += OurLookups(*inf);
        }
        return lines;
    }

    // (c) the same through SetupAPI.
    std::size_t SetupApi() const
    {
        std::size_t lines = 0;
        for (const InfSample& sample : files_) {
            const HINF inf = SetupOpenInfFileA(sample.path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
            if (inf == INVALID_HANDLE_VALUE)
                continue;
            lines += SetupApiLookups(inf);
            SetupCloseInfFile(inf);
        }
        return lines;
    }

    // The parts of (b) and (c), timed file by file on the files that `select` picks.
    struct Parts {
        double read = 0, parse = 0, lookUp = 0, close = 0;
    };
    Parts OurParts(const std::function<bool(const InfSample&)>& select)
    {
        Parts parts;
        std::size_t lines = 0;
        for (const InfSample& sample : files_) {
            if (!select(sample))
                continue;
            Stopwatch watch;
            std::string bytes;
            fileSystem_.ReadAll(sample.path, bytes);
            const double read = watch.Milliseconds();
            ReadBefore readBefore(bytes);
            std::unique_ptr<InfFile> inf = InfFile::Open(readBefore, codePage_, sample.path, options_);
            const double parsed = watch.Milliseconds();
            if (inf)
                lines += OurLookups(*inf);
            const double lookedUp = watch.Milliseconds();
            inf.reset();
            bytes = std::string();
            parts.read += read;
            parts.parse += parsed - read;
            parts.lookUp += lookedUp - parsed;
            parts.close += watch.Milliseconds() - lookedUp;
        }
        sink = lines;
        return parts;
    }
    // SetupAPI has no separate read: `read` stays 0 and `parse` is SetupOpenInfFileA.
    Parts SetupApiParts(const std::function<bool(const InfSample&)>& select) const
    {
        Parts parts;
        std::size_t lines = 0;
        for (const InfSample& sample : files_) {
            if (!select(sample))
                continue;
            Stopwatch watch;
            const HINF inf = SetupOpenInfFileA(sample.path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
            const double opened = watch.Milliseconds();
            if (inf != INVALID_HANDLE_VALUE)
                lines += SetupApiLookups(inf);
            const double lookedUp = watch.Milliseconds();
            if (inf != INVALID_HANDLE_VALUE)
                SetupCloseInfFile(inf);
            parts.parse += opened;
            parts.lookUp += lookedUp - opened;
            parts.close += watch.Milliseconds() - lookedUp;
        }
        sink = lines;
        return parts;
    }

    // The code page's lead-byte test once for every byte of the ANSI files, as the ANSI lexer
    // asks it: the share of the parse that is this one call.
    double LeadByteTests()
    {
        std::vector<std::string> contents;
        for (const InfSample& sample : files_) {
            if (sample.encoding != InfSample::Encoding::Ansi)
                continue;
            contents.emplace_back();
            fileSystem_.ReadAll(sample.path, contents.back());
        }
        std::size_t leads = 0;
        Stopwatch watch;
        for (const std::string& bytes : contents)
            for (const char c : bytes) leads += codePage_.IsLeadByte(static_cast<unsigned char>(c));
        sink = leads;
        return watch.Milliseconds();
    }

    const std::vector<InfSample>& Files() const { return files_; }

private:
    std::vector<InfSample> files_;
    Win32FileSystem fileSystem_;
    Win32TextCodePage codePage_;
    InfOpenOptions options_;
};

void ClassifyEncodings(std::vector<InfSample>& files)
{
    Win32FileSystem fileSystem;
    for (InfSample& sample : files) {
        std::string bytes;
        if (!fileSystem.ReadAll(sample.path, bytes))
            continue;
        sample.bytes = bytes.size();
        if (bytes.compare(0, 2, "\xFF\xFE") == 0)
            sample.encoding = InfSample::Encoding::Utf16;
        else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
            sample.encoding = InfSample::Encoding::Utf8;
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: InfBenchmark.exe [--out FILE] [--runs N] FOLDER\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string outPath, folder;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--out" && i + 1 < argc)
            outPath = argv[++i];
        else if (argument == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (argument.rfind("--", 0) == 0 || !folder.empty())
            return Usage();
        else
            folder = argument;
    }
    if (folder.empty() || runs < 1)
        return Usage();
    std::FILE* out = stdout;
    if (!outPath.empty() && (out = std::fopen(outPath.c_str(), "wb")) == nullptr)
        return Usage();

    std::vector<InfSample> files = FindInfFiles(folder);
    if (files.empty()) {
        std::fprintf(out, "error no *.INF files in %s\n", folder.c_str());
        return 1;
    }
    ClassifyEncodings(files);
    std::size_t totalBytes = 0, utf16 = 0, utf8 = 0, large = 0;
    for (const InfSample& sample : files) {
        totalBytes += sample.bytes;
        utf16 += sample.encoding == InfSample::Encoding::Utf16;
        utf8 += sample.encoding == InfSample::Encoding::Utf8;
        large += sample.bytes >= LargeFileBytes;
    }
    std::fprintf(out, "%zu INF files, %.1f MB: %zu UTF-16, %zu UTF-8, %zu of 1 MB or more\n", files.size(),
                 static_cast<double>(totalBytes) / (1024 * 1024), utf16, utf8, large);

    Benchmark benchmark(std::move(files));
    // One untimed pass of each brings the files into the cache and the allocators up to size; it
    // also shows that both readers read the same lines, or the timing would not be of the same work.
    sink = ReadRaw(benchmark.Files());
    const std::size_t ourLines = benchmark.Ours();
    const std::size_t setupApiLines = benchmark.SetupApi();
    std::fprintf(out, "model lines read: ours %zu, SetupAPI %zu\n", ourLines, setupApiLines);
    if (ourLines != setupApiLines)
        std::fprintf(out, "warning the two readers did not read the same lines\n");

    std::vector<double> raw, ours, setupApi, oursVsSetupApi, oursVsRaw;
    for (int run = 0; run < runs; ++run) {
        double times[3] = {};
        for (int step = 0; step < 3; ++step) {
            const int kind = (run + step) % 3;
            Stopwatch watch;
            if (kind == 0)
                sink = ReadRaw(benchmark.Files());
            else if (kind == 1)
                sink = benchmark.Ours();
            else
                sink = benchmark.SetupApi();
            times[kind] = watch.Milliseconds();
        }
        raw.push_back(times[0]);
        ours.push_back(times[1]);
        setupApi.push_back(times[2]);
        oursVsSetupApi.push_back(times[1] / times[2]);
        oursVsRaw.push_back(times[1] / times[0]);
        std::fprintf(out, "run %d: raw %.1f ms, ours %.1f ms, SetupAPI %.1f ms\n", run + 1, times[0], times[1],
                     times[2]);
    }

    // Where the time goes, file by file, as medians of runs of their own.
    const auto all = [](const InfSample&) { return true; };
    const auto largeOnly = [](const InfSample& sample) { return sample.bytes >= LargeFileBytes; };
    const auto smallOnly = [](const InfSample& sample) { return sample.bytes < LargeFileBytes; };
    const auto utf16Only = [](const InfSample& sample) { return sample.encoding == InfSample::Encoding::Utf16; };
    const auto utf8Only = [](const InfSample& sample) { return sample.encoding == InfSample::Encoding::Utf8; };
    const auto ansiOnly = [](const InfSample& sample) { return sample.encoding == InfSample::Encoding::Ansi; };
    struct Split {
        const char* name;
        std::function<bool(const InfSample&)> select;
        std::vector<double> read, parse, lookUp, close, setupApiOpen, setupApiLookUp, setupApiClose;
    };
    std::vector<Split> splits = {{"all files", all, {}, {}, {}, {}, {}, {}, {}},
                                 {"files of 1 MB or more", largeOnly, {}, {}, {}, {}, {}, {}, {}},
                                 {"smaller files", smallOnly, {}, {}, {}, {}, {}, {}, {}},
                                 {"UTF-16 files", utf16Only, {}, {}, {}, {}, {}, {}, {}},
                                 {"UTF-8 files", utf8Only, {}, {}, {}, {}, {}, {}, {}},
                                 {"ANSI files", ansiOnly, {}, {}, {}, {}, {}, {}, {}}};
    std::vector<double> leadByteTests;
    for (int run = 0; run < runs; ++run) {
        for (Split& split : splits) {
            const Benchmark::Parts ours = benchmark.OurParts(split.select);
            split.read.push_back(ours.read);
            split.parse.push_back(ours.parse);
            split.lookUp.push_back(ours.lookUp);
            split.close.push_back(ours.close);
            const Benchmark::Parts setupApi = benchmark.SetupApiParts(split.select);
            split.setupApiOpen.push_back(setupApi.parse);
            split.setupApiLookUp.push_back(setupApi.lookUp);
            split.setupApiClose.push_back(setupApi.close);
        }
        leadByteTests.push_back(benchmark.LeadByteTests());
    }

    std::fprintf(out, "medians of %d runs: raw %.1f ms, ours %.1f ms, SetupAPI %.1f ms\n", runs, Median(raw),
                 Median(ours), Median(setupApi));
    std::fprintf(out, "ours / SetupAPI: %.3f (SetupAPI takes %.1fx as long)\n", Median(oursVsSetupApi),
                 1.0 / Median(oursVsSetupApi));
    std::fprintf(out, "ours / raw read: %.2fx\n", Median(oursVsRaw));
    for (const Split& split : splits) {
        std::size_t count = 0, bytes = 0;
        for (const InfSample& sample : benchmark.Files()) {
            if (!split.select(sample))
                continue;
            ++count;
            bytes += sample.bytes;
        }
        const double megabytes = static_cast<double>(bytes) / (1024 * 1024);
        std::fprintf(out,
                     "%s (%zu, %.1f MB): ours read %.1f ms, parse %.1f ms (%.1f MB/s), lookups %.2f ms, "
                     "close %.1f ms; SetupAPI open %.1f ms, lookups %.2f ms, close %.1f ms\n",
                     split.name, count, megabytes, Median(split.read), Median(split.parse),
                     megabytes / (Median(split.parse) / 1000), Median(split.lookUp), Median(split.close),
                     Median(split.setupApiOpen), Median(split.setupApiLookUp), Median(split.setupApiClose));
    }
    std::fprintf(out, "the lead-byte test alone, once per byte of the ANSI files: %.1f ms\n", Median(leadByteTests));
    std::fprintf(out,
                 "result files=%zu raw_ms=%.2f ours_ms=%.2f setupapi_ms=%.2f ours_vs_setupapi=%.4f "
                 "ours_vs_raw=%.3f ours_read_ms=%.2f ours_parse_ms=%.2f ours_lookup_ms=%.3f ours_close_ms=%.2f "
                 "setupapi_open_ms=%.2f setupapi_lookup_ms=%.3f setupapi_close_ms=%.2f lead_byte_tests_ms=%.2f\n",
                 benchmark.Files().size(), Median(raw), Median(ours), Median(setupApi), Median(oursVsSetupApi),
                 Median(oursVsRaw), Median(splits[0].read), Median(splits[0].parse), Median(splits[0].lookUp),
                 Median(splits[0].close), Median(splits[0].setupApiOpen), Median(splits[0].setupApiLookUp),
                 Median(splits[0].setupApiClose), Median(leadByteTests));
    if (out != stdout)
        std::fclose(out);
    return 0;
}
