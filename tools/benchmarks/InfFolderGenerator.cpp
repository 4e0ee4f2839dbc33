// A folder of installed INF files of realistic shapes: vendor comments, [Version], source disks,
// [Manufacturer] naming a models section (often with decorated twins), model lines with USB
// hardware IDs (some continued on a second line), install and registry sections, [Strings] and
// now and then a Japanese [Strings.0411]. Sizes and encodings follow a fixed pseudo-random draw.
#include "InfFolderGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <set>

namespace {

// splitmix64: small, fast, and the same sequence on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }
    bool Percent(unsigned percent) { return Below(100) < percent; }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N])
    {
        return items[Below(N)];
    }

private:
    std::uint64_t state_;
};

struct DeviceClass {
    const char* name;
    const char* guid;
};
constexpr DeviceClass Classes[] = {
    {"USB", "{36FC9E60-C465-11CF-8056-444553540000}"},      {"DiskDrive", "{4D36E967-E325-11CE-BFC1-08002BE10318}"},
    {"Net", "{4D36E972-E325-11CE-BFC1-08002BE10318}"},      {"Image", "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}"},
    {"HIDClass", "{745A17A0-74D3-11D0-B6FE-00A0C90F57DA}"}, {"Ports", "{4D36E978-E325-11CE-BFC1-08002BE10318}"},
    {"MEDIA", "{4D36E96C-E325-11CE-BFC1-08002BE10318}"},
};
constexpr const char* Vendors[] = {"Kestrel", "Amberline", "Tallis", "Orrin", "Quillon", "Marrow", "Veldt", "Sorrel"};
constexpr const char* Products[] = {"USB Flash Disk",   "Card Reader", "Network Adapter", "Scanner",
                                    "Composite Device", "Serial Port", "Audio Device",    "Storage Controller"};
constexpr const char* JapaneseProducts[] = {"USB フラッシュ ディスク", "カード リーダー", "ネットワーク アダプタ",
                                            "スキャナ", "複合デバイス"};
constexpr const char* RegistryValues[] = {"BufferSize",
                                          "MaximumTransferLength",
                                          "EnableIdlePowerManagement",
                                          "SelectiveSuspendEnabled",
                                          "DeviceCharacteristics",
                                          "FriendlyName",
                                          "UpperFilters",
                                          "LowerFilters",
                                          "PollingInterval",
                                          "MediaType"};

// Appends one formatted line and its CR LF.
void Line(std::string& text, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Line(std::string& text, const char* format, ...)
{
    char buffer[512];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    text.append(buffer, static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(sizeof buffer) - 1)));
    text += "\r\n";
}

unsigned Hex16(Random& random)
{
    return static_cast<unsigned>(random.Below(0x10000));
}

// UTF-8 text (valid, from this file's literals) as UTF-16LE with its byte order mark.
std::string Utf16WithBom(const std::string& text)
{
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    const auto unit = [&](char32_t u) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>((u >> 8) & 0xFF);
    };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        char32_t c = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            c = lead & 0x07;
            length = 4;
        } else if (lead >= 0xE0) {
            c = lead & 0x0F;
            length = 3;
        } else if (lead >= 0xC0) {
            c = lead & 0x1F;
            length = 2;
        }
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += length;
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return bytes;
}

struct InfPlan {
    std::size_t targetBytes;
    GeneratedInf::Encoding encoding;
};

