// The INF lexer: sections, lines, keys and fields, read in place.
#pragma once
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "package/InfFile.h"
#include "package/InfText.h"
#include "package/InfAnsiCharacters.h"
#include "package/InfBuilder.h"
#include "package/TextSearch.h"

// Splits INF text into sections, lines, keys and fields. Each key and field is written over the
// text it came from, starting where its first character stood: most stand as they are, and none
// is longer than what it came from. Works on UTF-16 units, on well-formed UTF-8 (without
// AnsiCharacters), or on the bytes of an ANSI file as they stand. The bytes of a character are
// taken together, so the second byte 0x5C or 0x5D of a double-byte character is never a
// backslash or a bracket, and lengths count what the platform counts: characters of the ANSI
// code page, UTF-16 units. The unit after the text must be a NUL: it ends every run of
// characters without a test of the position.
template <typename Unit>
class InfFile::Lexer {
public:
    Lexer(Unit* text, std::size_t length, std::u16string& names, Builder& builder, AnsiCharacters* ansi)
        : text_(text, length), store_(text), names_(names), builder_(builder), ansi_(ansi)
    {
        if constexpr (inf::IsAnsi<Unit>) {
            utf8_ = ansi == nullptr;
            classes_ = utf8_ ? inf::Utf8Classes.data() : ansi->Classes().data();
        }
    }

    // The open's pass: where each section header stands. Lines are not read here, only passed
    // over: most sections are never looked up.
    bool FindSections()
    {
        std::size_t pos = 0;
        if (!FindSectionsLineByLine(pos, true))
            return false;
        return HasDoubleByteCharacters() ? FindSectionsLineByLine(pos, false) : FindSectionsByBrackets(pos);
    }

    // The lines of one header's run, from `pos` on, read into keys and fields: at most `lines`
    // of them, with `pos` after them; false once the run has no more. The open's pass found
    // where the run ends, so no header stands in it.
    bool ReadSomeLines(std::size_t& pos, std::size_t lines)
    {
        for (std::size_t read = 0; read < lines; ++read)
            if (!ReadNextLine(pos))
                return false;
        return true;
    }

private:
    // The next line from `pos` on, with `pos` after it; false at the end of the run.
    bool ReadNextLine(std::size_t& pos)
    {
        while (pos < text_.size()) {
            const Unit c = text_[pos];
            const std::uint8_t characterClass = ClassOf(c);
            const std::size_t width = (characterClass & inf::LeadByte) != 0 ? Width(pos) : 1;
            if (c == Unit('\n') || IsBlankAt(pos, width)) {
                pos += width;
            } else if (c == Unit(';')) {
                pos = LineEnd(pos);
            } else if (c == Unit('[')) {
                return false;
            } else {
                ReadLine(pos);
                return true;
            }
        }
        return false;
    }

    // In a double-byte code page a byte of '[' or '\\' may be the second of a character, which
    // only reading from the start of its line tells.
    bool HasDoubleByteCharacters() const
    {
        if constexpr (inf::IsAnsi<Unit>) {
            if (!utf8_)
                for (unsigned byte = 0x80; byte < 0x100; ++byte)
                    if ((classes_[byte] & inf::LeadByte) != 0)
                        return true;
        }
        return false;
    }

    // Line by line: up to the first header, and after it in a double-byte code page.
    bool FindSectionsLineByLine(std::size_t& pos, bool toFirstHeader)
    {
        while (pos < text_.size() && !(toFirstHeader && builder_.InSection())) {
            const Unit c = text_[pos];
            const std::size_t width = (ClassOf(c) & inf::LeadByte) != 0 ? Width(pos) : 1;
            if (c == Unit('\n') || IsBlankAt(pos, width)) {
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
                pos = SkipLine(pos);
            }
        }
        return true;
    }

    // After the first header, in any other text: from one '[' to the next, at the speed of a
    // search for one character. A '[' opens a section when it is the first character of its
    // line and the line before does not go on into it. `headerEnd` is the line end of the last
    // header, whose line never goes on.
    bool FindSectionsByBrackets(std::size_t headerEnd)
    {
        for (std::size_t pos = headerEnd; pos < text_.size();) {
            const std::size_t bracket = FindBracket(pos);
            if (bracket == text_.size())
                break;
            if (!OpensSection(bracket, headerEnd)) {
                pos = bracket + 1;
                continue;
            }
            pos = bracket;
            if (!ReadSectionHeader(pos))
                return false;
            headerEnd = pos;
        }
        return true;
    }
    std::size_t FindBracket(std::size_t pos) const { return std::min(FindInText(text_, Unit('['), pos), text_.size()); }
    bool OpensSection(std::size_t bracket, std::size_t headerEnd) const
    {
        std::size_t lineStart = bracket;
        for (std::size_t width; (width = BlankBefore(lineStart)) != 0;) lineStart -= width;
        if (text_[lineStart - 1] != Unit('\n'))
            return false;
        const std::size_t previousEnd = lineStart - 1;
        if (previousEnd == headerEnd)
            return true;
        std::size_t previousStart = previousEnd;
        while (previousStart > headerEnd + 1 && text_[previousStart - 1] != Unit('\n')) --previousStart;
        return SkipLine(previousStart, previousEnd) == previousEnd;
    }
    // The units of the white space character that ends just before `pos`; 0 when there is none.
    // Never reaches back past a line end, which a header's line always ends with.
    std::size_t BlankBefore(std::size_t pos) const
    {
        const Unit c = text_[pos - 1];
        if (c == Unit('\0') || (ClassOf(c) & inf::Blank) != 0)
            return 1;
        if constexpr (inf::IsAnsi<Unit>) {
            // Well-formed UTF-8: back over the continuation bytes to the first of the character.
            if (utf8_ && (Value(c) & 0xC0) == 0x80) {
                std::size_t first = pos - 1;
                while ((Value(text_[first]) & 0xC0) == 0x80 && pos - first < 4) --first;
                if (Width(first) == pos - first && IsBlankAt(first, pos - first))
                    return pos - first;
            }
        }
        return 0;
    }

