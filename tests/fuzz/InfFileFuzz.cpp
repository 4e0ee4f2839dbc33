// libFuzzer target for the INF reader: parses the input and reads it the way the callers do.
//
// Build and run from the repository root (clang with libFuzzer; seeds in InfFileCorpus/, INF
// tokens in InfFile.dict; new inputs go to the first, writable, folder):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
//       -I. -Iresources -Itests/unit package/InfFile.cpp package/InfEncoding.cpp \
//       tests/fuzz/InfFileFuzz.cpp -o inf_fuzz
//   mkdir -p /tmp/inf-corpus && ./inf_fuzz -max_total_time=60 -timeout=10 -max_len=8192 \
//       -dict=tests/fuzz/InfFile.dict /tmp/inf-corpus tests/fuzz/InfFileCorpus
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fakes/Latin1CodePage.h"
#include "fakes/ShiftJisCodePage.h"
#include "package/InfFile.h"

namespace {

constexpr unsigned MaxFieldsWalked = 64;

// Reads every field of every line of a section, by every read there is.
void WalkSection(const InfFile& file, std::string_view section, unsigned fields)
{
    InfLine line;
    if (!file.FindFirstLine(section, nullptr, line))
        return;
    do {
        for (unsigned index = 0; index < fields; ++index) {
            char wide[600];
            char narrow[20];
            FixedText<64> text;
            std::int32_t value = 1;
            const bool present = file.GetStringField(line, index, wide, sizeof wide);
            file.GetStringField(line, index, narrow, sizeof narrow);
            file.GetStringField(line, index, text);
            file.GetIntField(line, index, value);
            if (!present && index > 4)
                break;
        }
    } while (file.FindNextLine(line));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The last byte picks the strings preference, so both lookups get exercised, and whether
    // ANSI text is read in a single-byte or a double-byte code page.
    InfOpenOptions options;
    bool doubleByte = false;
    if (size != 0) {
        options.preferLocalizedStrings = (data[size - 1] & 1) != 0;
        options.userLanguage = (data[size - 1] & 2) != 0 ? 0x0411 : 0x0409;
        doubleByte = (data[size - 1] & 4) != 0;
    }
    Latin1CodePage latin1;
    ShiftJisCodePage shiftJis;
    TextCodePage& codePage = doubleByte ? static_cast<TextCodePage&>(shiftJis) : latin1;
    const auto file = InfFile::Parse(bytes, codePage, options);
    if (file == nullptr)
        return 0;

    for (std::string_view section : {"Version", "Manufacturer", "Strings", "Setup"}) WalkSection(*file, section, 5);
    for (std::string_view section : {"SourceDisksFiles", "SourceDisksNames", "DestinationDirs", "Strings.0411", ""})
        WalkSection(*file, section, MaxFieldsWalked);

    // The models section named by [Manufacturer], and the keys the callers look up.
    InfLine line;
    FixedText<20> models;
    if (file->FindFirstLine("Manufacturer", nullptr, line) && file->GetStringField(line, 1, models))
        WalkSection(*file, models.view(), MaxFieldsWalked);
    for (const char* key : {"Provider", "Signature", "FDDInf", "MPDInf", "Win98Only", "TargetID", "SetupName",
                            "SetupDeviceDesc", "CopyFiles", "", "%"}) {
        for (std::string_view section : {"Version", "Setup", "Strings"}) {
            if (!file->FindFirstLine(section, key, line))
                continue;
            FixedText<256> text;
            std::int32_t value = 1;
            file->GetStringField(line, 1, text);
            file->GetIntField(line, 1, value);
        }
    }
    return 0;
}
