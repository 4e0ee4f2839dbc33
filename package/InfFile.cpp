// The INF reader: parsing of INF text and the SetupAPI-shaped lookups on the result.
#include "package/InfFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#include "package/InfEncoding.h"

namespace {

template <typename Unit>
constexpr bool IsAnsi = std::is_same_v<Unit, char>;

constexpr char ControlZ = 0x1A;

// What the lexer needs to know of a character. Plain ones are taken in runs.
enum CharacterClass : std::uint8_t {
    Plain = 0,
    Blank = 1,    // white space, dropped around keys and fields
    Syntax = 2,   // a line end, NUL, or one of ; " \ = , which the lexer looks at one by one
    LeadByte = 4, // opens a character of two or more bytes that needs a closer look
    QuoteEnd = 8, // a line end, NUL or '"', which end a run of quoted text
};

// White space as the platform's parser counts it; it parses in Unicode, ANSI files included.
constexpr bool IsUnicodeBlank(char16_t c)
{
    if (c < 0x100)
        return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x85 || c == 0xA0;
    return c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// The classes of the units below U+0100 of UTF-16 text; those of bytes start from its ASCII half.
constexpr std::array<std::uint8_t, 256> LowClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    for (unsigned c = 0; c < 256; ++c)
        if (IsUnicodeBlank(static_cast<char16_t>(c)))
            classes[c] = Blank;
    for (const unsigned char c : {'\n', '\0', ';', '"', '\\', '=', ','}) classes[c] = Syntax;
    for (const unsigned char c : {'\n', '\0', '"'}) classes[c] |= QuoteEnd;
    return classes;
}();

// The same for the bytes of well-formed UTF-8: only the first bytes of sequences that may be
// white space need a closer look; the rest of the text runs on as it is.
constexpr std::array<std::uint8_t, 256> Utf8Classes = [] {
    std::array<std::uint8_t, 256> classes = LowClasses;
    for (unsigned c = 0x80; c < 0x100; ++c) classes[c] = Plain;
    for (const unsigned c : {0xC2, 0xE1, 0xE2, 0xE3}) classes[c] = LeadByte;
    return classes;
}();

std::size_t Utf8Length(unsigned char lead)
{
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

constexpr char16_t UnicodeBlanksAboveAscii[] = {0x85,   0xA0,   0x1680, 0x2000, 0x2001, 0x2002, 0x2003,
                                                0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A,
                                                0x2028, 0x2029, 0x202F, 0x205F, 0x3000};

unsigned FoldCase(unsigned c)
{
    return c - 'A' < 26u ? c + ('a' - 'A') : c;
}

// A stretch of a file's text in its own units: bytes (of the ANSI code page or UTF-8) or UTF-16
// code units. The lookups are written once for all of them.
class Units {
public:
    static constexpr std::size_t npos = std::size_t(-1);

    Units() = default;
    Units(std::string_view bytes) : data_(bytes.data()), size_(bytes.size()), wide_(false) {}
    Units(std::u16string_view units) : data_(units.data()), size_(units.size()), wide_(true) {}

    std::size_t size() const { return size_; }
    char16_t operator[](std::size_t i) const
    {
        return wide_ ? static_cast<const char16_t*>(data_)[i]
                     : static_cast<unsigned char>(static_cast<const char*>(data_)[i]);
    }
    Units substr(std::size_t pos, std::size_t count = npos) const
    {
        Units part = *this;
        part.data_ = static_cast<const char*>(data_) + pos * (wide_ ? 2 : 1);
        part.size_ = std::min(count, size_ - pos);
        return part;
    }
    std::size_t find(char16_t unit, std::size_t from = 0) const
    {
        const std::size_t found = wide_ ? Wide().find(unit, from) : Narrow().find(static_cast<char>(unit), from);
        return found == std::string_view::npos ? npos : found;
    }
    bool IsAscii() const
    {
        if (wide_)
            return std::all_of(Wide().begin(), Wide().end(), [](char16_t c) { return c < 0x80; });
        return std::all_of(Narrow().begin(), Narrow().end(), [](char c) { return (c & 0x80) == 0; });
    }
    // Only for ASCII text, or bytes of the ANSI code page.
    void CopyBytes(char* bytes) const
    {
        if (!wide_)
            std::memcpy(bytes, data_, size_);
        else
            std::transform(Wide().begin(), Wide().end(), bytes, [](char16_t c) { return static_cast<char>(c); });
    }
    void AppendTo(std::u16string& text) const
    {
        for (std::size_t i = 0; i < size_; ++i) text.push_back((*this)[i]);
    }

private:
    std::string_view Narrow() const { return std::string_view(static_cast<const char*>(data_), size_); }
    std::u16string_view Wide() const { return std::u16string_view(static_cast<const char16_t*>(data_), size_); }

    const void* data_ = nullptr;
    std::size_t size_ = 0;
    bool wide_ = false;
};

// UTF-8 as the reader keeps it, to UTF-16: well formed, but for the lone first half of a
// surrogate pair that a cut may leave, written as UTF-8 would write it.
void AppendUtf8AsUtf16(Units text, std::u16string& units)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(static_cast<unsigned char>(text[i]));
        char32_t value = length == 1 ? text[i] : text[i] & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) value = value << 6 | (text[i + k] & 0x3F);
        i += length;
        if (value >= 0x10000) {
            units.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(value));
        }
    }
}

// The other way, each byte kept as one unit; a lone surrogate takes three bytes.
void AppendUtf16AsUtf8(std::u16string_view text, std::u16string& bytes)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        const std::size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (length == 1) {
            bytes.push_back(static_cast<char16_t>(c));
            continue;
        }
        bytes.push_back(static_cast<char16_t>((0xF00 >> length & 0xFF) | c >> (6 * (length - 1))));
        for (std::size_t k = length - 1; k-- > 0;)
            bytes.push_back(static_cast<char16_t>(0x80 | ((c >> (6 * k)) & 0x3F)));
    }
}

