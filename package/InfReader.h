// The INF lookups on a parsed file: sections, keys, %name% substitution, fields in ANSI.
#pragma once
#include <limits>

#include "package/InfFile.h"
#include "package/InfText.h"
#include "package/InfValues.h"
#include "package/StableSort.h"

// The lookups on the parsed text, the same for ANSI and Unicode files.
class InfFile::Reader {
public:
    explicit Reader(const InfFile& file) : file_(file) {}

    inf::Units Token(std::uint32_t token) const
    {
        const std::uint32_t start = file_.tokenStarts_[token];
        const std::uint16_t length = file_.tokenLengths_[token];
        if (file_.encoding_ == Encoding::Utf16)
            return std::u16string_view(file_.unicodeText_.data() + start, length);
        return std::string_view(file_.byteText_).substr(start, length);
    }
    inf::Units Name(std::uint32_t start, std::uint32_t length) const
    {
        return std::u16string_view(file_.sectionNames_).substr(start, length);
    }
    inf::Units Name(const Section& section) const { return Name(section.nameStart, section.nameLength); }

    // Names and keys compare without regard to case in ASCII only, as the platform compares
    // them in Unicode: the second byte of a double-byte character never counts as a letter.
    int Compare(inf::Units a, inf::Units b) const
    {
        const std::size_t common = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < common; ++i) {
            unsigned x = a[i], y = b[i];
            if (x == y) {
                if (IsLead(a[i]) && ++i < common && a[i] != b[i])
                    return a[i] < b[i] ? -1 : 1;
                continue;
            }
            x = inf::FoldCase(x);
            y = inf::FoldCase(y);
            if (x != y)
                return x < y ? -1 : 1;
        }
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }
    bool Equal(inf::Units a, inf::Units b) const { return a.size() == b.size() && Compare(a, b) == 0; }

    // A caller's ANSI text as the file's units: Unicode files compare it as the platform does,
    // converted to Unicode.
    inf::Units FromAnsi(std::string_view text, std::u16string& storage) const
    {
        if (file_.encoding_ == Encoding::Ansi || (file_.encoding_ == Encoding::Utf8 && inf::Units(text).IsAscii()))
            return text;
        if (inf::Units(text).IsAscii()) {
            storage.assign(text.begin(), text.end());
        } else if (file_.encoding_ == Encoding::Utf16) {
            storage = file_.codePage_.ToUtf16(text);
        } else {
            storage.clear();
            inf::AppendUtf16AsUtf8(file_.codePage_.ToUtf16(text), storage);
        }
        return std::u16string_view(storage);
    }

    // Sections are sorted by the hash of their names, then by the names.
    const Section* FindSection(inf::Units name) const
    {
        const std::uint32_t hash = Hash(name);
        const auto found = std::lower_bound(file_.sections_.begin(), file_.sections_.end(), name,
                                            [this, hash](const Section& section, inf::Units wanted) {
                                                if (section.nameHash != hash)
                                                    return section.nameHash < hash;
                                                return Compare(Name(section), wanted) < 0;
                                            });
        if (found == file_.sections_.end() || found->nameHash != hash || !Equal(Name(*found), name))
            return nullptr;
        return &*found;
    }
    // Names that compare equal hash alike: letters are folded as Compare folds them, and the
    // second byte of a double-byte character is taken as it stands.
    std::uint32_t Hash(inf::Units name) const
    {
        std::uint32_t hash = 2166136261u;
        for (std::size_t i = 0; i < name.size(); ++i) {
            unsigned unit = name[i];
            if (IsLead(name[i]) && i + 1 < name.size()) {
                hash = (hash ^ unit) * 16777619u;
                unit = name[++i];
            } else {
                unit = inf::FoldCase(unit);
            }
            hash = (hash ^ unit) * 16777619u;
        }
        return hash;
    }
    const Section* FindSection(std::string_view name) const
    {
        std::u16string storage;
        return FindSection(FromAnsi(name, storage));
    }

    // The section with its lines read; nullptr without it, or when they could not be read.
    const Section* FindSectionLines(std::string_view name) const
    {
        const Section* section = FindSection(name);
        return section != nullptr && file_.ReadSectionLines(*section) ? section : nullptr;
    }

    bool FindFirstLine(std::string_view sectionName, const char* key, InfLine& line) const
    {
        const Section* section = FindSectionLines(sectionName);
        if (section == nullptr)
            return false;
        std::u16string keyStorage, substituted;
        const inf::Units wanted = key == nullptr ? inf::Units() : FromAnsi(key, keyStorage);
        for (std::uint32_t run = section->firstRun; run < section->firstRun + section->runCount; ++run) {
            const Run& range = file_.runs_[run];
            for (std::uint32_t candidate = range.firstLine; candidate < range.firstLine + range.lineCount;
                 ++candidate) {
                if (key != nullptr) {
                    // Keys match after substitution: %Name%=... is found by the text of Name.
                    std::uint32_t token = 0;
                    if (!file_.RawField(candidate, 0, token))
                        continue;
                    inf::Units lineKey = Token(token);
                    if (lineKey.find(u'%') != inf::Units::npos) {
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
        inf::Units text = Token(token);
        std::u16string substituted;
        if (text.find(u'%') != inf::Units::npos) {
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
        const Section* section = FindSectionLines(sectionName);
        if (section == nullptr)
            return lines;
        for (std::uint32_t run = section->firstRun; run < section->firstRun + section->runCount; ++run) {
            const Run& range = file_.runs_[run];
            for (std::uint32_t line = range.firstLine; line < range.firstLine + range.lineCount; ++line)
                if (file_.lineKeys_[line] != KeyKind::None)
                    lines.push_back(line);
        }
        inf::SortStable(lines, [this](std::uint32_t a, std::uint32_t b) { return Compare(Key(a), Key(b)) < 0; });
        return lines;
    }

    // [Version] Signature, compared as written (no substitution) with the three Windows-4 names.
    bool HasWindows4Signature() const
    {
        const Section* version = FindSectionLines("Version");
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

    // The [Strings] sections indexed, on first use: most files are opened for a few fields that
    // name no string.
    void IndexStringsOnce() const
    {
        if (!file_.stringsIndexed_) {
            file_.stringsIndexed_ = true;
            file_.strings_ = IndexStrings("Strings");
            if (file_.preferLocalizedStrings_)
                file_.localizedStrings_ = IndexStrings(inf::LocalizedStringsName(file_.userLanguage_).text);
        }
    }

private:
    inf::Units Key(std::uint32_t line) const { return Token(file_.lineTokens_[line]); }
    bool IsLead(char16_t unit) const
    {
        return file_.encoding_ == Encoding::Ansi && unit < 0x100 && (file_.byteClasses_[unit] & inf::LeadByte) != 0;
    }

    // ANSI files hold their bytes one to a unit; Unicode text goes through the code page.
    std::string ToAnsi(inf::Units text) const
    {
        if (file_.encoding_ != Encoding::Ansi && !text.IsAscii()) {
            std::u16string units;
            if (file_.encoding_ == Encoding::Utf8)
                inf::AppendUtf8AsUtf16(text, units);
            else
                text.AppendTo(units);
            return file_.codePage_.FromUtf16(units);
        }
        std::string bytes(text.size(), '\0');
        text.CopyBytes(bytes.data());
        return bytes;
    }
    static bool Deliver(inf::Units text, char* buffer, std::size_t width)
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
    bool Substitute(inf::Units text, std::u16string& result, std::size_t limit) const
    {
        result.clear();
        std::size_t pos = 0;
        std::u16string folder;
        // One unit past the limit tells all that is asked of a longer text: a key lookup asks
        // for a few units on each line of its section, whose strings may run to 511.
        const auto append = [&result, limit](inf::Units part) {
            if (result.size() > limit)
                return;
            const std::size_t room = limit - result.size();
            part.substr(0, part.size() > room ? room + 1 : part.size()).AppendTo(result);
        };
        while (pos < text.size() && result.size() <= limit) {
            const std::size_t open = text.find(u'%', pos);
            const std::size_t close = open == inf::Units::npos ? open : text.find(u'%', open + 1);
            if (close == inf::Units::npos) {
                append(text.substr(pos));
                break;
            }
            append(text.substr(pos, open - pos));
            const inf::Units name = text.substr(open + 1, close - open - 1);
            inf::Units value;
            if (name.size() == 0)
                result.push_back(u'%');
            else if (LookUpString(name, value))
                append(value);
            else if (DirectoryFolder(name, close + 1 < text.size() && text[close + 1] == u'\\', folder))
                result += folder;
            else
                append(text.substr(open, close - open + 1));
            pos = close + 1;
        }
        return result.size() <= limit;
    }

    bool LookUpString(inf::Units name, inf::Units& value) const
    {
        IndexStringsOnce();
        for (const std::vector<std::uint32_t>* index : {&file_.localizedStrings_, &file_.strings_}) {
            const auto found =
                std::lower_bound(index->begin(), index->end(), name, [this](std::uint32_t line, inf::Units wanted) {
                    return Compare(Key(line), wanted) < 0;
                });
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
    bool DirectoryFolder(inf::Units name, bool beforeBackslash, std::u16string& value) const
    {
        // The platform reads the number from Unicode text: any white space it knows may lead.
        std::u16string units;
        if (file_.encoding_ == Encoding::Utf16 || name.IsAscii()) {
            name.AppendTo(units);
        } else if (file_.encoding_ == Encoding::Utf8) {
            inf::AppendUtf8AsUtf16(name, units);
        } else {
            std::string bytes(name.size(), '\0');
            name.CopyBytes(bytes.data());
            units = file_.codePage_.ToUtf16(bytes);
        }
        std::size_t pos = 0;
        while (pos < units.size() && inf::IsUnicodeBlank(units[pos])) ++pos;
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

    bool EndsWithBackslash(inf::Units text) const
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
