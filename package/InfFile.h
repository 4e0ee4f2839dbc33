// The INF reader: one parsed INF file, read through the operations of the SetupAPI INF calls.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/FixedText.h"
#include "platform/FileSystem.h"
#include "platform/TextCodePage.h"

struct InfOpenOptions {
    // Look %name% tokens up in [Strings.LLLL] first, LLLL being userLanguage (a LANGID) in four
    // hex digits, then in [Strings]; callers ask for it where the system does it (2000 and XP).
    bool preferLocalizedStrings = false;
    std::uint16_t userLanguage = 0;
    // The folders the directory ids %10% and %11% stand for, and the others made from them
    // (%17% is windowsFolder\inf, ...); while one is empty, the ids made from it stay as written.
    // Open adds the INF's own folder, %1%.
    std::string windowsFolder;
    std::string systemFolder;
};

// A position in an INF file (SetupAPI's INFCONTEXT): one line of one section, meaningful to the
// InfFile that filled it. A default-constructed position reads as nothing.
class InfLine {
private:
    friend class InfFile;
    std::uint32_t section_ = UINT32_MAX;
    std::uint32_t run_ = 0;  // which occurrence of the section's header the line stands under
    std::uint32_t line_ = 0; // line number among the lines read
};

class InfFile {
public:
    // A key or field keeps at most this many characters of its text; the rest is dropped.
    static constexpr std::size_t MaxFieldLength = 511;
    // A key or field whose text, once %name% tokens are replaced, is longer than this in the
    // ANSI code page reads as too long for any buffer; substitution stops there, so no read
    // grows without bound. An integer read takes the whole text.
    static constexpr std::size_t MaxReadLength = 511;
    // Section names longer than this make the file unreadable.
    static constexpr std::size_t MaxSectionNameLength = 255;
    // Larger files are refused outright; no INF comes near this size.
    static constexpr std::size_t MaxFileSize = 512u * 1024u * 1024u;

    // SetupOpenInfFileA with INF_STYLE_WIN4: nullptr when the file is missing, unreadable, empty,
    // fails to parse, or is not a Windows-4 style INF. Closing is the destructor. The code page
    // serves the file's reads and must outlive it.
    static std::unique_ptr<InfFile> Open(FileSystem& files, TextCodePage& codePage, const std::string& path,
                                         const InfOpenOptions& options = {});
    // The same on bytes already read; %1% stays as written, the file's folder being unknown.
    static std::unique_ptr<InfFile> Parse(std::string_view bytes, TextCodePage& codePage,
                                          const InfOpenOptions& options = {});

    ~InfFile();
    InfFile(const InfFile&) = delete;
    InfFile& operator=(const InfFile&) = delete;

    // SetupFindFirstLineA. Without a key: the first line of the section, so this succeeds exactly
    // when the section has a line. With a key: the first line whose key, after %name%
    // substitution, matches it. On failure `line` is left as it was.
    bool FindFirstLine(std::string_view section, const char* key, InfLine& line) const;
    // SetupFindNextLine: the next line of the same section; fails after the last one.
    bool FindNextLine(InfLine& line) const;
    // SetupGetLineCountA: the lines of the section, over all its headers; -1 without the section.
    long LineCount(std::string_view section) const;
    // The length of the text under the section's headers, in characters of the file: what a
    // caller sizes a list of what the lines hold by. 0 without the section.
    std::size_t SectionTextLength(std::string_view section) const;
    // The lines of a section one at a time, in the order FindFirstLine and FindNextLine give
    // them, each handed to `visit` (called with a const InfLine&; false stops) to be read with
    // the Get...Field calls while the call lasts. For a section of possibly millions of lines
    // that is read once: lines not read before are read one by one and dropped after their
    // visit, so that their keys and fields never take memory all at once. The section is spent
    // then: later lookups find none of those lines. False without the section, or when its lines
    // could not be read (memory ran out; LinesLost says so).
    template <typename Visit>
    bool VisitLines(std::string_view section, Visit visit) const
    {
        return VisitLines(section, &visit,
                          [](void* context, const InfLine& line) { return (*static_cast<Visit*>(context))(line); });
    }

    // SetupGetStringFieldA. Field 0 is the substituted key, 1... the values. Fails when the
    // field is absent or its text and terminator do not fit `width` (or there is no buffer); the
    // buffer is then untouched.
    bool GetStringField(const InfLine& line, unsigned index, char* buffer, std::size_t width) const;
    template <std::size_t Width>
    bool GetStringField(const InfLine& line, unsigned index, FixedText<Width>& text) const
    {
        char buffer[Width];
        return GetStringField(line, index, buffer, Width) && text.Assign(buffer);
    }
    // GetStringField for a caller that only looks at the text: `text` is where the file holds
    // it when reading it needs neither %name% substitution nor a conversion to the ANSI code
    // page (valid while the file is open), else the text read into `buffer`. Fails exactly when
    // GetStringField fails with that buffer.
    bool GetStringView(const InfLine& line, unsigned index, char* buffer, std::size_t width,
                       std::string_view& text) const;
    // SetupGetIntField: the field's text read as strtol with base 0 reads it (the whole text,
    // values beyond 32 bits clamped); an empty field is 0. On failure `value` is left as it was.
    bool GetIntField(const InfLine& line, unsigned index, std::int32_t& value) const;