// A stable merge sort of positions in an order the caller defines: one of its own, since every
// instantiation of std::stable_sort would weigh on Setup.exe.
class PositionOrder {
public:
    virtual bool Less(std::uint32_t a, std::uint32_t b) const = 0;

protected:
    ~PositionOrder() = default;
};

void SortStable(std::vector<std::uint32_t>& positions, const PositionOrder& order)
{
    std::vector<std::uint32_t> merged(positions.size());
    for (std::size_t width = 1; width < positions.size(); width *= 2) {
        for (std::size_t left = 0; left < positions.size(); left += 2 * width) {
            const std::size_t middle = std::min(left + width, positions.size());
            const std::size_t right = std::min(left + 2 * width, positions.size());
            std::size_t i = left, j = middle, k = left;
            while (i < middle && j < right)
                merged[k++] = order.Less(positions[j], positions[i]) ? positions[j++] : positions[i++];
            while (i < middle) merged[k++] = positions[i++];
            while (j < right) merged[k++] = positions[j++];
        }
        positions.swap(merged);
    }
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

// The folder of the INF file, ending in its separator; empty when the path names none.
std::string FolderOf(std::string_view path, const TextCodePage& codePage)
{
    std::size_t end = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (codePage.IsLeadByte(static_cast<unsigned char>(path[i])))
            ++i; // a second byte that looks like a backslash is not one
        else if (path[i] == '\\' || path[i] == '/')
            end = i + 1;
    }
    return std::string(path.substr(0, end));
}

// strtol with base 0, as SetupGetIntField applies it: leading blanks and a sign, "0x" for hex,
// a leading 0 for octal; the whole text must be digits after that; 32-bit overflow clamps.
bool ParseInteger(std::string_view text, std::int32_t& value)
{
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    const auto digitValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return 99;
    };
    int base = 10;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        if (pos + 2 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X') && digitValue(text[pos + 2]) < 16) {
            base = 16;
            pos += 2;
        }
    }
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t magnitude = 0;
    const std::size_t firstDigit = pos;
    for (; pos < text.size() && digitValue(text[pos]) < base; ++pos)
        magnitude = std::min(limit, magnitude * base + digitValue(text[pos]));
    if (pos == firstDigit || pos != text.size())
        return false;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

// The directory ids the platform's SetupAPI substitutes, with the folders it gives them.
enum class Base : std::uint8_t { Empty, Windows, System, WindowsDrive, InfFolder, NotKnownHere };
struct DirectoryId {
    std::int32_t id;
    Base base;
    const char* tail;
};
constexpr DirectoryId DirectoryIds[] = {
    {-1, Base::Empty, ""}, // an absolute path follows
    {0, Base::Empty, ""},
    {1, Base::InfFolder, ""},
    {10, Base::Windows, ""},
    {11, Base::System, ""},
    {12, Base::System, "\\drivers"},
    {13, Base::System, ""},
    {17, Base::Windows, "\\inf"},
    {18, Base::Windows, "\\help"},
    {20, Base::Windows, "\\fonts"},
    {21, Base::System, "\\viewers"},
    {23, Base::System, "\\spool\\drivers\\color"},
    {24, Base::WindowsDrive, ""},
    {25, Base::Windows, ""},
    {30, Base::WindowsDrive, ""},
    {50, Base::Windows, "\\system"},
    {51, Base::Windows, "\\spool"},
    {52, Base::Windows, "\\spool\\drivers"},
    {53, Base::NotKnownHere, ""}, // the user's profile
    {54, Base::WindowsDrive, ""},
    {55, Base::NotKnownHere, ""}, // the print processors
    {0xFFFF, Base::Empty, ""},    // an absolute path follows, as -1
};
// Ids from here on name shell folders, up to the user's own ids.
constexpr std::int32_t FirstShellFolderId = 0x4000;
constexpr std::int32_t LastShellFolderId = 0x403F;
constexpr std::int32_t FirstUserId = 0x8000;

} // namespace

// The ANSI code page's bytes as the lexer sees them, found once per file: the lead bytes, and
// the bytes and double-byte characters that convert to Unicode white space.
class InfFile::AnsiCharacters {
public:
    explicit AnsiCharacters(TextCodePage& codePage) : codePage_(codePage), classes_(LowClasses)
    {
        std::string single;
        for (unsigned byte = 0x80; byte < 0x100; ++byte) {
            classes_[byte] = Plain;
            if (codePage.IsLeadByte(static_cast<unsigned char>(byte)))
                classes_[byte] = LeadByte;
            else
                single.push_back(static_cast<char>(byte));
        }
        std::u16string units = codePage.ToUtf16(single);
        if (units.size() != single.size()) { // one character each, or ask byte by byte
            units.clear();
            for (const char byte : single) {
                const std::u16string unit = codePage.ToUtf16(std::string_view(&byte, 1));
                units.push_back(unit.size() == 1 ? unit[0] : u'?');
            }
        }
        for (std::size_t i = 0; i < single.size(); ++i)
            if (IsUnicodeBlank(units[i]))
                classes_[static_cast<unsigned char>(single[i])] = Blank;
    }

    const std::array<std::uint8_t, 256>& Classes() const { return classes_; }

    // Found on the first double-byte character: the candidates are what the code page turns
    // Unicode white space into, checked on the way back.
    bool IsBlankPair(char lead, char trail)
    {
        if (!pairsFound_) {
            pairsFound_ = true;
            for (const char16_t blank : UnicodeBlanksAboveAscii) {
                const std::string bytes = codePage_.FromUtf16(std::u16string(1, blank));
                if (bytes.size() != 2 || (classes_[static_cast<unsigned char>(bytes[0])] & LeadByte) == 0)
                    continue;
                const std::u16string back = codePage_.ToUtf16(bytes);
                if (back.size() == 1 && IsUnicodeBlank(back[0]) && pairCount_ < MaxPairs)
                    blankPairs_[pairCount_++] = Pair(bytes[0], bytes[1]);
            }
        }
        return std::find(blankPairs_, blankPairs_ + pairCount_, Pair(lead, trail)) != blankPairs_ + pairCount_;
    }

private:
    static constexpr std::size_t MaxPairs = std::size(UnicodeBlanksAboveAscii);
    static std::uint16_t Pair(char lead, char trail)
    {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(lead) << 8 | static_cast<unsigned char>(trail));
    }

    TextCodePage& codePage_;
    std::array<std::uint8_t, 256> classes_;
    bool pairsFound_ = false;
    std::uint16_t blankPairs_[MaxPairs] = {};
    std::size_t pairCount_ = 0;
};

