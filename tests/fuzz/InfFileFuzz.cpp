// libFuzzer target for the INF reader: parses the input and reads it the way the callers do.
//
// Build and run from the repository root (clang with libFuzzer; seeds in InfFileCorpus/, INF
// tokens in InfFile.dict; new inputs go to the first, writable, folder):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
//       -I. -Iresources -Itests/unit package/InfFile.cpp package/InfEncoding.cpp \
//       tests/fuzz/InfFileFuzz.cpp -o inf_fuzz
//   mkdir -p /tmp/inf-corpus && ./inf_fuzz -max_total_time=60 -timeout=10 -max_len=8192 \
//       -dict=tests/fuzz/InfFile.dict /tmp/inf-corpus tests/fuzz/InfFileCorpus
#include <string>
#include <vector>

#include "fakes/ShiftJisCodePage.h"
#include "fakes/TestPlatform.h"
#include "package/InfFile.h"

namespace {

// Reads every field of every line of a section (up to 64 fields), by every read there is.
void WalkSection(const InfFile& file, std::string_view section)
{
    InfLine line;
    for (bool found = file.FindFirstLine(section, nullptr, line); found; found = file.FindNextLine(line)) {
        for (unsigned index = 0; index < 64; ++index) {
            char wide[600], narrow[20];
            FixedText<64> text;
            std::int32_t value = 1;
            const bool present = file.GetStringField(line, index, wide, sizeof wide);
            // The read in place gives the text the read into a buffer gives, and fails when it fails.
            char viewBuffer[600];
            std::string_view view;
            if (file.GetStringView(line, index, viewBuffer, sizeof viewBuffer, view) != present ||
                (present && view != wide))
                __builtin_trap();
            file.GetStringField(line, index, narrow, sizeof narrow);
            file.GetStringField(line, index, text);
            file.GetIntField(line, index, value);
            if (!present && index > 4)
                break;
        }
    }
}

// The first eight fields of a line as a lookup reads them; absent ones as "\x01".
std::vector<std::string> Fields(const InfFile& file, const InfLine& line)
{
    std::vector<std::string> fields;
    for (unsigned index = 0; index < 8; ++index) {
        char text[600];
        fields.push_back(file.GetStringField(line, index, text, sizeof text) ? text : "\x01");
    }
    return fields;
}

// A section's lines visited in a file parsed afresh read as the lines FindFirstLine and
// FindNextLine give in `file`, field by field.
void VisitSection(const InfFile& file, const InfFile& fresh, std::string_view section)
{
    std::vector<std::vector<std::string>> found, visited;
    InfLine line;
    for (bool more = file.FindFirstLine(section, nullptr, line); more; more = file.FindNextLine(line))
        found.push_back(Fields(file, line));
    fresh.VisitLines(section, [&](const InfLine& at) {
        visited.push_back(Fields(fresh, at));
        return true;
    });
    if (visited != found)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The last byte picks the strings preference and the user's language, so both lookups get
    // exercised, and whether ANSI text is read in a single-byte or a double-byte code page.
    const std::uint8_t control = size != 0 ? data[size - 1] : 0;
    InfOpenOptions options;
    options.preferLocalizedStrings = (control & 1) != 0;
    options.userLanguage = control & 2 ? 0x0411 : 0x0409;
    Latin1CodePage latin1;
    ShiftJisCodePage shiftJis;
    const auto file = InfFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size),
                                     control & 4 ? static_cast<TextCodePage&>(shiftJis) : latin1, options);
    if (file == nullptr)
        return 0;
    for (std::string_view section : {"Version", "Manufacturer", "Strings", "Setup", "SourceDisksFiles",
                                     "SourceDisksNames", "DestinationDirs", "Strings.0411", ""})
        WalkSection(*file, section);

    // The models section named by [Manufacturer], and the keys the callers look up.
    InfLine line;
    FixedText<20> models;
    if (file->FindFirstLine("Manufacturer", nullptr, line) && file->GetStringField(line, 1, models))
        WalkSection(*file, models.view());
    // Each visit in a file of its own: a visited section is spent.
    for (std::string_view section : {models.view(), std::string_view("Setup"), std::string_view("Strings")}) {
        const auto fresh = InfFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size),
                                          control & 4 ? static_cast<TextCodePage&>(shiftJis) : latin1, options);
        VisitSection(*file, *fresh, section);
    }
    for (const char* key : {"Provider", "Signature", "FDDInf", "MPDInf", "Win98Only", "TargetID", "SetupName",
                            "SetupDeviceDesc", "CopyFiles", "", "%"}) {
        for (std::string_view section : {"Version", "Setup", "Strings"}) {
            FixedText<256> text;
            std::int32_t value = 1;
            if (file->FindFirstLine(section, key, line)) {
                file->GetStringField(line, 1, text);
                file->GetIntField(line, 1, value);
            }
        }
    }
    return 0;
}
