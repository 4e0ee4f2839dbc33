// Asks our INF reader and the system's SetupAPI the same questions about the same INF files and
// writes both answers to each, for the differential test under Wine.
//
//   InfDifferential.exe OUT [--localized-strings] FILE...
//
// --localized-strings opens our reader as the program does on Windows 2000 and XP, looking %name%
// up in [Strings.LLLL] of the user's language first; without it, as on the Windows 98 family. Every
// question is a line `file <TAB> question <TAB> SetupAPI's answer <TAB> ours`: whether the file
// opens, the lines of every section, every field of every line at the widths the callers use, as
// text and as integer, and searches for every key in several spellings. Texts are quoted, with
// every byte outside printable ASCII (and `"`, `\`) written as \xHH.
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

// The buffer widths the callers of the reader use, the widest one last, and room after it to see
// a read that writes past the width it was given.
constexpr std::size_t Widths[] = {20, 64, 256, 512}, WidestBuffer = 512, BufferSize = WidestBuffer + 16;
// What a buffer or an integer holds before a read, to see whether a failing read wrote to it.
constexpr char BufferFill = '\x7F';
constexpr INT IntegerFill = 0x5A5A5A5A;
// Sections every file is asked about, present or not, besides those its own headers name.
constexpr const char* FixedSections[] = {"Version", "Strings", "Manufacturer", "Setup", "Missing", ""};
// A file with many keys would take long to ask about every one in every spelling.
constexpr std::size_t MaxKeySearchesPerSection = 400;

std::FILE* out;
std::string fileName; // of the file being asked about
HINF wine;
const InfFile* ours;
// Our reader's lines of the section being walked, in order, to tell which one a key search found.
std::vector<InfLine> ourLines;

std::string Quote(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        char escape[8] = {c, 0};
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F || c == '"' || c == '\\')
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
        quoted += escape;
    }
    return quoted + "\"";
}

std::string AsciiCase(std::string text, bool upper)
{
    for (char& c : text) c = static_cast<char>(c >= (upper ? 'a' : 'A') && c <= (upper ? 'z' : 'Z') ? c ^ 0x20 : c);
    return text;
}

std::string Trim(std::string_view text)
{
    constexpr const char* Blanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(Blanks);
    return first == text.npos ? "" : std::string(text.substr(first, text.find_last_not_of(Blanks) - first + 1));
}

bool Ask(const std::string& question, const std::string& wineAnswer, const std::string& ourAnswer)
{
    std::fprintf(out, "%s\t%s\t%s\t%s\n", fileName.c_str(), question.c_str(), wineAnswer.c_str(), ourAnswer.c_str());
    return wineAnswer == ourAnswer;
}

// The file's text in the ANSI code page, decoded the plain way (byte order marks only): enough to
// find the names in its headers and the keys of its lines, which are only questions to ask.
std::string AnsiText(const std::string& bytes, TextCodePage& codePage)
{
    const bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0, utf8 = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (!utf16 && !utf8)
        return bytes;
    std::u16string wide(bytes.size() / (utf16 ? 2 : 1) - 1, u'\0'); // room for the text after the mark
    if (utf16)
        std::memcpy(wide.data(), bytes.data() + 2, wide.size() * sizeof(char16_t));
    else
        wide.resize(std::size_t(MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, int(bytes.size() - 3),
                                                    reinterpret_cast<wchar_t*>(wide.data()), int(wide.size()))));
    return codePage.FromUtf16(wide);
}

// What the raw text shows: section names in file order, and for each name (as written) the keys of
// its lines before any %name% substitution.
void Outline(std::string text, std::vector<std::string>& sections,
             std::vector<std::pair<std::string, std::string>>& keys)
{
    std::replace(text.begin(), text.end(), '\0', ' ');
    for (std::size_t pos = 0, end; pos <= text.size(); pos = end + 1) {
        end = std::min(text.find('\n', pos), text.size());
        const std::string trimmed = Trim(std::string_view(text).substr(pos, end - pos));
        const std::size_t equals = trimmed.find('='), comma = trimmed.find(',');
        if (trimmed.empty() || trimmed[0] == ';')
            continue;
        if (trimmed[0] == '[')
            sections.push_back(trimmed.substr(1, trimmed.find(']') - 1));             // to the end when unclosed
        else if (!sections.empty() && (equals < comma || comma == std::string::npos)) // a key, or a line of one field
            keys.emplace_back(sections.back(), Trim(std::string_view(trimmed).substr(0, equals)));
    }
}