// The lookups on the parsed text, the same for ANSI and Unicode files.
class InfFile::Reader {
public:
    explicit Reader(const InfFile& file) : file_(file) {}

    Units Token(std::uint32_t token) const
    {
        const std::uint32_t start = file_.tokenStarts_[token];
        const std::uint16_t length = file_.tokenLengths_[token];
        if (file_.encoding_ == Encoding::Utf16)
            return std::u16string_view(file_.unicodeText_).substr(start, length);
        return std::string_view(file_.byteText_).substr(start, length);
    }
    Units Name(std::uint32_t start, std::uint32_t length) const
    {
        return std::u16string_view(file_.sectionNames_).substr(start, length);
    }
    Units Name(const Section& section) const { return Name(section.nameStart, section.nameLength); }

    // Names and keys compare without regard to case in ASCII only, as the platform compares
    // them in Unicode: the second byte of a double-byte character never counts as a letter.
    int Compare(Units a, Units b) const
    {
        const std::size_t common = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < common; ++i) {
            unsigned x = a[i], y = b[i];
            if (x == y) {
                if (IsLead(a[i]) && ++i < common && a[i] != b[i])
                    return a[i] < b[i] ? -1 : 1;
                continue;
            }
            x = FoldCase(x);
            y = FoldCase(y);
            if (x != y)
                return x < y ? -1 : 1;
        }
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }
    bool Equal(Units a, Units b) const { return a.size() == b.size() && Compare(a, b) == 0; }

    // A caller's ANSI text as the file's units: Unicode files compare it as the platform does,
    // converted to Unicode.
    Units FromAnsi(std::string_view text, std::u16string& storage) const
    {
        if (file_.encoding_ == Encoding::Ansi || (file_.encoding_ == Encoding::Utf8 && Units(text).IsAscii()))
            return text;
        if (Units(text).IsAscii()) {
            storage.assign(text.begin(), text.end());
        } else if (file_.encoding_ == Encoding::Utf16) {
            storage = file_.codePage_.ToUtf16(text);
        } else {
            storage.clear();
            AppendUtf16AsUtf8(file_.codePage_.ToUtf16(text), storage);
        }
        return std::u16string_view(storage);
    }

    const Section* FindSection(Units name) const
    {
        const auto found = std::lower_bound(
            file_.sections_.begin(), file_.sections_.end(), name,
            [this](const Section& section, Units wanted) { return Compare(Name(section), wanted) < 0; });
        if (found == file_.sections_.end() || !Equal(Name(*found), name))
            return nullptr;
        return &*found;
    }
    const Section* FindSection(std::string_view name) const
    {
        std::u16string storage;
        return FindSection(FromAnsi(name, storage));
    }

    bool FindFirstLine(std::string_view sectionName, const char* key, InfLine& line) const
    {
        const Section* section = FindSection(sectionName);
        if (section == nullptr)
            return false;
        std::u16string keyStorage, substituted;
        const Units wanted = key == nullptr ? Units() : FromAnsi(key, keyStorage);
        for (std::uint32_t run = section->firstRun; run < section->firstRun + section->runCount; ++run) {
            const Run& range = file_.runs_[run];
            for (std::uint32_t candidate = range.firstLine; candidate < range.firstLine + range.lineCount;
                 ++candidate) {
                if (key != nullptr) {
                    // Keys match after substitution: %Name%=... is found by the text of Name.
                    std::uint32_t token = 0;
                    if (!file_.RawField(candidate, 0, token))
                        continue;
                    Units lineKey = Token(token);
                    if (lineKey.find(u'%') != Units::npos) {
                        if (!Substitute(lineKey, substituted, wanted.size()))
                            continue;
                        lineKey = std::u16string_view(substituted);
                    }
                    if (!Equal(lineKey, wanted))
                        continue;
                }
                line.section_ = static_cast<std::uint32_t>(section - file_.sections_.data());
                line.run_ = run;
                line.line_ = candidate;
                return true;
            }
        }
        return false;
    }

    // The substituted field in the ANSI code page, into the caller's buffer when it fits.
    bool Read(std::uint32_t line, unsigned index, char* buffer, std::size_t width) const
    {
        std::uint32_t token = 0;
        if (!file_.RawField(line, index, token))
            return false;
        Units text = Token(token);
        std::u16string substituted;
        if (text.find(u'%') != Units::npos) {
            // Each character takes at least one byte in the ANSI code page, and at most two
            // units of UTF-16 or four bytes of UTF-8: past that the ANSI text is surely too long.
            const std::size_t limit = file_.encoding_ == Encoding::Ansi    ? MaxReadLength
                                      : file_.encoding_ == Encoding::Utf16 ? 2 * MaxReadLength + 1
                                                                           : 4 * MaxReadLength + 3;
            if (!Substitute(text, substituted, limit))
                return false;
            text = std::u16string_view(substituted);
        }
        if (file_.encoding_ == Encoding::Ansi || text.IsAscii())
            return Deliver(text, buffer, width);
        const std::string ansi = ToAnsi(text);
        return Deliver(std::string_view(ansi), buffer, width);
    }

    // The whole substituted field in the ANSI code page, for integers.
    bool ReadWhole(std::uint32_t line, unsigned index, std::string& ansi) const
    {
        std::uint32_t token = 0;
        if (!file_.RawField(line, index, token))
            return false;
        std::u16string substituted;
        Substitute(Token(token), substituted, std::numeric_limits<std::size_t>::max());
        ansi = ToAnsi(std::u16string_view(substituted));
        return true;
    }

    // The lines of a strings section that have a key, sorted by key; among equal keys the first
    // in the file comes first, and it is the one that counts.
    std::vector<std::uint32_t> IndexStrings(std::string_view sectionName) const
    {
        std::vector<std::uint32_t> lines;
        const Section* section = FindSection(sectionName);
        if (section == nullptr)
            return lines;
        for (std::uint32_t run = section->firstRun; run < section->firstRun + section->runCount; ++run) {
            const Run& range = file_.runs_[run];
            for (std::uint32_t line = range.firstLine; line < range.firstLine + range.lineCount; ++line)
                if (file_.lineKeys_[line] != KeyKind::None)
                    lines.push_back(line);
        }
        class KeyOrder : public PositionOrder {
        public:
            explicit KeyOrder(const Reader& reader) : reader_(reader) {}
            bool Less(std::uint32_t a, std::uint32_t b) const override
            {
                return reader_.Compare(reader_.Key(a), reader_.Key(b)) < 0;
            }

        private:
            const Reader& reader_;
        };
        SortStable(lines, KeyOrder(*this));
        return lines;
    }

    // [Version] Signature, compared as written (no substitution) with the three Windows-4 names.
    bool HasWindows4Signature() const
    {
        const Section* version = FindSection("Version");
        if (version == nullptr)
            return false;
        std::u16string storage;
        for (std::uint32_t run = version->firstRun; run < version->firstRun + version->runCount; ++run) {
            const Run& range = file_.runs_[run];
            for (std::uint32_t line = range.firstLine; line < range.firstLine + range.lineCount; ++line) {
                std::uint32_t key = 0, signature = 0;
                if (!file_.RawField(line, 0, key) || !Equal(Token(key), FromAnsi("Signature", storage)))
                    continue;
                if (!file_.RawField(line, 1, signature))
                    return false;
                for (const char* name : {"$Chicago$", "$Windows NT$", "$Windows 95$"})
                    if (Equal(Token(signature), FromAnsi(name, storage)))
                        return true;
                return false;
            }
        }
        return false;
    }