    // Whether the lines of a section could not be read since the open (memory ran out). Every
    // lookup fails from then on, as though the lines were not there; a caller that must not take
    // lines it could not read for lines that are absent checks this after its reads, and takes
    // the file as unreadable, as one the open refused.
    bool LinesLost() const { return linesLost_; }

    // Whether the file opens with a UTF-16 or UTF-8 byte order mark.
    bool IsUnicodeFile() const { return unicodeFile_; }

private:
    class Builder;
    class AnsiCharacters;
    class Reader;
    template <typename Unit>
    class Lexer;

    enum class KeyKind : std::uint8_t { None, Own, SameAsField1 };
    struct Section {
        std::uint32_t nameStart;
        std::uint32_t nameLength;
        std::uint32_t nameHash;
        std::uint32_t firstRun;
        std::uint32_t runCount;
    };
    // The lines that stand under one header of a section, in file order, and the text they
    // are read from when the section is first looked up; they are numbered then.
    struct Run {
        std::uint32_t firstLine;
        std::uint32_t lineCount;
        std::uint32_t textStart;
        std::uint32_t textEnd;
        bool read;
    };

    InfFile(TextCodePage& codePage, const InfOpenOptions& options);

    bool VisitLines(std::string_view section, void* context, bool (*visit)(void*, const InfLine&)) const;

    static std::unique_ptr<InfFile> ParseBytes(std::string bytes, TextCodePage& codePage, const InfOpenOptions& options,
                                               std::string_view path);
    // Inlined even where the build optimises for size, as are RawField and PlainField: the package
    // read asks them about each of possibly millions of model lines. Defined in InfFile.cpp,
    // their only user.
    [[gnu::always_inline]] inline bool IsValid(const InfLine& line) const;
    // Reads the keys and fields of the section's lines, once; false when that fails.
    bool ReadSectionLines(const Section& section) const;
    // Reads the lines of the run `line` names, which no read has read before. Without `visit`
    // they are kept; with it they are read a few at a time, each visited in turn and then
    // dropped, until `visit` returns false (`visiting` says so). False when memory ran out.
    bool ReadRun(InfLine& line, void* context, bool (*visit)(void*, const InfLine&), bool& visiting) const;
    [[gnu::always_inline]] inline bool RawField(std::uint32_t line, unsigned index, std::uint32_t& token) const;
    [[gnu::always_inline]] inline bool PlainField(const InfLine& line, unsigned index, std::string_view& text) const;
    bool DirectoryFolder(std::int32_t id, std::string& folder) const;

    // ANSI files keep their own bytes, so what is read from them is what the file holds; Unicode
    // files keep UTF-8 when it is well formed, else UTF-16, and are converted to the ANSI code
    // page as they are read. Each key and field is written over the text it came from.
    enum class Encoding : std::uint8_t { Ansi, Utf8, Utf16 };

    TextCodePage& codePage_;
    Encoding encoding_ = Encoding::Ansi;
    bool unicodeFile_ = false;
    std::string byteText_;                   // ANSI or UTF-8; a UTF-16 file's bytes
    std::u16string decodedText_;             // a UTF-8 file that is not well formed, as UTF-16
    std::span<char16_t> unicodeText_;        // UTF-16: in byteText_ or decodedText_
    std::u16string sectionNames_;            // in the file's units; bytes one to a unit
    std::vector<std::uint32_t> tokenStarts_; // where each key or field lies in the text
    std::vector<std::uint16_t> tokenLengths_;
    std::vector<std::uint32_t> lineTokens_; // each line's first key or field
    std::vector<KeyKind> lineKeys_;
    std::vector<Section> sections_;               // sorted by the hash of the name, then by the name
    std::vector<Run> runs_;                       // grouped by section, in file order within each
    std::array<std::uint8_t, 256> byteClasses_{}; // ANSI files: what each byte is in the code page
    std::unique_ptr<AnsiCharacters> ansi_;        // ANSI files: what the lexer asks of the code page
    bool linesLost_ = false;
    // [Strings] lines with a key, sorted by key, and the same for [Strings.LLLL]: made by the
    // first substitution, so an InfFile serves one thread at a time.
    mutable bool stringsIndexed_ = false;
    mutable std::vector<std::uint32_t> strings_;
    mutable std::vector<std::uint32_t> localizedStrings_;
    bool preferLocalizedStrings_;
    std::uint16_t userLanguage_;
    std::string windowsFolder_, systemFolder_, infFolder_;
};