std::string MakeInfText(Random& random, std::size_t index, std::size_t targetChars, bool localized,
                        std::size_t& modelLines)
{
    const char* vendor = random.Pick(Vendors);
    const DeviceClass& deviceClass = random.Pick(Classes);
    const bool nt = random.Percent(70);
    // Names the removal reads into 20 characters stay short, as installed INFs have them.
    const std::string models = std::string(vendor).substr(0, 8) + "Models";
    const std::size_t modelCount = std::max<std::size_t>(1, targetChars / 700);
    const std::size_t installCount = std::max<std::size_t>(1, modelCount / 8);
    const bool decorated = nt && random.Percent(50);
    modelLines = modelCount;

    std::string head;
    Line(head, "; OEM%zu.INF -- %s %s driver setup information", index, vendor, deviceClass.name);
    Line(head, "; Copyright (c) 1999-2006 %s Corporation. All rights reserved.", vendor);
    Line(head, ";");
    Line(head, "%s", "");
    Line(head, "[Version]");
    Line(head, "Signature=\"%s\"", nt ? "$Windows NT$" : "$CHICAGO$");
    Line(head, "Class=%s", deviceClass.name);
    Line(head, "ClassGUID=%s", deviceClass.guid);
    Line(head, "Provider=%%Provider%%");
    Line(head, "DriverVer=%02zu/%02zu/%04zu,%zu.%zu.%zu.%zu", 1 + random.Below(12), 1 + random.Below(28),
         1999 + random.Below(8), 1 + random.Below(6), random.Below(10), random.Below(3000), random.Below(100));
    if (nt)
        Line(head, "CatalogFile=%s.cat", vendor);
    Line(head, "%s", "");
    Line(head, "[SourceDisksNames]");
    Line(head, "1 = %%DiskName%%,,,\"\"");
    Line(head, "%s", "");

    std::string modelsText;
    Line(modelsText, "[Manufacturer]");
    if (decorated)
        Line(modelsText, "%%Mfg%%=%s,NTx86,NTamd64", models.c_str());
    else
        Line(modelsText, "%%Mfg%%=%s", models.c_str());
    Line(modelsText, "%s", "");
    std::string modelLinesText;
    for (std::size_t model = 0; model < modelCount; ++model) {
        if (model % 12 == 0 && model != 0)
            Line(modelLinesText, "; %s %s, series %zu", vendor, random.Pick(Products), model / 12);
        char hardwareId[96];
        if (random.Percent(8)) {
            std::snprintf(hardwareId, sizeof hardwareId, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%04X%04X", Hex16(random),
                          Hex16(random), Hex16(random), Hex16(random));
        } else {
            const int length =
                std::snprintf(hardwareId, sizeof hardwareId, "USB\\VID_%04X&PID_%04X", Hex16(random), Hex16(random));
            if (random.Percent(20))
                std::snprintf(hardwareId + length, sizeof hardwareId - length, "&MI_%02zu", random.Below(4));
            else if (random.Percent(10))
                std::snprintf(hardwareId + length, sizeof hardwareId - length, "&REV_%04zu", random.Below(300));
        }
        const std::size_t install = model % installCount;
        char description[48];
        if (random.Percent(5))
            std::snprintf(description, sizeof description, "\"%s %s %zu\"", vendor, random.Pick(Products), model);
        else
            std::snprintf(description, sizeof description, "%%Dev%04zu.Desc%%", model);
        const char* compatible = random.Percent(30) ? ", USB\\Class_08&SubClass_06&Prot_50" : "";
        if (random.Percent(5))
            Line(modelLinesText, "%s = Install%zu, \\\r\n    %s%s", description, install, hardwareId, compatible);
        else
            Line(modelLinesText, "%s=Install%zu,%s%s", description, install, hardwareId, compatible);
    }
    Line(modelsText, "[%s]", models.c_str());
    modelsText += modelLinesText;
    Line(modelsText, "%s", "");
    if (decorated) {
        Line(modelsText, "[%s.NTx86]", models.c_str());
        modelsText += modelLinesText;
        Line(modelsText, "%s", "");
    }

    std::string installs;
    for (std::size_t install = 0; install < installCount; ++install) {
        Line(installs, "[Install%zu]", install);
        Line(installs, "CopyFiles=Install%zu.Copy", install);
        Line(installs, "AddReg=Install%zu.AddReg, Common.AddReg", install);
        Line(installs, "%s", "");
        if (nt) {
            Line(installs, "[Install%zu.Services]", install);
            Line(installs, "AddService = %s%zu, 0x00000002, Service%zu", vendor, install, install);
            Line(installs, "%s", "");
        }
        Line(installs, "[Install%zu.Copy]", install);
        Line(installs, "%.6s%zu.sys,,,0x00000004", vendor, install);
        Line(installs, "%s", "");
        Line(installs, "[Install%zu.AddReg]", install);
        Line(installs, "HKR,,DevLoader,,*ntkern");
        Line(installs, "HKR,,NTMPDriver,,%.6s%zu.sys", vendor, install);
        Line(installs, "HKR,\"Parameters\",\"%s\",0x00010001,%zu", random.Pick(RegistryValues), random.Below(65536));
        Line(installs, "%s", "");
    }

    std::string strings;
    Line(strings, "[Strings]");
    Line(strings, "Provider=\"%s\"", vendor);
    Line(strings, "Mfg=\"%s Corporation\"", vendor);
    Line(strings, "DiskName=\"%s %s Driver Disk\"", vendor, deviceClass.name);
    for (std::size_t model = 0; model < modelCount; ++model)
        Line(strings, "Dev%04zu.Desc=\"%s %s %zu\"", model, vendor, random.Pick(Products), model);
    if (localized) {
        Line(strings, "%s", "");
        Line(strings, "[Strings.0411]");
        for (std::size_t model = 0; model < modelCount; ++model)
            Line(strings, "Dev%04zu.Desc=\"%s %s %zu\"", model, vendor, random.Pick(JapaneseProducts), model);
    }

    // Source disk files and registry settings make up the rest of the size, as in large INFs.
    const std::size_t fixed = head.size() + modelsText.size() + installs.size() + strings.size();
    const std::size_t filler = targetChars > fixed ? targetChars - fixed : 0;
    std::string sourceFiles;
    Line(sourceFiles, "[SourceDisksFiles]");
    for (std::size_t file = 0; sourceFiles.size() < filler * 3 / 10; ++file)
        Line(sourceFiles, "%.6s%zu.%s = 1,,%zu", vendor, file,
             file % 3 == 0   ? "sys"
             : file % 3 == 1 ? "dll"
                             : "cat",
             random.Below(400000));
    Line(sourceFiles, "%s", "");
    Line(sourceFiles, "[DestinationDirs]");
    Line(sourceFiles, "DefaultDestDir = 12");
    Line(sourceFiles, "%s", "");
    std::string settings;
    Line(settings, "[Common.AddReg]");
    for (std::size_t value = 0; sourceFiles.size() + settings.size() < filler; ++value) {
        if (value % 40 == 39)
            Line(settings, "; settings group %zu", value / 40);
        Line(settings, "HKR,\"Parameters\\Group%zu\",\"%s%zu\",0x%08zX,%zu", value / 16, random.Pick(RegistryValues),
             value, random.Below(2) != 0 ? std::size_t{0x00010001} : std::size_t{0}, random.Below(1u << 20));
    }
    Line(settings, "%s", "");

    return head + sourceFiles + modelsText + installs + settings + strings;
}

} // namespace