private:
    Units Key(std::uint32_t line) const { return Token(file_.lineTokens_[line]); }
    bool IsLead(char16_t unit) const
    {
        return file_.encoding_ == Encoding::Ansi && unit < 0x100 && (file_.byteClasses_[unit] & LeadByte) != 0;
    }

    // ANSI files hold their bytes one to a unit; Unicode text goes through the code page.
    std::string ToAnsi(Units text) const
    {
        if (file_.encoding_ != Encoding::Ansi && !text.IsAscii()) {
            std::u16string units;
            if (file_.encoding_ == Encoding::Utf8)
                AppendUtf8AsUtf16(text, units);
            else
                text.AppendTo(units);
            return file_.codePage_.FromUtf16(units);
        }
        std::string bytes(text.size(), '\0');
        text.CopyBytes(bytes.data());
        return bytes;
    }
    static bool Deliver(Units text, char* buffer, std::size_t width)
    {
        if (text.size() > MaxReadLength || text.size() >= width)
            return false;
        text.CopyBytes(buffer);
        buffer[text.size()] = '\0';
        return true;
    }

    // %name% becomes field 1 of the first [Strings] line whose key is name, else the folder of
    // the directory id name, %% becomes %. The text put in is not scanned again. Unknown names
    // stay as written with both '%', as does a '%' without its partner. False once the result
    // is longer than `limit`.
    bool Substitute(Units text, std::u16string& result, std::size_t limit) const
    {
        result.clear();
        std::size_t pos = 0;
        std::u16string folder;
        while (pos < text.size() && result.size() <= limit) {
            const std::size_t open = text.find(u'%', pos);
            const std::size_t close = open == Units::npos ? open : text.find(u'%', open + 1);
            if (close == Units::npos) {
                text.substr(pos).AppendTo(result);
                break;
            }
            text.substr(pos, open - pos).AppendTo(result);
            const Units name = text.substr(open + 1, close - open - 1);
            Units value;
            if (name.size() == 0)
                result.push_back(u'%');
            else if (LookUpString(name, value))
                value.AppendTo(result);
            else if (DirectoryFolder(name, close + 1 < text.size() && text[close + 1] == u'\\', folder))
                result += folder;
            else
                text.substr(open, close - open + 1).AppendTo(result);
            pos = close + 1;
        }
        return result.size() <= limit;
    }

    bool LookUpString(Units name, Units& value) const
    {
        // Indexed on first use: most files are opened for a few fields that name no string.
        if (!file_.stringsIndexed_) {
            file_.stringsIndexed_ = true;
            file_.strings_ = IndexStrings("Strings");
            if (file_.preferLocalizedStrings_)
                file_.localizedStrings_ = IndexStrings(LocalizedStringsName(file_.userLanguage_).text);
        }
        for (const std::vector<std::uint32_t>* index : {&file_.localizedStrings_, &file_.strings_}) {
            const auto found =
                std::lower_bound(index->begin(), index->end(), name,
                                 [this](std::uint32_t line, Units wanted) { return Compare(Key(line), wanted) < 0; });
            std::uint32_t token = 0;
            if (found != index->end() && Equal(Key(*found), name) && file_.RawField(*found, 1, token)) {
                value = Token(token);
                return true;
            }
        }
        return false;
    }

    // A name that reads whole as a decimal number (wcstol with base 10) is a directory id. A
    // folder's last backslash goes when the text goes on with one.
    bool DirectoryFolder(Units name, bool beforeBackslash, std::u16string& value) const
    {
        // The platform reads the number from Unicode text: any white space it knows may lead.
        std::u16string units;
        if (file_.encoding_ == Encoding::Utf16 || name.IsAscii()) {
            name.AppendTo(units);
        } else if (file_.encoding_ == Encoding::Utf8) {
            AppendUtf8AsUtf16(name, units);
        } else {
            std::string bytes(name.size(), '\0');
            name.CopyBytes(bytes.data());
            units = file_.codePage_.ToUtf16(bytes);
        }
        std::size_t pos = 0;
        while (pos < units.size() && IsUnicodeBlank(units[pos])) ++pos;
        bool negative = false;
        if (pos < units.size() && (units[pos] == u'+' || units[pos] == u'-'))
            negative = units[pos++] == u'-';
        if (pos == units.size())
            return false;
        std::int64_t magnitude = 0;
        for (; pos < units.size(); ++pos) {
            if (units[pos] < u'0' || units[pos] > u'9')
                return false;
            magnitude = std::min<std::int64_t>(magnitude * 10 + (units[pos] - u'0'), std::int64_t{1} << 31);
        }
        const std::int64_t id =
            std::clamp<std::int64_t>(negative ? -magnitude : magnitude, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
        std::string folder;
        if (!file_.DirectoryFolder(static_cast<std::int32_t>(id), folder))
            return false;
        std::u16string storage;
        value.clear();
        FromAnsi(folder, storage).AppendTo(value);
        if (beforeBackslash && EndsWithBackslash(std::u16string_view(value)))
            value.pop_back();
        return true;
    }

    bool EndsWithBackslash(Units text) const
    {
        bool backslash = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            backslash = text[i] == u'\\';
            if (IsLead(text[i]) && i + 1 < text.size())
                ++i;
        }
        return backslash;
    }

    const InfFile& file_;
};