    enum class Delimiter { Equals, Comma, LineEnd };
    enum class Backslash { Continues, Literal, EndOfText };
    static constexpr std::size_t NoBlanks = std::basic_string_view<Unit>::npos;
    static constexpr std::size_t NoStart = std::basic_string_view<Unit>::npos;
    static constexpr std::size_t NoLimit = std::basic_string_view<Unit>::npos;

    static unsigned Value(Unit c) { return static_cast<std::make_unsigned_t<Unit>>(c); }
    // Inlined even where the build optimises for size: it runs for nearly every unit of the text.
    [[gnu::always_inline]] std::uint8_t ClassOf(Unit c) const
    {
        if constexpr (inf::IsAnsi<Unit>)
            return classes_[Value(c)];
        else
            return c < 0x100 ? inf::LowClasses[c] : std::uint8_t{inf::IsUnicodeBlank(c) ? inf::Blank : inf::Plain};
    }
    // The bytes of the character that starts here. A lead byte followed by a line end, a NUL or
    // the end of the file is a byte on its own: a double-byte character's second byte is never
    // one of those, and the NUL still reads as a space.
    std::size_t Width(std::size_t pos) const
    {
        if constexpr (inf::IsAnsi<Unit>) {
            if (utf8_)
                return inf::Utf8Length(static_cast<unsigned char>(text_[pos]));
            if ((ClassOf(text_[pos]) & inf::LeadByte) == 0 || pos + 1 >= text_.size())
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
        if constexpr (inf::IsAnsi<Unit>) {
            const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text_[pos + i]) & 0x3Fu; };
            if (utf8_ && width == 2)
                return inf::IsUnicodeBlank(static_cast<char16_t>((text_[pos] & 0x1F) << 6 | byte(1)));
            if (utf8_ && width == 3)
                return inf::IsUnicodeBlank(static_cast<char16_t>((text_[pos] & 0x0F) << 12 | byte(1) << 6 | byte(2)));
            if (width == 2)
                return ansi_->IsBlankPair(text_[pos], text_[pos + 1]);
            if (width == 4)
                return false;
        }
        return text_[pos] == Unit('\0') || (ClassOf(text_[pos]) & inf::Blank) != 0;
    }
    // Whether four units are all plain, tested together with one branch. UTF-16 units past U+00FF
    // are left to the test of one unit at a time: they are rare in INF text, and most are plain.
    bool FourPlain(const Unit* units) const
    {
        if constexpr (inf::IsAnsi<Unit>)
            return (classes_[Value(units[0])] | classes_[Value(units[1])] | classes_[Value(units[2])] |
                    classes_[Value(units[3])]) == inf::Plain;
        else
            return (units[0] | units[1] | units[2] | units[3]) < 0x100 &&
                   (inf::LowClasses[units[0]] | inf::LowClasses[units[1]] | inf::LowClasses[units[2]] |
                    inf::LowClasses[units[3]]) == inf::Plain;
    }
    // Where the run of plain characters from here ends; four at a time while they last, since
    // most of a file is such runs. A backslash between plain characters is literal and stays in
    // the run: hardware IDs (USB\VID_...) and paths are written that way.
    std::size_t PlainRunEnd(std::size_t pos) const
    {
        const Unit* const text = text_.data();
        const std::size_t size = text_.size();
        for (;;) {
            while (pos + 4 <= size && FourPlain(text + pos)) pos += 4;
            while (ClassOf(text[pos]) == inf::Plain) ++pos;
            if (text[pos] != Unit('\\') || ClassOf(text[pos + 1]) != inf::Plain)
                return pos;
            pos += 2;
        }
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
        const std::size_t header = pos;
        pos = LineEnd(close + 1);
        builder_.BeginSection(start, close - header - 1, header, pos);
        return true;
    }

    // Where a line that starts here ends, found without reading it: where ReadLine would stop,
    // the line end or the end of the text. A line goes on past its line end only after a
    // backslash that continues it, with nothing but blanks, backslashes or a comment after it;
    // so a line without a ';' whose last character is not a backslash ends at its first line
    // end, found at the speed of a search for two characters. The rest are walked as ReadLine
    // reads them.
    // A walk stops once past `limit`: that the line goes on past there is all that is asked.
    std::size_t SkipLine(std::size_t start, std::size_t limit = NoLimit) const
    {
        const std::size_t stop = FindLineEndOrComment(start);
        if (stop == text_.size() || text_[stop] == Unit('\n')) {
            std::size_t last = stop;
            while (last > start && (text_[last - 1] == Unit('\0') || (ClassOf(text_[last - 1]) & inf::Blank) != 0))
                --last;
            if (!MayContinue(start, last))
                return stop;
        }
        return WalkLine(start, limit);
    }
    // Whether the text of a line, blanks at its end left out, may end in a continuing backslash:
    // when it ends in one, or in a character of several bytes (which may be white space).
    bool MayContinue(std::size_t start, std::size_t last) const
    {
        if (last == start)
            return false;
        const Unit c = text_[last - 1];
        if constexpr (inf::IsAnsi<Unit>) {
            if (Value(c) >= 0x80 || (last - 1 > start && (ClassOf(text_[last - 2]) & inf::LeadByte) != 0))
                return true;
        }
        return c == Unit('\\');
    }
    std::size_t FindLineEndOrComment(std::size_t pos) const
    {
        const Unit* const text = text_.data();
        const std::size_t size = text_.size();
        if constexpr (inf::IsAnsi<Unit>) {
            // A word at a time, marking both bytes; the lowest mark is the first of either.
            using text_search::Word;
            constexpr Word ones = text_search::UnitOnes<char>;
            for (; pos + sizeof(Word) <= size; pos += sizeof(Word)) {
                const Word marks = text_search::MarksInWord(text + pos, ones * '\n') |
                                   text_search::MarksInWord(text + pos, ones * ';');
                if (marks != 0)
                    return pos + static_cast<std::size_t>(std::countr_zero(marks)) / 8;
            }
        }
        while (pos < size && text[pos] != Unit('\n') && text[pos] != Unit(';')) ++pos;
        return pos;
    }
    // Where ReadLine stops, found the way it reads: quotes, comments and backslashes.
    std::size_t WalkLine(std::size_t pos, std::size_t limit) const
    {
        while (pos < text_.size() && pos <= limit) {
            const Unit c = text_[pos];
            if (c == Unit('\n'))
                return pos;
            if (c == Unit(';'))
                return LineEnd(pos);
            if (c == Unit('"')) {
                pos = SkipQuoted(pos + 1);
            } else if (c == Unit('\\')) {
                std::size_t next = 0;
                if (ScanBackslash(pos, next) == Backslash::EndOfText)
                    return text_.size();
                pos = next;
            } else {
                pos += (ClassOf(c) & inf::LeadByte) != 0 ? Width(pos) : 1;
            }
        }
        return pos;
    }
    // ReadQuoted without the reading.
    std::size_t SkipQuoted(std::size_t pos) const
    {
        while (pos < text_.size()) {
            const Unit c = text_[pos];
            if (c == Unit('\n'))
                return pos;
            if (c == Unit('"')) {
                if (pos + 1 < text_.size() && text_[pos + 1] == c) {
                    pos += 2;
                    continue;
                }
                return pos + 1;
            }
            pos += (ClassOf(c) & inf::LeadByte) != 0 ? Width(pos) : 1;
        }
        return pos;
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
        // Most keys and fields are one run of plain characters, with nothing but blanks of one unit
        // around it, before their delimiter or the line end; the rest take the general way below.
        const Unit* const text = text_.data(); // a NUL follows the last unit
        std::size_t first = pos;
        while (ClassOf(text[first]) == inf::Blank) ++first;
        const std::size_t firstRun = PlainRunEnd(first);
        if (firstRun != first) {
            std::size_t after = firstRun;
            while (ClassOf(text[after]) == inf::Blank) ++after; // a '\r' before the '\n' too
            const Unit next = text[after];
            if (next == Unit(',') || (next == Unit('=') && keyAllowed) || next == Unit('\n')) {
                AppendPlain(first, firstRun);
                pos = next == Unit('\n') ? after : after + 1;
                return next == Unit('\n')  ? Delimiter::LineEnd
                       : next == Unit(',') ? Delimiter::Comma
                                           : Delimiter::Equals;
            }
        }
        bool leading = true;
        std::size_t blanks = NoBlanks;
        const auto keepBlanks = [&]() {
            if (blanks != NoBlanks)
                Append(blanks, pos);
            blanks = NoBlanks;
        };
        while (pos < text_.size()) {
            const std::size_t run = PlainRunEnd(pos);
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
            const std::size_t width = (characterClass & inf::LeadByte) != 0 ? Width(pos) : 1;
            if ((characterClass & inf::Blank) != 0 || c == Unit('\0') || (width > 1 && IsBlankAt(pos, width))) {
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
            while ((ClassOf(text_.data()[run]) & (inf::QuoteEnd | inf::LeadByte)) == 0) ++run;
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
        if constexpr (inf::IsAnsi<Unit>) {
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
