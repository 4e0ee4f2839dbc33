// Asks our INF reader and the system's SetupAPI the same questions about the same INF files and
// prints both answers to each, for the differential test under Wine.
//
//   InfDifferential.exe OUT [--localized-strings] FILE...
//
// --localized-strings opens our reader as the program does on Windows 2000 and XP, looking
// %name% up in [Strings.LLLL] of the user's language first; without it, as on the Windows 98
// family. Every answer is a line `wine|ours <TAB> file <TAB> question <TAB> answer`; the last line
// is `summary files=N answers=N mismatches=N`. Texts are quoted, with every byte outside
// printable ASCII (and `"`, `\`) written as \xHH. Exit status: 0 when every answer agreed, 1 when
// some did not, 2 on a usage or file error.
#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "package/InfFile.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32TextCodePage.h"

namespace {

// The buffer widths the callers of the reader use, and the largest one SetupAPI is asked with.
constexpr std::size_t Widths[] = {20, 64, 256, 512};
constexpr std::size_t WidestBuffer = 512;
// Room after the widest buffer, to see a read that writes past the width it was given.
constexpr std::size_t BufferSize = WidestBuffer + 16;
// What a buffer or an integer holds before a read, to see whether a failing read wrote to it.
constexpr char BufferFill = '\x7F';
constexpr INT IntegerFill = 0x5A5A5A5A;
// Sections every file is asked about, present or not, besides those its own headers name.
constexpr const char* FixedSections[] = {"Version", "Strings", "Manufacturer", "Setup", "Missing", ""};
// A file with many keys would take long to ask about every one in every spelling.
constexpr std::size_t MaxKeySearchesPerSection = 400;

// InfLine has no comparison of its own; it is plain data, so equal bytes mean the same line.
static_assert(std::is_trivially_copyable_v<InfLine>);
bool SameLine(const InfLine& a, const InfLine& b)
{
    return std::memcmp(&a, &b, sizeof(InfLine)) == 0;
}

std::string Quote(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
            quoted.push_back(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            quoted += escape;
        }
    }
    return quoted + "\"";
}

std::string AsciiCase(std::string text, bool upper)
{
    for (char& c : text)
        if (c >= (upper ? 'a' : 'A') && c <= (upper ? 'z' : 'Z'))
            c = static_cast<char>(c ^ 0x20);
    return text;
}

std::string Trim(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

// The folder the call gives, for the directory ids.
std::string FolderFrom(UINT(WINAPI* get)(LPSTR, UINT))
{
    char folder[MAX_PATH];
    const UINT length = get(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string();
}

// The file's text in the ANSI code page, decoded the plain way (byte order marks only): enough
// to find the names in its headers and the keys of its lines, which are only questions to ask.
std::string AnsiText(const std::string& bytes, TextCodePage& codePage)
{
    std::u16string wide;
    if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
        wide.resize((bytes.size() - 2) / 2);
        std::memcpy(wide.data(), bytes.data() + 2, wide.size() * sizeof(char16_t));
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        wide.resize(bytes.size());
        wide.resize(static_cast<std::size_t>(
            MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(bytes.size() - 3),
                                reinterpret_cast<wchar_t*>(wide.data()), static_cast<int>(wide.size()))));
    } else {
        return bytes;
    }
    return codePage.FromUtf16(wide);
}

// What the raw text shows: section names in file order, and for each name (as written) the keys
// of its lines before any %name% substitution.
struct RawOutline {
    std::vector<std::string> sections;
    std::vector<std::pair<std::string, std::string>> keys; // section, raw key
};

RawOutline Outline(const std::string& text)
{
    RawOutline outline;
    std::string current;
    bool inSection = false;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        std::replace(line.begin(), line.end(), '\0', ' ');
        pos = end + 1;
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';')
            continue;
        if (trimmed[0] == '[') {
            const std::size_t close = trimmed.find(']');
            current = trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            outline.sections.push_back(current);
            inSection = true;
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t equals = trimmed.find('=');
        const std::size_t comma = trimmed.find(',');
        if (equals != std::string::npos && (comma == std::string::npos || equals < comma))
            outline.keys.emplace_back(current, Trim(std::string_view(trimmed).substr(0, equals)));
        else if (comma == std::string::npos)
            outline.keys.emplace_back(current, trimmed);
    }
    return outline;
}

class Comparison {
public:
    Comparison(std::FILE* out, bool localizedStrings) : out_(out), localizedStrings_(localizedStrings) {}

    bool CompareFile(const std::string& path);
    void PrintSummary() const
    {
        std::fprintf(out_, "summary files=%zu answers=%zu mismatches=%zu\n", files_, answers_, mismatches_);
    }
    std::size_t Mismatches() const { return mismatches_; }

private:
    struct OpenFile {
        HINF wine;
        const InfFile& ours;
        // Our reader's lines of the section being walked, in order, to tell which one a key search found.
        std::vector<InfLine> ourLines;
    };