// Collects what the lexer finds and lays it out for the lookups.
class InfFile::Builder {
public:
    // Sized for typical INF text up front, so that the lists rarely grow while the file is read.
    Builder(InfFile& file, std::size_t units) : file_(file)
    {
        file_.tokenStarts_.reserve(units / 8 + 16);
        file_.tokenLengths_.reserve(units / 8 + 16);
        file_.lineTokens_.reserve(units / 16 + 16);
        file_.lineKeys_.reserve(units / 16 + 16);
    }

    bool InSection() const { return !headers_.empty(); }
    void NoteTextBeforeSection() { textBeforeSection_ = true; }

    void BeginSection(std::size_t nameStart, std::size_t nameLength)
    {
        headers_.push_back({static_cast<std::uint32_t>(nameStart), static_cast<std::uint32_t>(nameLength),
                            static_cast<std::uint32_t>(file_.lineKeys_.size()), 0});
    }
    void BeginLine() { file_.lineTokens_.push_back(static_cast<std::uint32_t>(file_.tokenStarts_.size())); }
    void AddToken(std::size_t start, std::size_t length)
    {
        file_.tokenStarts_.push_back(static_cast<std::uint32_t>(start));
        file_.tokenLengths_.push_back(static_cast<std::uint16_t>(length));
    }
    void EndLine(KeyKind key) { file_.lineKeys_.push_back(key); }

    // Merges the sections that share a name and checks what needs the whole file.
    bool Finish()
    {
        file_.lineTokens_.push_back(static_cast<std::uint32_t>(file_.tokenStarts_.size()));
        std::vector<std::uint32_t> order(headers_.size());
        for (std::size_t i = 0; i < headers_.size(); ++i) {
            const std::size_t end = i + 1 < headers_.size() ? headers_[i + 1].firstLine : file_.lineKeys_.size();
            headers_[i].lineCount = static_cast<std::uint32_t>(end - headers_[i].firstLine);
            order[i] = static_cast<std::uint32_t>(i);
        }
        // Stable, so that the lines of a merged section stay in file order.
        const Reader reader(file_);
        class NameOrder : public PositionOrder {
        public:
            NameOrder(const Reader& reader, const std::vector<Header>& headers) : reader_(reader), headers_(headers) {}
            bool Less(std::uint32_t a, std::uint32_t b) const override { return Compare(a, b) < 0; }
            int Compare(std::uint32_t a, std::uint32_t b) const
            {
                return reader_.Compare(reader_.Name(headers_[a].nameStart, headers_[a].nameLength),
                                       reader_.Name(headers_[b].nameStart, headers_[b].nameLength));
            }

        private:
            const Reader& reader_;
            const std::vector<Header>& headers_;
        };
        const NameOrder names(reader, headers_);
        SortStable(order, names);
        for (std::size_t i = 0; i < order.size(); ++i) {
            const Header& header = headers_[order[i]];
            if (i == 0 || names.Compare(order[i - 1], order[i]) != 0)
                file_.sections_.push_back(
                    {header.nameStart, header.nameLength, static_cast<std::uint32_t>(file_.runs_.size()), 0});
            if (header.lineCount != 0) {
                file_.runs_.push_back({header.firstLine, header.lineCount});
                ++file_.sections_.back().runCount;
            }
        }
        std::vector<Header>().swap(headers_);
        // Like the platform's reader, text before the first section is an error unless the file
        // has a [Strings] section.
        if (textBeforeSection_ && reader.FindSection("Strings") == nullptr)
            return false;
        return reader.HasWindows4Signature();
    }

private:
    struct Header {
        std::uint32_t nameStart;
        std::uint32_t nameLength;
        std::uint32_t firstLine;
        std::uint32_t lineCount;
    };

    InfFile& file_;
    std::vector<Header> headers_;
    bool textBeforeSection_ = false;
};

// Splits INF text into sections, lines, keys and fields. Each key and field is written over the
// text it came from, starting where its first character stood: most stand as they are, and none
// is longer than what it came from. Works on UTF-16 units, on well-formed UTF-8 (without
// AnsiCharacters), or on the bytes of an ANSI file as they stand. The bytes of a character are
// taken together, so the second byte 0x5C or 0x5D of a double-byte character is never a
// backslash or a bracket, and lengths count what the platform counts: characters of the ANSI
// code page, UTF-16 units.
template <typename Unit>
class InfFile::Lexer {
public:
    Lexer(Unit* text, std::size_t length, std::u16string& names, Builder& builder, AnsiCharacters* ansi)
        : text_(text, length), store_(text), names_(names), builder_(builder), ansi_(ansi)
    {
        if constexpr (IsAnsi<Unit>) {
            utf8_ = ansi == nullptr;
            classes_ = utf8_ ? Utf8Classes.data() : ansi->Classes().data();
        }
    }

