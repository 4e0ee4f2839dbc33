// Times the INF lookups of the removal of installed copies over a folder of 300 generated INF
// files against plain whole-file reads of the same files, in the same run, and prints the ratio.
//
//   inf_lookup_benchmark                 generate into a temporary folder, time, remove it
//   inf_lookup_benchmark --write DIR     only write the generated folder to DIR (OEM0.INF ...)
//   inf_lookup_benchmark --folder DIR    time the *.INF files of an existing folder
//   --runs N                             timed runs of each kind (default 5); the median counts
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "HostFileSystem.h"
#include "InfFolderGenerator.h"
#include "Timing.h"
#include "Utf8CodePage.h"
#include "package/InfFile.h"

namespace {

// Keeps the compiler from dropping work whose result nobody reads.
volatile std::size_t sink;

int Usage()
{
    std::fprintf(stderr, "usage: inf_lookup_benchmark [--write DIR | --folder DIR] [--runs N]\n");
    return 2;
}

// (a) The bytes alone: each file opened and read whole into memory.
std::size_t ReadRaw(const std::vector<std::string>& paths)
{
    std::size_t total = 0;
    for (const std::string& path : paths) total += ReadWhole(path);
    return total;
}

// (b) What the removal asks of every candidate: open it, the models section named by the first
// line of [Manufacturer], field 2 of each of its lines. No pair is looked for, so every line is
// read, as for the many copies that do not list the package's devices. The number of model
// lines read.
std::size_t LookUp(FileSystem& files, TextCodePage& codePage, const std::vector<std::string>& paths,
                   const InfOpenOptions& options)
{
    std::size_t lines = 0;
    for (const std::string& path : paths) {
        const std::unique_ptr<InfFile> inf = InfFile::Open(files, codePage, path, options);
        InfLine line;
        FixedText<20> models;
        if (!inf || !inf->FindFirstLine("Manufacturer", nullptr, line) || !inf->GetStringField(line, 1, models) ||
            !inf->FindFirstLine(models.view(), nullptr, line))
            continue;
        do {
            // Read as the removal reads it: where it stands in the file when it can be.
            char buffer[256];
            std::string_view hardwareId;
            if (!inf->GetStringView(line, 2, buffer, sizeof buffer, hardwareId))
                break;
            sink = hardwareId.size();
            ++lines;
        } while (inf->FindNextLine(line));
    }
    return lines;
}

std::vector<std::string> InfPaths(const std::filesystem::path& folder)
{
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && MatchesWildcard("*.INF", entry.path().filename().string()))
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The folder's summary line; the number of model lines in it.
std::size_t DescribeFolder(const std::vector<GeneratedInf>& files)
{
    std::size_t bytes = 0, utf16 = 0, utf8 = 0, large = 0, modelLines = 0;
    for (const GeneratedInf& inf : files) {
        bytes += inf.bytes.size();
        utf16 += inf.encoding == GeneratedInf::Encoding::Utf16;
        utf8 += inf.encoding == GeneratedInf::Encoding::Utf8;
        large += inf.bytes.size() >= 1024 * 1024;
        modelLines += inf.modelLines;
    }
    std::printf("%zu INF files, %.1f MB: %zu UTF-16, %zu UTF-8, %zu of 1 MB or more, %zu model lines\n", files.size(),
                static_cast<double>(bytes) / (1024 * 1024), utf16, utf8, large, modelLines);
    return modelLines;
}

} // namespace

int main(int argc, char** argv)
{
    std::string writeFolder, timeFolder;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return Usage();
        if (option == "--write")
            writeFolder = argv[++i];
        else if (option == "--folder")
            timeFolder = argv[++i];
        else if (option == "--runs")
            runs = std::atoi(argv[++i]);
        else
            return Usage();
    }
    if (runs < 1 || (!writeFolder.empty() && !timeFolder.empty()))
        return Usage();

    std::filesystem::path folder = timeFolder;
    bool temporary = false;
    std::size_t modelLines = 0;
    if (timeFolder.empty()) {
        const std::vector<GeneratedInf> files = GenerateInfFolder();
        modelLines = DescribeFolder(files);
        if (writeFolder.empty()) {
            std::string pattern = (std::filesystem::temp_directory_path() / "inf-lookups-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr) {
                std::perror("mkdtemp");
                return 1;
            }
            folder = pattern;
            temporary = true;
        } else {
            folder = writeFolder;
        }
        std::string error;
        if (!WriteInfFolder(files, folder, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (!temporary) {
            std::printf("written to %s\n", folder.string().c_str());
            return 0;
        }
    }

    const std::vector<std::string> paths = InfPaths(folder);
    if (paths.empty()) {
        std::fprintf(stderr, "no *.INF files in %s\n", folder.string().c_str());
        return 1;
    }
    HostFileSystem files;
    Utf8CodePage codePage;
    // As on Windows 2000 and XP, which look in [Strings.LLLL] first.
    InfOpenOptions options;
    options.preferLocalizedStrings = true;
    options.userLanguage = 0x0409;

    // One untimed pass of each brings the files into the page cache and the allocator up to size.
    sink = ReadRaw(paths);
    const std::size_t linesRead = LookUp(files, codePage, paths, options);
    if (modelLines != 0 && linesRead != modelLines) {
        std::fprintf(stderr, "the reader read %zu model lines of %zu: the timing would not be of the whole work\n",
                     linesRead, modelLines);
        if (temporary)
            std::filesystem::remove_all(folder);
        return 1;
    }
    std::vector<double> raw, reader;
    for (int run = 0; run < runs; ++run) {
        Timer::time_point start = Timer::now();
        sink = ReadRaw(paths);
        raw.push_back(Milliseconds(Timer::now() - start));
        start = Timer::now();
        sink = LookUp(files, codePage, paths, options);
        reader.push_back(Milliseconds(Timer::now() - start));
    }
    if (temporary)
        std::filesystem::remove_all(folder);

    const double readerMs = Median(reader), rawMs = Median(raw);
    std::printf("INF lookups over %zu files: reader %.1f ms, raw read %.1f ms, ratio %.1fx\n", paths.size(), readerMs,
                rawMs, readerMs / rawMs);
    return 0;
}