    bool Ask(const std::string& question, const std::string& wine, const std::string& ours)
    {
        ++answers_;
        std::fprintf(out_, "wine\t%s\t%s\t%s\n", file_.c_str(), question.c_str(), wine.c_str());
        std::fprintf(out_, "ours\t%s\t%s\t%s\n", file_.c_str(), question.c_str(), ours.c_str());
        mismatches_ += wine != ours;
        return wine == ours;
    }

    void CompareSection(OpenFile& file, const std::string& section, const std::vector<std::string>& keys,
                        bool firstLineOnly = false);
    void CompareLine(OpenFile& file, const std::string& where, INFCONTEXT& wineLine, const InfLine& ourLine);
    void CompareKeySearch(OpenFile& file, const std::string& section, const std::string& key);

    std::FILE* out_;
    bool localizedStrings_;
    std::string file_;
    std::size_t files_ = 0;
    std::size_t answers_ = 0;
    std::size_t mismatches_ = 0;
};

bool Comparison::CompareFile(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    file_ = slash == std::string::npos ? path : path.substr(slash + 1);
    ++files_;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(out_, "error\t%s\tno such file\n", file_.c_str());
        return false;
    }

    UINT errorLine = 0;
    const HINF wine = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
    const DWORD wineError = wine == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    Win32FileSystem files;
    Win32TextCodePage codePage;
    InfOpenOptions options;
    options.preferLocalizedStrings = localizedStrings_;
    options.userLanguage = GetUserDefaultLangID();
    options.windowsFolder = FolderFrom(GetWindowsDirectoryA);
    options.systemFolder = FolderFrom(GetSystemDirectoryA);
    const std::unique_ptr<InfFile> ours = InfFile::Open(files, codePage, path, options);

    const bool wineOpened = wine != INVALID_HANDLE_VALUE;
    Ask("open", wineOpened ? "ok" : "fail", ours ? "ok" : "fail");
    if (!wineOpened)
        std::fprintf(out_, "note\t%s\topen\tSetupOpenInfFileA error 0x%08lX at line %u\n", file_.c_str(), wineError,
                     errorLine);
    if (wineOpened && ours) {
        std::string bytes;
        files.ReadAll(path, bytes);
        const RawOutline outline = Outline(AnsiText(bytes, codePage));
        // Every name as written and the fixed ones, each once; then the same in upper and lower case.
        std::vector<std::string> sections, variants;
        std::set<std::string> seen;
        const auto add = [&](const std::string& name) {
            if (seen.insert(name).second)
                sections.push_back(name);
        };
        for (const std::string& name : outline.sections) add(name);
        for (const char* name : FixedSections) add(name);
        for (const std::string& name : sections) {
            for (const std::string& variant : {AsciiCase(name, true), AsciiCase(name, false)})
                if (!seen.count(variant) && std::find(variants.begin(), variants.end(), variant) == variants.end())
                    variants.push_back(variant);
        }

        std::vector<std::string> stringNames;
        for (const auto& [section, key] : outline.keys)
            if (AsciiCase(section, false) == "strings" || AsciiCase(section, false).rfind("strings.", 0) == 0)
                stringNames.push_back(key);

        OpenFile file{wine, *ours, {}};
        for (const std::string& section : sections) {
            std::vector<std::string> keys;
            for (const auto& [name, key] : outline.keys)
                if (AsciiCase(name, false) == AsciiCase(section, false))
                    keys.push_back(key);
            for (const std::string& name : stringNames) keys.push_back("%" + name + "%");
            CompareSection(file, section, keys);
        }
        // Other spellings of each name need only show that they reach the same section.
        for (const std::string& section : variants) CompareSection(file, section, {}, true);
    }
    if (wineOpened)
        SetupCloseInfFile(wine);
    return true;
}

// Walks the section's lines in step through both readers, reading every field of each, then looks
// up each key the section holds (or might be thought to hold) in several spellings.
void Comparison::CompareSection(OpenFile& file, const std::string& section, const std::vector<std::string>& rawKeys,
                                bool firstLineOnly)
{
    const std::string where = "[" + Quote(section) + "]";
    INFCONTEXT wineLine;
    InfLine ourLine;
    bool wineFound = SetupFindFirstLineA(file.wine, section.c_str(), nullptr, &wineLine) != FALSE;
    bool ourFound = file.ours.FindFirstLine(section, nullptr, ourLine);
    file.ourLines.clear();
    std::vector<std::string> keys;
    for (unsigned index = 0;; ++index) {
        const std::string lineWhere = where + " line " + std::to_string(index);
        if (!Ask(lineWhere, wineFound ? "ok" : "fail", ourFound ? "ok" : "fail") || !wineFound)
            break;
        file.ourLines.push_back(ourLine);
        CompareLine(file, lineWhere, wineLine, ourLine);
        if (firstLineOnly)
            return;
        // The keys as both readers give them (substituted), for the key searches below.
        char key[WidestBuffer];
        if (SetupGetStringFieldA(&wineLine, 0, key, sizeof key, nullptr))
            keys.emplace_back(key);
        if (file.ours.GetStringField(ourLine, 0, key, sizeof key))
            keys.emplace_back(key);
        wineFound = SetupFindNextLine(&wineLine, &wineLine) != FALSE;
        ourFound = file.ours.FindNextLine(ourLine);
    }
    if (file.ourLines.empty())
        return;

    keys.insert(keys.end(), rawKeys.begin(), rawKeys.end());
    keys.push_back("");
    keys.push_back("NoSuchKey");
    std::set<std::string> asked;
    for (const std::string& key : keys) {
        for (const std::string& spelling : {key, AsciiCase(key, true), AsciiCase(key, false), " " + key}) {
            if (asked.size() >= MaxKeySearchesPerSection)
                return;
            if (asked.insert(spelling).second)
                CompareKeySearch(file, section, spelling);
        }
    }
}