    bool Run()
    {
        std::size_t pos = 0;
        while (pos < text_.size()) {
            const Unit c = text_[pos];
            const std::uint8_t characterClass = ClassOf(c);
            const std::size_t width = (characterClass & LeadByte) != 0 ? Width(pos) : 1;
            if (characterClass == Plain && c != Unit('[') && builder_.InSection()) {
                ReadLine(pos);
            } else if (c == Unit('\n') || IsBlankAt(pos, width)) {
                pos += width;
            } else if (c == Unit(';')) {
                pos = LineEnd(pos);
            } else if (c == Unit('[')) {
                if (!ReadSectionHeader(pos))
                    return false;
            } else if (!builder_.InSection()) {
                // Skipped a character at a time, as the platform does: a '[' further on still
                // opens a section.
                builder_.NoteTextBeforeSection();
                pos += width;
            } else {
                ReadLine(pos);
            }
        }
        return true;
    }

private:
    enum class Delimiter { Equals, Comma, LineEnd };
    enum class Backslash { Continues, Literal, EndOfText };
    static constexpr std::size_t NoBlanks = std::basic_string_view<Unit>::npos;
    static constexpr std::size_t NoStart = std::basic_string_view<Unit>::npos;

    static unsigned Value(Unit c) { return static_cast<std::make_unsigned_t<Unit>>(c); }
    std::uint8_t ClassOf(Unit c) const
    {
        if constexpr (IsAnsi<Unit>)
            return classes_[Value(c)];
        else
            return c < 0x100 ? LowClasses[c] : std::uint8_t{IsUnicodeBlank(c) ? Blank : Plain};
    }
    // The bytes of the character that starts here. A lead byte followed by a line end, a NUL or
    // the end of the file is a byte on its own: a double-byte character's second byte is never
    // one of those, and the NUL still reads as a space.
    std::size_t Width(std::size_t pos) const
    {
        if constexpr (IsAnsi<Unit>) {
            if (utf8_)
                return Utf8Length(static_cast<unsigned char>(text_[pos]));
            if ((ClassOf(text_[pos]) & LeadByte) == 0 || pos + 1 >= text_.size())
                return 1;
            const Unit trail = text_[pos + 1];
            return trail == '\n' || trail == '\r' || trail == Unit('\0') ? 1 : 2;
        }
        return 1;
    }
    // The UTF-16 units of a character of that width.
    std::size_t UnitsOf(std::size_t width) const { return utf8_ && width == 4 ? 2 : 1; }
    // NUL characters read as spaces, both as blanks and in the text kept.
    bool IsBlankAt(std::size_t pos, std::size_t width) const
    {
        if constexpr (IsAnsi<Unit>) {
            const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text_[pos + i]) & 0x3Fu; };
            if (utf8_ && width == 2)
                return IsUnicodeBlank(static_cast<char16_t>((text_[pos] & 0x1F) << 6 | byte(1)));
            if (utf8_ && width == 3)
                return IsUnicodeBlank(static_cast<char16_t>((text_[pos] & 0x0F) << 12 | byte(1) << 6 | byte(2)));
            if (width == 2)
                return ansi_->IsBlankPair(text_[pos], text_[pos + 1]);
            if (width == 4)
                return false;
        }
        return text_[pos] == Unit('\0') || (ClassOf(text_[pos]) & Blank) != 0;
    }
    std::size_t LineEnd(std::size_t pos) const
    {
        const std::size_t end = text_.find(Unit('\n'), pos);
        return end == std::basic_string_view<Unit>::npos ? text_.size() : end;
    }

    // The name is the raw text up to the first ']'; the rest of the line is ignored.
    bool ReadSectionHeader(std::size_t& pos)
    {
        std::size_t close = pos + 1, characters = 0;
        while (close < text_.size() && text_[close] != Unit('\n') && text_[close] != Unit(']')) {
            const std::size_t width = Width(close);
            characters += UnitsOf(width);
            close += width;
        }
        if (close == text_.size() || text_[close] != Unit(']') || characters > MaxSectionNameLength)
            return false;
        const std::size_t start = names_.size();
        for (std::size_t i = pos + 1; i < close; ++i) names_.push_back(static_cast<char16_t>(Value(Literal(text_[i]))));
        builder_.BeginSection(start, close - pos - 1);
        pos = LineEnd(close + 1);
        return true;
    }

    // One line: a key when '=' comes before any ',', then the comma-separated fields. A line of
    // a single field without '=' uses that field as its key too.
    void ReadLine(std::size_t& pos)
    {
        builder_.BeginLine();
        Delimiter delimiter = ReadToken(pos, true);
        AddToken();
        const KeyKind key = delimiter == Delimiter::Equals  ? KeyKind::Own
                            : delimiter == Delimiter::Comma ? KeyKind::None
                                                            : KeyKind::SameAsField1;
        while (delimiter != Delimiter::LineEnd) {
            delimiter = ReadToken(pos, false);
            AddToken();
        }
        builder_.EndLine(key);
    }
    void AddToken()
    {
        if (start_ == NoStart)
            start_ = front_ = 0;
        builder_.AddToken(start_, front_ - start_);
    }

    // Reads one key or field and returns what ended it, with `pos` after a '=' or ',' or at the
    // end of the line. Blanks around the text are dropped, blanks inside it kept; quotes make
    // everything up to the closing quote literal.
    Delimiter ReadToken(std::size_t& pos, bool keyAllowed)
    {
        start_ = front_ = NoStart;
        length_ = 0;
        bool leading = true;
        std::size_t blanks = NoBlanks;
        const auto keepBlanks = [&]() {
            if (blanks != NoBlanks)
                Append(blanks, pos);
            blanks = NoBlanks;
        };
        while (pos < text_.size()) {
            std::size_t run = pos;
            while (run < text_.size() && ClassOf(text_[run]) == Plain) ++run;
            if (run != pos) {
                keepBlanks();
                AppendPlain(pos, run);
                leading = false;
                pos = run;
                if (pos == text_.size())
                    break;
            }
            const Unit c = text_[pos];
            const std::uint8_t characterClass = ClassOf(c);
            const std::size_t width = (characterClass & LeadByte) != 0 ? Width(pos) : 1;
            if ((characterClass & Blank) != 0 || c == Unit('\0') || (width > 1 && IsBlankAt(pos, width))) {
                if (!leading && blanks == NoBlanks)
                    blanks = pos;
                pos += width;
                continue;
            }
            if (c == Unit('\n'))
                break;
            if (c == Unit('\\')) {
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
                Append(pos, next);
                leading = false;
                pos = next;
                continue;
            }
            leading = false;
            if (c == Unit('=') && keyAllowed) {
                ++pos;
                return Delimiter::Equals;
            }
            if (c == Unit(',')) {
                ++pos;
                return Delimiter::Comma;
            }
            if (c == Unit(';')) {
                pos = LineEnd(pos);
                break;
            }
            keepBlanks();
            if (c == Unit('"')) {
                pos = ReadQuoted(pos + 1);
            } else {
                Append(pos, pos + width);
                pos += width;
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
            const Unit c = text_[pos];
            if (c == Unit('\n')) {
                next = pos + 1;
                return Backslash::Continues;
            }
            const std::size_t width = Width(pos);
            if (c == Unit(';')) {
                pos = LineEnd(pos);
            } else if (c == Unit('\\') || IsBlankAt(pos, width)) {
                pos += width;
            } else {
                next = pos;
                return Backslash::Literal;
            }
        }
        return Backslash::EndOfText;
    }

    // Inside quotes "" is one quote; an unclosed quote ends with the line.
    std::size_t ReadQuoted(std::size_t pos)
    {
        while (pos < text_.size()) {
            std::size_t run = pos;
            while (run < text_.size() && (ClassOf(text_[run]) & (QuoteEnd | LeadByte)) == 0) ++run;
            AppendPlain(pos, run);
            pos = run;
            if (pos == text_.size() || text_[pos] == Unit('\n'))
                break;
            if (text_[pos] == Unit('"')) {
                if (pos + 1 < text_.size() && text_[pos + 1] == Unit('"')) {
                    Append(pos, pos + 1);
                    pos += 2;
                    continue;
                }
                return pos + 1;
            }
            const std::size_t width = Width(pos);
            Append(pos, pos + width);
            pos += width;
        }
        return pos;
    }

    static Unit Literal(Unit c) { return c == Unit('\0') ? Unit(' ') : c; }

    // A key or field starts where its first character stood and keeps its first MaxFieldLength
    // characters. Characters are only ever written where one already read stood.
    void AppendPlain(std::size_t from, std::size_t to)
    {
        if (start_ == NoStart)
            start_ = front_ = from;
        std::size_t count = std::min(to - from, MaxFieldLength - length_), units = count;
        if (utf8_) {
            // Units, not bytes, count: continuation bytes add none, four-byte sequences two.
            units = 0;
            for (std::size_t pos = from; pos < to; ++pos) {
                const unsigned char byte = static_cast<unsigned char>(text_[pos]);
                units += (byte & 0xC0) == 0x80 ? 0 : (byte >= 0xF0 ? 2 : 1);
            }
            if (length_ + units > MaxFieldLength)
                return Append(from, to);
            count = to - from;
        }
        if (front_ != from)
            std::memmove(store_ + front_, store_ + from, count * sizeof(Unit));
        front_ += count;
        length_ += units;
    }
    void Append(std::size_t from, std::size_t to)
    {
        if (start_ == NoStart)
            start_ = front_ = from;
        for (std::size_t pos = from; pos < to && length_ < MaxFieldLength;) {
            const std::size_t width = Width(pos);
            if (length_ + UnitsOf(width) > MaxFieldLength) {
                KeepFirstHalfOfPair(pos);
                break;
            }
            store_[front_++] = Literal(text_[pos]);
            for (std::size_t i = 1; i < width; ++i) store_[front_++] = text_[pos + i];
            length_ += UnitsOf(width);
            pos += width;
        }
    }
    // The platform cuts UTF-16 text, so a cut can leave the first half of a surrogate pair;
    // that half is kept here as UTF-8 would write a lone surrogate.
    void KeepFirstHalfOfPair(std::size_t pos)
    {
        if constexpr (IsAnsi<Unit>) {
            const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text_[pos + i]) & 0x3Fu; };
            const char32_t value = (text_[pos] & 0x07u) << 18 | byte(1) << 12 | byte(2) << 6 | byte(3);
            const char32_t half = 0xD800 + ((value - 0x10000) >> 10);
            store_[front_++] = static_cast<char>(0xE0 | half >> 12);
            store_[front_++] = static_cast<char>(0x80 | ((half >> 6) & 0x3F));
            store_[front_++] = static_cast<char>(0x80 | (half & 0x3F));
            length_ = MaxFieldLength;
        }
    }

    std::basic_string_view<Unit> text_;
    Unit* store_;            // the same text, written over
    std::size_t start_ = 0;  // where the key or field being read starts in the text
    std::size_t front_ = 0;  // and where it ends
    std::size_t length_ = 0; // in characters
    std::u16string& names_;
    Builder& builder_;
    AnsiCharacters* ansi_;
    const std::uint8_t* classes_ = nullptr;
    bool utf8_ = false;
};

