// The INF reader: parsing of INF text and the SetupAPI-shaped lookups on the result.
#include "package/InfFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#include "package/InfEncoding.h"

namespace {

constexpr char ControlZ = 0x1A;

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names and keys compare without regard to case in ASCII only: bytes from 0x80 up are compared
// as they are, since the trail byte of a double-byte character may look like a letter.
int CompareNoCase(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(FoldCase(a[i]));
        const unsigned char y = static_cast<unsigned char>(FoldCase(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

// "Strings.LLLL", the language in four lower-case hex digits. Spelled out by hand: a printf
// would bring the C library's whole formatter (floating point included) into Setup.exe.
struct SectionName {
    char text[sizeof "Strings.0000"];
};

SectionName LocalizedStringsName(std::uint16_t language)
{
    static constexpr char HexDigits[] = "0123456789abcdef";
    SectionName name = {"Strings.0000"};
    for (std::size_t digit = 0; digit < 4; ++digit)
        name.text[8 + digit] = HexDigits[(language >> (12 - 4 * digit)) & 0xF];
    return name;
}

// Everything from the first Ctrl-Z on is not part of the file.
template <typename Unit>
std::basic_string_view<Unit> UpToControlZ(std::basic_string_view<Unit> text)
{
    const std::size_t end = text.find(static_cast<Unit>(ControlZ));
    return end == std::basic_string_view<Unit>::npos ? text : text.substr(0, end);
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Unicode files are read in UTF-16 as the platform reads them, so its wider set of spaces applies.
bool IsBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x00A0 || c == 0x1680
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F
        || c == 0x205F || c == 0x3000;
}

// strtol with base 0, as SetupGetIntField applies it: leading blanks and a sign, "0x" for hex,
// a leading 0 for octal; the whole text must be digits after that; 32-bit overflow clamps.
bool ParseInteger(std::string_view text, std::int32_t& value)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const auto digitValue = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 99;
    };
    int base = 10;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        if (pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X')
            && digitValue(text[pos + 2]) < 16) {
            base = 16;
            pos += 2;
        }
    }
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t magnitude = 0;
    const std::size_t firstDigit = pos;
    for (; pos < text.size() && digitValue(text[pos]) < base; ++pos)
        magnitude = std::min(limit, magnitude * base + digitValue(text[pos]));
    if (pos == firstDigit || pos != text.size()) return false;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

} // namespace

// Collects what the lexer finds and lays it out for the lookups.
class InfFile::Builder {
public:
    explicit Builder(InfFile& file) : file_(file) {}

    bool InSection() const { return !headers_.empty(); }
    void NoteTextBeforeSection() { textBeforeSection_ = true; }

    bool BeginSection(std::string_view name)
    {
        if (!Fits(file_.sectionNames_, name)) return false;
        headers_.push_back({static_cast<std::uint32_t>(file_.sectionNames_.size()),
                            static_cast<std::uint32_t>(name.size()),
                            static_cast<std::uint32_t>(file_.lineKeys_.size()), 0});
        file_.sectionNames_.append(name);
        return true;
    }
    void BeginLine() { file_.lineTokens_.push_back(static_cast<std::uint32_t>(file_.tokenStarts_.size())); }
    bool AddToken(std::string_view text)
    {
        if (!Fits(file_.text_, text) || file_.tokenStarts_.size() >= Limit) return false;
        file_.tokenStarts_.push_back(static_cast<std::uint32_t>(file_.text_.size()));
        file_.text_.append(text);
        return true;
    }
    void EndLine(KeyKind key) { file_.lineKeys_.push_back(key); }

