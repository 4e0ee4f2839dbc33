// The INF reader: one parsed INF file, read through the operations of the SetupAPI INF calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/SetupState.h"
#include "platform/FileSystem.h"
#include "platform/TextCodePage.h"

struct InfOpenOptions {
    // Look %name% tokens up in [Strings.LLLL] first, LLLL being userLanguage (a LANGID) in four
    // hex digits, then in [Strings]; callers ask for it where the system does it (2000 and XP).
    bool preferLocalizedStrings = false;
    std::uint16_t userLanguage = 0;
};

// A position in an INF file (SetupAPI's INFCONTEXT): one line of one section, meaningful to the
// InfFile that filled it. A default-constructed position reads as nothing.
class InfLine {
private:
    friend class InfFile;
    std::uint32_t section_ = UINT32_MAX;
    std::uint32_t run_ = 0;  // which occurrence of the section's header the line stands under
    std::uint32_t line_ = 0; // line number over the whole file
};

class InfFile {
public:
    // A key or field keeps at most this many characters of its text; the rest is dropped.
    static constexpr std::size_t MaxFieldLength = 511;
    // A key or field whose text, once %name% tokens are replaced, is longer than this reads as too
    // long for any buffer; substitution stops there, so no read grows without bound.
    static constexpr std::size_t MaxReadLength = 511;
    // Section names longer than this make the file unreadable.
    static constexpr std::size_t MaxSectionNameLength = 255;
    // Larger files are refused outright; no INF comes near this size.
    static constexpr std::size_t MaxFileSize = 512u * 1024u * 1024u;

    // SetupOpenInfFileA with INF_STYLE_WIN4: nullptr when the file is missing, unreadable, empty,
    // fails to parse, or is not a Windows-4 style INF. Closing is the destructor.
    static std::unique_ptr<InfFile> Open(FileSystem& files, TextCodePage& codePage,
                                         const std::string& path, const InfOpenOptions& options = {});
    // The same on bytes already read.
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

    // SetupGetStringFieldA. Field 0 is the substituted key, 1... the values. Fails when the
    // field is absent or its text and terminator do not fit `width` (or there is no buffer); the
    // buffer is then untouched.
    bool GetStringField(const InfLine& line, unsigned index, char* buffer, std::size_t width) const;
    template <std::size_t Width>
    bool GetStringField(const InfLine& line, unsigned index, FixedText<Width>& text) const
    {
        std::string value;
        return ReadField(line, index, value) && text.Assign(value);
    }
    // SetupGetIntField: the field's text read as strtol with base 0 reads it (the whole text,
    // values beyond 32 bits clamped); an empty field is 0. On failure `value` is left as it was.
    bool GetIntField(const InfLine& line, unsigned index, std::int32_t& value) const;

private:
    class Builder;
    template <typename Unit> class Lexer;

    enum class KeyKind : std::uint8_t { None, Own, SameAsField1 };
    struct Section {
        std::uint32_t nameStart;
        std::uint32_t nameLength;
        std::uint32_t firstRun;
        std::uint32_t runCount;
    };
    // The lines that stand under one header of a section, in file order.
    struct Run {
        std::uint32_t firstLine;
        std::uint32_t lineCount;
    };

    InfFile() = default;

    bool ReadField(const InfLine& line, unsigned index, std::string& value) const;
    bool IsValid(const InfLine& line) const;
    bool RawField(std::uint32_t line, unsigned index, std::string_view& text) const;
    std::string_view Token(std::uint32_t token) const;
    std::string_view SectionName(const Section& section) const;
    const Section* FindSection(std::string_view name) const;
    bool Substitute(std::string_view text, std::string& result) const;
    bool LookUpString(std::string_view name, std::string_view& value) const;
    std::vector<std::uint32_t> IndexStrings(std::string_view sectionName) const;
    bool HasWindows4Signature() const;

    std::string text_;                       // every key and field, back to back, in the ANSI code page
    std::vector<std::uint32_t> tokenStarts_; // where each key or field starts in text_, then text_'s size
    std::vector<std::uint32_t> lineTokens_;  // each line's first key or field, then the token count
    std::vector<KeyKind> lineKeys_;
    std::string sectionNames_;
    std::vector<Section> sections_;          // sorted by name, without regard to ASCII case
    std::vector<Run> runs_;                  // grouped by section, in file order within each
    std::vector<std::uint32_t> strings_;     // [Strings] lines with a key, sorted by key
    std::vector<std::uint32_t> localizedStrings_; // the same for [Strings.LLLL]
};