InfFile::InfFile(TextCodePage& codePage, const InfOpenOptions& options)
    : codePage_(codePage), preferLocalizedStrings_(options.preferLocalizedStrings), userLanguage_(options.userLanguage),
      windowsFolder_(options.windowsFolder), systemFolder_(options.systemFolder)
{
}

std::unique_ptr<InfFile> InfFile::Open(FileSystem& files, TextCodePage& codePage, const std::string& path,
                                       const InfOpenOptions& options)
{
    std::string bytes;
    if (!files.ReadAll(path, bytes))
        return nullptr;
    return ParseBytes(std::move(bytes), codePage, options, path);
}

std::unique_ptr<InfFile> InfFile::Parse(std::string_view bytes, TextCodePage& codePage, const InfOpenOptions& options)
{
    if (bytes.empty() || bytes.size() > MaxFileSize)
        return nullptr;
    try {
        return ParseBytes(std::string(bytes), codePage, options, {});
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The bytes become the file's text, so an ANSI file is never copied.
std::unique_ptr<InfFile> InfFile::ParseBytes(std::string bytes, TextCodePage& codePage, const InfOpenOptions& options,
                                             std::string_view path)
{
    static_assert(MaxFileSize < std::numeric_limits<std::uint32_t>::max() / 2, "token positions fit 32 bits");
    if (bytes.empty() || bytes.size() > MaxFileSize)
        return nullptr;
    try {
        std::unique_ptr<InfFile> file(new InfFile(codePage, options));
        file->infFolder_ = FolderOf(path, codePage);
        // Everything from the first Ctrl-Z on is not part of the file.
        const auto lex = [&file](auto& text, AnsiCharacters* ansi) {
            using Unit = typename std::remove_reference_t<decltype(text)>::value_type;
            const std::size_t end = std::min(text.find(static_cast<Unit>(ControlZ)), text.size());
            Builder builder(*file, end);
            Lexer<Unit> lexer(text.data(), end, file->sectionNames_, builder, ansi);
            return lexer.Run() && builder.Finish();
        };
        bool loaded = false;
        // Only a byte order mark makes a file Unicode; the platform never reads an odd-sized
        // file as UTF-16.
        const std::string_view view = bytes;
        const bool utf16 = bytes.size() % 2 == 0 && view.substr(0, 2) == "\xFF\xFE";
        const bool utf8 = !utf16 && bytes.size() > 3 && view.substr(0, 3) == "\xEF\xBB\xBF";
        file->utf16File_ = utf16;
        if (utf8 && IsWellFormedUtf8(view.substr(3))) {
            file->encoding_ = Encoding::Utf8;
            file->byteText_ = std::move(bytes.erase(0, 3));
            loaded = lex(file->byteText_, nullptr);
        } else if (utf16 || utf8) {
            file->encoding_ = Encoding::Utf16;
            file->unicodeText_ = utf16 ? DecodeUtf16Le(view.substr(2)) : DecodeUtf8(view.substr(3));
            std::string().swap(bytes);
            loaded = lex(file->unicodeText_, nullptr);
        } else {
            AnsiCharacters characters(codePage);
            file->byteClasses_ = characters.Classes();
            file->byteText_ = std::move(bytes);
            loaded = lex(file->byteText_, &characters);
        }
        if (!loaded)
            return nullptr;
        return file;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

InfFile::~InfFile() = default;

bool InfFile::FindFirstLine(std::string_view section, const char* key, InfLine& line) const
{
    return Reader(*this).FindFirstLine(section, key, line);
}

bool InfFile::FindNextLine(InfLine& line) const
{
    if (!IsValid(line))
        return false;
    const Run& run = runs_[line.run_];
    if (line.line_ + 1 < run.firstLine + run.lineCount) {
        ++line.line_;
        return true;
    }
    const Section& section = sections_[line.section_];
    if (line.run_ + 1 >= section.firstRun + section.runCount)
        return false;
    ++line.run_;
    line.line_ = runs_[line.run_].firstLine;
    return true;
}

bool InfFile::GetStringField(const InfLine& line, unsigned index, char* buffer, std::size_t width) const
{
    return buffer != nullptr && IsValid(line) && Reader(*this).Read(line.line_, index, buffer, width);
}

bool InfFile::GetIntField(const InfLine& line, unsigned index, std::int32_t& value) const
{
    std::string text;
    if (!IsValid(line) || !Reader(*this).ReadWhole(line.line_, index, text))
        return false;
    if (text.empty()) {
        value = 0;
        return true;
    }
    return ParseInteger(text, value);
}

bool InfFile::IsValid(const InfLine& line) const
{
    if (line.section_ >= sections_.size())
        return false;
    const Section& section = sections_[line.section_];
    if (line.run_ < section.firstRun || line.run_ - section.firstRun >= section.runCount)
        return false;
    const Run& run = runs_[line.run_];
    return line.line_ >= run.firstLine && line.line_ - run.firstLine < run.lineCount;
}

bool InfFile::RawField(std::uint32_t line, unsigned index, std::uint32_t& token) const
{
    const std::uint32_t first = lineTokens_[line];
    const std::uint32_t count = lineTokens_[line + 1] - first;
    const KeyKind key = lineKeys_[line];
    if (index == 0) {
        if (key == KeyKind::None)
            return false;
        token = first;
        return true;
    }
    const std::uint32_t keyTokens = key == KeyKind::Own ? 1 : 0;
    if (index > count - keyTokens)
        return false;
    token = first + keyTokens + index - 1;
    return true;
}

// The folder of a directory id in the ANSI code page, as the platform's SetupAPI gives it;
// false where it is not known here, and the id stays as written. Ids between the known ones
// name a folder "unknown" under the system folder.
bool InfFile::DirectoryFolder(std::int32_t id, std::string& folder) const
{
    const DirectoryId* known = std::find_if(std::begin(DirectoryIds), std::end(DirectoryIds),
                                            [id](const DirectoryId& entry) { return entry.id == id; });
    if (known == std::end(DirectoryIds)) {
        if (id < 0 || (id >= FirstShellFolderId && id <= LastShellFolderId) || id >= FirstUserId)
            return false;
        static constexpr DirectoryId Unknown = {0, Base::System, "\\unknown"};
        known = &Unknown;
    }
    switch (known->base) {
    case Base::Empty:
        folder.clear();
        return true;
    case Base::Windows:
        folder = windowsFolder_;
        break;
    case Base::System:
        folder = systemFolder_;
        break;
    case Base::WindowsDrive:
        if (windowsFolder_.size() < 2 || windowsFolder_[1] != ':')
            return false;
        folder = windowsFolder_.substr(0, 2) + "\\";
        return true;
    case Base::InfFolder:
        folder = infFolder_;
        break;
    case Base::NotKnownHere:
        return false;
    }
    if (folder.empty())
        return false;
    folder += known->tail;
    return true;
}