    // Merges the sections that share a name and checks what needs the whole file.
    bool Finish()
    {
        file_.tokenStarts_.push_back(static_cast<std::uint32_t>(file_.text_.size()));
        file_.lineTokens_.push_back(static_cast<std::uint32_t>(file_.tokenStarts_.size() - 1));
        for (std::size_t i = 0; i < headers_.size(); ++i) {
            const std::size_t end = i + 1 < headers_.size() ? headers_[i + 1].firstLine : file_.lineKeys_.size();
            headers_[i].lineCount = static_cast<std::uint32_t>(end - headers_[i].firstLine);
        }
        const auto name = [this](const Header& header) {
            return std::string_view(file_.sectionNames_).substr(header.nameStart, header.nameLength);
        };
        // Stable, so that the lines of a merged section stay in file order.
        std::stable_sort(headers_.begin(), headers_.end(), [&](const Header& a, const Header& b) {
            return CompareNoCase(name(a), name(b)) < 0;
        });
        for (std::size_t i = 0; i < headers_.size(); ++i) {
            if (i == 0 || CompareNoCase(name(headers_[i - 1]), name(headers_[i])) != 0)
                file_.sections_.push_back({headers_[i].nameStart, headers_[i].nameLength,
                                           static_cast<std::uint32_t>(file_.runs_.size()), 0});
            if (headers_[i].lineCount != 0) {
                file_.runs_.push_back({headers_[i].firstLine, headers_[i].lineCount});
                ++file_.sections_.back().runCount;
            }
        }
        std::vector<Header>().swap(headers_);
        // Like the platform's reader, text before the first section is an error unless the file
        // has a [Strings] section.
        return !textBeforeSection_ || file_.FindSection("Strings") != nullptr;
    }

private:
    static constexpr std::size_t Limit = std::numeric_limits<std::uint32_t>::max() - 1;
    struct Header {
        std::uint32_t nameStart;
        std::uint32_t nameLength;
        std::uint32_t firstLine;
        std::uint32_t lineCount;
    };

    static bool Fits(const std::string& store, std::string_view more) { return more.size() <= Limit - store.size(); }

    InfFile& file_;
    std::vector<Header> headers_;
    bool textBeforeSection_ = false;
};

// Splits INF text into sections, lines, keys and fields. Works on the UTF-16 units of a Unicode
// file, whose keys and fields are then converted to the ANSI code page one by one, or on the bytes
// of an ANSI file as they stand. In an ANSI file of a double-byte code page the two bytes of a
// character are taken together, so a second byte 0x5C or 0x5D is never a backslash or a bracket.
template <typename Unit>
class InfFile::Lexer {
public:
    Lexer(std::basic_string_view<Unit> text, TextCodePage& codePage, Builder& builder)
        : text_(text), codePage_(codePage), builder_(builder)
    {
    }

    bool Run()
    {
        std::size_t pos = 0;
        while (pos < text_.size()) {
            const Unit c = At(pos);
            if (c == '\n' || IsBlank(c)) {
                ++pos;
            } else if (c == ';') {
                pos = LineEnd(pos);
            } else if (c == '[') {
                if (!ReadSectionHeader(pos)) return false;
            } else if (!builder_.InSection()) {
                // Skipped a character at a time, as the platform does: a '[' further on still
                // opens a section.
                builder_.NoteTextBeforeSection();
                ++pos;
            } else if (!ReadLine(pos)) {
                return false;
            }
        }
        return true;
    }

private:
    enum class Delimiter { Equals, Comma, LineEnd };
    enum class Backslash { Continues, Literal, EndOfText };

    // NUL characters read as spaces, both as blanks and in the text kept.
    Unit At(std::size_t pos) const { return text_[pos] == 0 ? Unit(' ') : text_[pos]; }
    // Whether a double-byte character starts here: its second byte is on the same line.
    bool IsDoubleByte(std::size_t pos) const
    {
        if constexpr (std::is_same_v<Unit, char>)
            return codePage_.IsLeadByte(static_cast<unsigned char>(text_[pos])) && !AtLineEnd(pos + 1);
        else
            return false;
    }
    bool AtLineEnd(std::size_t pos) const { return pos >= text_.size() || text_[pos] == '\n'; }
    std::size_t LineEnd(std::size_t pos) const
    {
        const std::size_t end = text_.find(Unit('\n'), pos);
        return end == std::basic_string_view<Unit>::npos ? text_.size() : end;
    }

    // The name is the raw text up to the first ']'; the rest of the line is ignored.
    bool ReadSectionHeader(std::size_t& pos)
    {
        std::size_t close = pos + 1;
        while (!AtLineEnd(close) && text_[close] != ']') close += IsDoubleByte(close) ? 2 : 1;
        if (AtLineEnd(close) || close - pos - 1 > MaxSectionNameLength) return false;
        token_.clear();
        for (std::size_t i = pos + 1; i < close; ++i) token_.push_back(At(i));
        pos = LineEnd(close + 1);
        return builder_.BeginSection(Ansi());
    }

    // One line: a key when '=' comes before any ',', then the comma-separated fields. A line of
    // a single field without '=' uses that field as its key too.
    bool ReadLine(std::size_t& pos)
    {
        builder_.BeginLine();
        Delimiter delimiter = ReadToken(pos, true);
        if (!builder_.AddToken(Ansi())) return false;
        const KeyKind key = delimiter == Delimiter::Equals ? KeyKind::Own
                            : delimiter == Delimiter::Comma ? KeyKind::None
                                                            : KeyKind::SameAsField1;
        while (delimiter != Delimiter::LineEnd) {
            delimiter = ReadToken(pos, false);
            if (!builder_.AddToken(Ansi())) return false;
        }
        builder_.EndLine(key);
        return true;
    }