std::string FieldAnswer(bool read, const char* text, std::size_t width)
{
    const auto untouched = [text](std::size_t from) {
        return std::string_view(text + from, BufferSize - from).find_first_not_of(BufferFill) == std::string_view::npos;
    };
    if (!read)
        return untouched(0) ? "fail" : "fail, buffer changed";
    const char* end = static_cast<const char*>(std::memchr(text, '\0', width));
    if (end == nullptr)
        return "ok, not terminated within the width";
    const std::string value = "ok " + Quote(std::string_view(text, end - text));
    return untouched(width) ? value : value + ", written past the width";
}

std::string IntegerAnswer(bool read, std::int32_t value)
{
    return read ? "ok " + std::to_string(value) : value == IntegerFill ? "fail" : "fail, value changed";
}

void CompareLine(const std::string& where, INFCONTEXT& wineLine, const InfLine& ourLine)
{
    const DWORD fields = SetupGetFieldCount(&wineLine);
    for (DWORD index = 0; index <= fields + 1; ++index) {
        const std::string fieldWhere = where + " field " + std::to_string(index);
        for (const std::size_t width : Widths) {
            std::string wineText(BufferSize, BufferFill), ourText = wineText;
            Ask(fieldWhere + " width " + std::to_string(width),
                FieldAnswer(SetupGetStringFieldA(&wineLine, index, wineText.data(), DWORD(width), nullptr),
                            wineText.data(), width),
                FieldAnswer(ours->GetStringField(ourLine, index, ourText.data(), width), ourText.data(), width));
        }
        if (index > fields)
            continue;
        INT wineValue = IntegerFill;
        std::int32_t ourValue = IntegerFill;
        const bool wineRead = SetupGetIntField(&wineLine, index, &wineValue) != FALSE;
        const bool ourRead = ours->GetIntField(ourLine, index, ourValue);
        Ask(fieldWhere + " int", IntegerAnswer(wineRead, wineValue), IntegerAnswer(ourRead, ourValue));
    }
}

void CompareKeySearch(const std::string& section, const std::string& key)
{
    INFCONTEXT wineLine;
    InfLine ourLine;
    const bool wineFound = SetupFindFirstLineA(wine, section.c_str(), key.c_str(), &wineLine) != FALSE;
    std::string ourAnswer = "fail";
    if (ours->FindFirstLine(section, key.c_str(), ourLine)) {
        // InfLine is plain data with no comparison of its own: equal bytes mean the same line.
        static_assert(std::is_trivially_copyable_v<InfLine>);
        const auto found = std::find_if(ourLines.begin(), ourLines.end(), [&](const InfLine& line) {
            return std::memcmp(&line, &ourLine, sizeof(InfLine)) == 0;
        });
        ourAnswer = found == ourLines.end() ? "ok, a line outside the section"
                                            : "ok line " + std::to_string(found - ourLines.begin());
    }
    Ask("[" + Quote(section) + "] key " + Quote(key), wineFound ? "ok line " + std::to_string(wineLine.Line) : "fail",
        ourAnswer);
}