std::vector<GeneratedInf> GenerateInfFolder(const InfFolderShape& shape)
{
    Random random(shape.seed);
    std::set<std::size_t> large;
    while (large.size() < std::min(shape.largeFiles, shape.files)) large.insert(random.Below(shape.files));

    std::vector<GeneratedInf> files;
    files.reserve(shape.files);
    for (std::size_t index = 0; index < shape.files; ++index) {
        Random fileRandom(random.Next());
        GeneratedInf inf;
        inf.name = "OEM" + std::to_string(index) + ".INF";
        std::size_t targetBytes;
        if (large.count(index) != 0) {
            targetBytes = static_cast<std::size_t>((1.0 + 2.0 * fileRandom.Unit()) * 1024 * 1024);
        } else {
            const double low = std::log(static_cast<double>(shape.smallestBytes));
            const double high = std::log(static_cast<double>(shape.largestBytes));
            targetBytes = static_cast<std::size_t>(std::exp(low + (high - low) * fileRandom.Unit()));
        }
        const std::size_t draw = fileRandom.Below(100);
        inf.encoding = draw < shape.utf16Percent                       ? GeneratedInf::Encoding::Utf16
                       : draw < shape.utf16Percent + shape.utf8Percent ? GeneratedInf::Encoding::Utf8
                                                                       : GeneratedInf::Encoding::Ansi;
        const bool unicode = inf.encoding != GeneratedInf::Encoding::Ansi;
        const bool localized = unicode && fileRandom.Percent(50);
        const std::size_t targetChars = inf.encoding == GeneratedInf::Encoding::Utf16 ? targetBytes / 2 : targetBytes;
        const std::string text = MakeInfText(fileRandom, index, targetChars, localized, inf.modelLines);
        switch (inf.encoding) {
        case GeneratedInf::Encoding::Utf16:
            inf.bytes = Utf16WithBom(text);
            break;
        case GeneratedInf::Encoding::Utf8:
            inf.bytes = "\xEF\xBB\xBF" + text;
            break;
        case GeneratedInf::Encoding::Ansi:
            inf.bytes = text;
            break;
        }
        files.push_back(std::move(inf));
    }
    return files;
}

bool WriteInfFolder(const std::vector<GeneratedInf>& files, const std::filesystem::path& folder, std::string& error)
{
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        error = "cannot create " + folder.string() + ": " + code.message();
        return false;
    }
    for (const GeneratedInf& inf : files) {
        const std::filesystem::path path = folder / inf.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(inf.bytes.data(), static_cast<std::streamsize>(inf.bytes.size()));
        if (!out.flush()) {
            error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}