    // Reads one key or field into token_ and returns what ended it, with `pos` after a '=' or
    // ',' or at the end of the line. Blanks around the text are dropped, blanks inside it kept;
    // quotes make everything up to the closing quote literal.
    Delimiter ReadToken(std::size_t& pos, bool keyAllowed)
    {
        token_.clear();
        bool leading = true;
        std::size_t blanks = NoBlanks;
        const auto keepBlanks = [&]() {
            if (blanks != NoBlanks) AppendRange(blanks, pos);
            blanks = NoBlanks;
        };
        while (!AtLineEnd(pos)) {
            const Unit c = At(pos);
            if (IsDoubleByte(pos)) {
                keepBlanks();
                leading = false;
                AppendRange(pos, pos + 2);
                pos += 2;
                continue;
            }
            if (c == '\\') {
                std::size_t next = 0;
                const Backslash kind = ScanBackslash(pos, next);
                if (kind == Backslash::EndOfText) {
                    pos = text_.size();
                    break;
                }
                if (kind == Backslash::Continues) {
                    // The next line carries on the same text; blanks on both sides of the
                    // break are dropped.
                    blanks = NoBlanks;
                    leading = true;
                    pos = next;
                    continue;
                }
                keepBlanks();
                AppendRange(pos, next);
                leading = false;
                pos = next;
                continue;
            }
            if (IsBlank(c)) {
                if (!leading && blanks == NoBlanks) blanks = pos;
                ++pos;
                continue;
            }
            leading = false;
            if (c == '=' && keyAllowed) {
                ++pos;
                return Delimiter::Equals;
            }
            if (c == ',') {
                ++pos;
                return Delimiter::Comma;
            }
            if (c == ';') {
                pos = LineEnd(pos);
                break;
            }
            keepBlanks();
            if (c == '"') {
                pos = ReadQuoted(pos + 1);
            } else {
                Append(c);
                ++pos;
            }
        }
        return Delimiter::LineEnd;
    }

    // A backslash continues the line when only blanks, more backslashes or a comment follow it
    // on its line. `next` is then the start of the next line; for a literal backslash it is the
    // first character after the backslashes and blanks, which all stay in the text.
    Backslash ScanBackslash(std::size_t pos, std::size_t& next) const
    {
        while (pos < text_.size()) {
            const Unit c = At(pos);
            if (c == '\n') {
                next = pos + 1;
                return Backslash::Continues;
            }
            if (c == ';')
                pos = LineEnd(pos);
            else if (c == '\\' || IsBlank(c))
                ++pos;
            else {
                next = pos;
                return Backslash::Literal;
            }
        }
        return Backslash::EndOfText;
    }

    // Inside quotes "" is one quote; an unclosed quote ends with the line.
    std::size_t ReadQuoted(std::size_t pos)
    {
        while (!AtLineEnd(pos)) {
            const Unit c = At(pos);
            if (IsDoubleByte(pos)) {
                AppendRange(pos, pos + 2);
                pos += 2;
                continue;
            }
            if (c == '"') {
                if (pos + 1 < text_.size() && text_[pos + 1] == '"') {
                    Append(c);
                    pos += 2;
                    continue;
                }
                return pos + 1;
            }
            Append(c);
            ++pos;
        }
        return pos;
    }

    void Append(Unit c)
    {
        if (token_.size() < MaxFieldLength) token_.push_back(c);
    }
    void AppendRange(std::size_t from, std::size_t to)
    {
        for (std::size_t i = from; i < to && token_.size() < MaxFieldLength; ++i) token_.push_back(At(i));
    }

    std::string_view Ansi()
    {
        if constexpr (std::is_same_v<Unit, char>) {
            return token_;
        } else {
            // ASCII is the same in every ANSI code page; only other text needs the conversion.
            const bool ascii = std::all_of(token_.begin(), token_.end(), [](char16_t c) { return c < 0x80; });
            if (ascii)
                converted_.assign(token_.begin(), token_.end());
            else
                converted_ = codePage_.FromUtf16(token_);
            return converted_;
        }
    }

    static constexpr std::size_t NoBlanks = std::basic_string_view<Unit>::npos;