void Comparison::CompareLine(OpenFile& file, const std::string& where, INFCONTEXT& wineLine, const InfLine& ourLine)
{
    const DWORD fields = SetupGetFieldCount(&wineLine);
    for (DWORD index = 0; index <= fields + 1; ++index) {
        const std::string fieldWhere = where + " field " + std::to_string(index);
        for (const std::size_t width : Widths) {
            char wineText[BufferSize], ourText[BufferSize];
            std::memset(wineText, BufferFill, BufferSize);
            std::memset(ourText, BufferFill, BufferSize);
            const bool wineRead =
                SetupGetStringFieldA(&wineLine, index, wineText, static_cast<DWORD>(width), nullptr) != FALSE;
            const bool ourRead = file.ours.GetStringField(ourLine, index, ourText, width);
            const auto answer = [width](bool read, const char* text) -> std::string {
                const auto untouched = [text](std::size_t from) {
                    return std::all_of(text + from, text + BufferSize, [](char c) { return c == BufferFill; });
                };
                if (!read)
                    return untouched(0) ? "fail" : "fail, buffer changed";
                const char* end = static_cast<const char*>(std::memchr(text, '\0', width));
                if (end == nullptr)
                    return "ok, not terminated within the width";
                const std::string value = "ok " + Quote(std::string_view(text, end - text));
                return untouched(width) ? value : value + ", written past the width";
            };
            Ask(fieldWhere + " width " + std::to_string(width), answer(wineRead, wineText), answer(ourRead, ourText));
        }
        if (index <= fields) {
            INT wineValue = IntegerFill;
            std::int32_t ourValue = IntegerFill;
            const bool wineRead = SetupGetIntField(&wineLine, index, &wineValue) != FALSE;
            const bool ourRead = file.ours.GetIntField(ourLine, index, ourValue);
            const auto answer = [](bool read, std::int32_t value) -> std::string {
                if (!read)
                    return value == IntegerFill ? "fail" : "fail, value changed";
                return "ok " + std::to_string(value);
            };
            Ask(fieldWhere + " int", answer(wineRead, wineValue), answer(ourRead, ourValue));
        }
    }
}

void Comparison::CompareKeySearch(OpenFile& file, const std::string& section, const std::string& key)
{
    INFCONTEXT wineLine;
    InfLine ourLine;
    const bool wineFound = SetupFindFirstLineA(file.wine, section.c_str(), key.c_str(), &wineLine) != FALSE;
    const bool ourFound = file.ours.FindFirstLine(section, key.c_str(), ourLine);
    std::string wine = wineFound ? "ok line " + std::to_string(wineLine.Line) : "fail";
    std::string ours = "fail";
    if (ourFound) {
        const auto found = std::find_if(file.ourLines.begin(), file.ourLines.end(),
                                        [&](const InfLine& line) { return SameLine(line, ourLine); });
        ours = found == file.ourLines.end() ? "ok, a line outside the section"
                                            : "ok line " + std::to_string(found - file.ourLines.begin());
    }
    Ask("[" + Quote(section) + "] key " + Quote(key), wine, ours);
}

} // namespace

int main(int argc, char** argv)
{
    const bool localizedStrings = argc > 2 && std::strcmp(argv[2], "--localized-strings") == 0;
    std::FILE* out = argc > 2 ? std::fopen(argv[1], "wb") : nullptr;
    if (!out) {
        std::fprintf(stderr, "usage: InfDifferential.exe OUT [--localized-strings] FILE...\n");
        return 2;
    }
    Comparison comparison(out, localizedStrings);
    bool allRead = true;
    for (int i = localizedStrings ? 3 : 2; i < argc; ++i) allRead = comparison.CompareFile(argv[i]) && allRead;
    comparison.PrintSummary();
    std::fclose(out);
    return !allRead ? 2 : comparison.Mismatches() == 0 ? 0 : 1;
}