// Walks the section's lines in step through both readers, reading every field of each, then looks
// up each key the section holds (or might be thought to hold) in several spellings.
void CompareSection(const std::string& section, std::vector<std::string> keys, bool firstLineOnly)
{
    const std::string where = "[" + Quote(section) + "]";
    INFCONTEXT wineLine;
    InfLine ourLine;
    bool wineFound = SetupFindFirstLineA(wine, section.c_str(), nullptr, &wineLine) != FALSE;
    bool ourFound = ours->FindFirstLine(section, nullptr, ourLine);
    ourLines.clear();
    const std::size_t rawKeys = keys.size();
    for (unsigned index = 0;; ++index) {
        const std::string lineWhere = where + " line " + std::to_string(index);
        if (!Ask(lineWhere, wineFound ? "ok" : "fail", ourFound ? "ok" : "fail") || !wineFound)
            break;
        ourLines.push_back(ourLine);
        CompareLine(lineWhere, wineLine, ourLine);
        if (firstLineOnly)
            return;
        // The keys as both readers give them (substituted), asked before the raw ones.
        char key[WidestBuffer];
        if (SetupGetStringFieldA(&wineLine, 0, key, sizeof key, nullptr))
            keys.insert(keys.end() - rawKeys, key);
        if (ours->GetStringField(ourLine, 0, key, sizeof key))
            keys.insert(keys.end() - rawKeys, key);
        wineFound = SetupFindNextLine(&wineLine, &wineLine) != FALSE;
        ourFound = ours->FindNextLine(ourLine);
    }
    if (ourLines.empty())
        return;
    keys.insert(keys.end(), {"", "NoSuchKey"});
    std::set<std::string> asked;
    for (const std::string& key : keys)
        for (const std::string& spelling : {key, AsciiCase(key, true), AsciiCase(key, false), " " + key}) {
            if (asked.size() >= MaxKeySearchesPerSection)
                return;
            if (asked.insert(spelling).second)
                CompareKeySearch(section, spelling);
        }
}

void CompareFile(const std::string& path, bool localizedStrings)
{
    fileName = path.substr(path.find_last_of("\\/") + 1);
    wine = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    Win32FileSystem files;
    Win32TextCodePage codePage;
    char windowsFolder[MAX_PATH] = "", systemFolder[MAX_PATH] = ""; // for the directory ids
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    GetSystemDirectoryA(systemFolder, MAX_PATH);
    const std::unique_ptr<InfFile> ourFile =
        InfFile::Open(files, codePage, path, {localizedStrings, GetUserDefaultLangID(), windowsFolder, systemFolder});
    const std::unique_ptr<void, decltype(&SetupCloseInfFile)> closeWine(wine == INVALID_HANDLE_VALUE ? nullptr : wine,
                                                                        SetupCloseInfFile);
    ours = ourFile.get();
    Ask("open", wine != INVALID_HANDLE_VALUE ? "ok" : "fail", ours ? "ok" : "fail");
    if (wine == INVALID_HANDLE_VALUE || !ours)
        return;
    std::string bytes;
    files.ReadAll(path, bytes);
    std::vector<std::string> names, sections, stringNames;
    std::vector<std::pair<std::string, std::string>> keys;
    Outline(AnsiText(bytes, codePage), names, keys);
    // Every name as written and the fixed ones, each once; then the same in upper and lower case.
    names.insert(names.end(), std::begin(FixedSections), std::end(FixedSections));
    std::set<std::string> seen;
    for (const std::string& name : names)
        if (seen.insert(name).second)
            sections.push_back(name);
    for (const auto& [section, key] : keys)
        if (AsciiCase(section, false) == "strings" || AsciiCase(section, false).rfind("strings.", 0) == 0)
            stringNames.push_back("%" + key + "%");
    for (const std::string& section : sections) {
        std::vector<std::string> sectionKeys;
        for (const auto& [name, key] : keys)
            if (AsciiCase(name, false) == AsciiCase(section, false))
                sectionKeys.push_back(key);
        sectionKeys.insert(sectionKeys.end(), stringNames.begin(), stringNames.end());
        CompareSection(section, sectionKeys, false);
    }
    // Other spellings of each name, in upper and lower case, need only show that they reach the same section.
    for (const std::string& name : sections)
        for (const std::string& variant : {AsciiCase(name, true), AsciiCase(name, false)})
            if (seen.insert(variant).second)
                CompareSection(variant, {}, true);
}

} // namespace

int main(int argc, char** argv)
{
    const bool localizedStrings = argc > 2 && std::strcmp(argv[2], "--localized-strings") == 0;
    if (argc < 2 || !(out = std::fopen(argv[1], "wb"))) // called the wrong way: the header says how
        return 2;
    for (int i = localizedStrings ? 3 : 2; i < argc; ++i) CompareFile(argv[i], localizedStrings);
    std::fclose(out);
    return 0;
}