    std::basic_string_view<Unit> text_;
    TextCodePage& codePage_;
    Builder& builder_;
    std::basic_string<Unit> token_;
    std::string converted_;
};

std::unique_ptr<InfFile> InfFile::Open(FileSystem& files, TextCodePage& codePage, const std::string& path,
                                       const InfOpenOptions& options)
{
    std::string bytes;
    if (!files.ReadAll(path, bytes)) return nullptr;
    return Parse(bytes, codePage, options);
}

std::unique_ptr<InfFile> InfFile::Parse(std::string_view bytes, TextCodePage& codePage, const InfOpenOptions& options)
{
    if (bytes.empty() || bytes.size() > MaxFileSize) return nullptr;
    try {
        std::unique_ptr<InfFile> file(new InfFile());
        Builder builder(*file);
        bool parsed = false;
        // Only a byte order mark makes a file Unicode; the platform never reads an odd-sized
        // file as UTF-16.
        if (bytes.size() % 2 == 0 && bytes.substr(0, 2) == "\xFF\xFE") {
            const std::u16string text = DecodeUtf16Le(bytes.substr(2));
            parsed = Lexer<char16_t>(UpToControlZ<char16_t>(text), codePage, builder).Run();
        } else if (bytes.size() > 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
            const std::u16string text = DecodeUtf8(bytes.substr(3));
            parsed = Lexer<char16_t>(UpToControlZ<char16_t>(text), codePage, builder).Run();
        } else {
            parsed = Lexer<char>(UpToControlZ(bytes), codePage, builder).Run();
        }
        if (!parsed || !builder.Finish() || !file->HasWindows4Signature()) return nullptr;

        file->strings_ = file->IndexStrings("Strings");
        if (options.preferLocalizedStrings) {
            file->localizedStrings_ = file->IndexStrings(LocalizedStringsName(options.userLanguage).text);
        }
        return file;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

InfFile::~InfFile() = default;

bool InfFile::FindFirstLine(std::string_view sectionName, const char* key, InfLine& line) const
{
    const Section* section = FindSection(sectionName);
    if (section == nullptr) return false;
    const std::string_view wanted = key == nullptr ? std::string_view() : std::string_view(key);
    std::string substituted;
    for (std::uint32_t run = section->firstRun; run < section->firstRun + section->runCount; ++run) {
        for (std::uint32_t index = 0; index < runs_[run].lineCount; ++index) {
            const std::uint32_t candidate = runs_[run].firstLine + index;
            if (key != nullptr) {
                // Keys match after substitution: %Name%=... is found by the text of Name.
                std::string_view lineKey;
                if (!RawField(candidate, 0, lineKey)) continue;
                if (lineKey.find('%') != std::string_view::npos) {
                    if (!Substitute(lineKey, substituted)) continue;
                    lineKey = substituted;
                }
                if (!EqualNoCase(lineKey, wanted)) continue;
            }
            line.section_ = static_cast<std::uint32_t>(section - sections_.data());
            line.run_ = run;
            line.line_ = candidate;
            return true;
        }
    }
    return false;
}

bool InfFile::FindNextLine(InfLine& line) const
{
    if (!IsValid(line)) return false;
    const Run& run = runs_[line.run_];
    if (line.line_ + 1 < run.firstLine + run.lineCount) {
        ++line.line_;
        return true;
    }
    const Section& section = sections_[line.section_];
    if (line.run_ + 1 >= section.firstRun + section.runCount) return false;
    ++line.run_;
    line.line_ = runs_[line.run_].firstLine;
    return true;
}

bool InfFile::GetStringField(const InfLine& line, unsigned index, char* buffer, std::size_t width) const
{
    std::string value;
    if (buffer == nullptr || !ReadField(line, index, value) || value.size() >= width) return false;
    std::memcpy(buffer, value.data(), value.size());
    buffer[value.size()] = '\0';
    return true;
}

bool InfFile::GetIntField(const InfLine& line, unsigned index, std::int32_t& value) const
{
    std::string text;
    if (!ReadField(line, index, text)) return false;
    if (text.empty()) {
        value = 0;
        return true;
    }
    return ParseInteger(text, value);
}

bool InfFile::ReadField(const InfLine& line, unsigned index, std::string& value) const
{
    std::string_view raw;
    return IsValid(line) && RawField(line.line_, index, raw) && Substitute(raw, value);
}

bool InfFile::IsValid(const InfLine& line) const
{
    if (line.section_ >= sections_.size()) return false;
    const Section& section = sections_[line.section_];
    if (line.run_ < section.firstRun || line.run_ - section.firstRun >= section.runCount) return false;
    const Run& run = runs_[line.run_];
    return line.line_ >= run.firstLine && line.line_ - run.firstLine < run.lineCount;
}

bool InfFile::RawField(std::uint32_t line, unsigned index, std::string_view& text) const
{
    const std::uint32_t first = lineTokens_[line];
    const std::uint32_t count = lineTokens_[line + 1] - first;
    const KeyKind key = lineKeys_[line];
    if (index == 0) {
        if (key == KeyKind::None) return false;
        text = Token(first);
        return true;
    }
    const std::uint32_t keyTokens = key == KeyKind::Own ? 1 : 0;
    if (index > count - keyTokens) return false;
    text = Token(first + keyTokens + index - 1);
    return true;
}

std::string_view InfFile::Token(std::uint32_t token) const
{
    return std::string_view(text_).substr(tokenStarts_[token], tokenStarts_[token + 1] - tokenStarts_[token]);
}

std::string_view InfFile::SectionName(const Section& section) const
{
    return std::string_view(sectionNames_).substr(section.nameStart, section.nameLength);
}

const InfFile::Section* InfFile::FindSection(std::string_view name) const
{
    const auto found = std::lower_bound(sections_.begin(), sections_.end(), name,
                                        [this](const Section& section, std::string_view wanted) {
                                            return CompareNoCase(SectionName(section), wanted) < 0;
                                        });
    if (found == sections_.end() || !EqualNoCase(SectionName(*found), name)) return nullptr;
    return &*found;
}

// %name% becomes field 1 of the first [Strings] line whose key is name, %% becomes %. The text
// put in is not scanned again. Unknown names stay as written with both '%'; that includes the
// directory ids (%10%, %11%, ...), which the platform would turn into folders but which nothing
// read through this reader relies on. A '%' without its partner stays as it is.
bool InfFile::Substitute(std::string_view text, std::string& result) const
{
    result.clear();
    std::size_t pos = 0;
    while (pos < text.size() && result.size() <= MaxReadLength) {
        const std::size_t open = text.find('%', pos);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            result.append(text.substr(pos));
            break;
        }
        result.append(text.substr(pos, open - pos));
        const std::string_view name = text.substr(open + 1, close - open - 1);
        std::string_view value;
        if (name.empty())
            result.push_back('%');
        else if (LookUpString(name, value))
            result.append(value);
        else
            result.append(text.substr(open, close - open + 1));
        pos = close + 1;
    }
    return result.size() <= MaxReadLength;
}

bool InfFile::LookUpString(std::string_view name, std::string_view& value) const
{
    for (const std::vector<std::uint32_t>* index : {&localizedStrings_, &strings_}) {
        const auto found = std::lower_bound(index->begin(), index->end(), name,
                                            [this](std::uint32_t line, std::string_view wanted) {
                                                return CompareNoCase(Token(lineTokens_[line]), wanted) < 0;
                                            });
        if (found != index->end() && EqualNoCase(Token(lineTokens_[*found]), name))
            return RawField(*found, 1, value);
    }
    return false;
}

// The lines of a strings section that have a key, sorted by key; among equal keys the first in
// the file comes first, and it is the one that counts.
std::vector<std::uint32_t> InfFile::IndexStrings(std::string_view sectionName) const
{
    std::vector<std::uint32_t> lines;
    const Section* section = FindSection(sectionName);
    if (section == nullptr) return lines;
    for (std::uint32_t run = section->firstRun; run < section->firstRun + section->runCount; ++run)
        for (std::uint32_t index = 0; index < runs_[run].lineCount; ++index)
            if (lineKeys_[runs_[run].firstLine + index] != KeyKind::None)
                lines.push_back(runs_[run].firstLine + index);
    std::stable_sort(lines.begin(), lines.end(), [this](std::uint32_t a, std::uint32_t b) {
        return CompareNoCase(Token(lineTokens_[a]), Token(lineTokens_[b])) < 0;
    });
    return lines;
}

// [Version] Signature, compared as written (no substitution) with the three Windows-4 names.
bool InfFile::HasWindows4Signature() const
{
    const Section* version = FindSection("Version");
    if (version == nullptr) return false;
    for (std::uint32_t run = version->firstRun; run < version->firstRun + version->runCount; ++run) {
        for (std::uint32_t index = 0; index < runs_[run].lineCount; ++index) {
            const std::uint32_t line = runs_[run].firstLine + index;
            std::string_view key, signature;
            if (!RawField(line, 0, key) || !EqualNoCase(key, "Signature")) continue;
            return RawField(line, 1, signature)
                && (EqualNoCase(signature, "$Chicago$") || EqualNoCase(signature, "$Windows NT$")
                    || EqualNoCase(signature, "$Windows 95$"));
        }
    }
    return false;
}
