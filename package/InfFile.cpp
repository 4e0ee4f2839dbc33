// The INF reader: opening a file and the SetupAPI-shaped calls on it.
#include "package/InfFile.h"

#include <algorithm>
#include <limits>
#include <new>
#include <type_traits>

#include "package/InfAnsiCharacters.h"
#include "package/InfBuilder.h"
#include "package/InfEncoding.h"
#include "package/InfLexer.h"
#include "package/InfReader.h"
#include "package/InfText.h"
#include "package/InfValues.h"
#include "package/TextSearch.h"

InfFile::InfFile(TextCodePage& codePage, const InfOpenOptions& options)
    : codePage_(codePage), preferLocalizedStrings_(options.preferLocalizedStrings), userLanguage_(options.userLanguage),
      windowsFolder_(options.windowsFolder), systemFolder_(options.systemFolder)
{
}

std::unique_ptr<InfFile> InfFile::Open(FileSystem& files, TextCodePage& codePage, const std::string& path,
                                       const InfOpenOptions& options)
{
    // The package's INF and every file of the INF folders are read here: one too large for the
    // memory left is passed over as an unreadable one, never the end of the program.
    std::string bytes;
    try {
        if (!files.ReadAll(path, bytes))
            return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
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
        file->infFolder_ = inf::FolderOf(path, codePage);
        // Everything from the first Ctrl-Z on is not part of the file.
        const auto textEnd = [](const auto& text) {
            using Unit = typename std::remove_reference_t<decltype(text)>::value_type;
            if constexpr (inf::IsAnsi<Unit>)
                return std::min(FindInText(text, inf::ControlZ), text.size());
            else
                return std::min(text.find(static_cast<Unit>(inf::ControlZ)), text.size());
        };
        const auto lex = [&file](auto& text, std::size_t end, AnsiCharacters* ansi) {
            using Unit = typename std::remove_reference_t<decltype(text)>::value_type;
            // The lexer's end mark: the string's own terminator, the Ctrl-Z the text stops at, or
            // the unit after a UTF-16 text.
            text.data()[end] = Unit(0);
            Builder builder(*file);
            Lexer<Unit> lexer(text.data(), end, file->sectionNames_, builder, ansi);
            return lexer.FindSections() && builder.Finish(end);
        };
        bool loaded = false;
        // Only a byte order mark makes a file Unicode; the platform never reads an odd-sized
        // file as UTF-16.
        const std::string_view view = bytes;
        const bool utf16 = bytes.size() % 2 == 0 && view.substr(0, 2) == "\xFF\xFE";
        const bool utf8 = !utf16 && bytes.size() > 3 && view.substr(0, 3) == "\xEF\xBB\xBF";
        file->unicodeFile_ = utf16 || utf8;
        if (utf8 && IsWellFormedUtf8(view.substr(3))) {
            file->encoding_ = Encoding::Utf8;
            file->byteText_ = std::move(bytes.erase(0, 3));
            loaded = lex(file->byteText_, textEnd(file->byteText_), nullptr);
        } else if (utf16) {
            file->encoding_ = Encoding::Utf16;
            file->byteText_ = std::move(bytes);
            file->unicodeText_ = Utf16LeTextInPlace(file->byteText_);
            loaded = lex(file->unicodeText_, file->unicodeText_.size(), nullptr);
        } else if (utf8) {
            file->encoding_ = Encoding::Utf16;
            file->decodedText_ = DecodeUtf8(view.substr(3));
            std::string().swap(bytes);
            file->unicodeText_ = std::span<char16_t>(file->decodedText_).first(textEnd(file->decodedText_));
            loaded = lex(file->unicodeText_, file->unicodeText_.size(), nullptr);
        } else {
            file->ansi_ = std::make_unique<AnsiCharacters>(codePage);
            file->byteClasses_ = file->ansi_->Classes();
            file->byteText_ = std::move(bytes);
            loaded = lex(file->byteText_, textEnd(file->byteText_), file->ansi_.get());
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
    // Headers with no line under them add nothing to their section.
    const Section& section = sections_[line.section_];
    for (std::uint32_t next = line.run_ + 1; next < section.firstRun + section.runCount; ++next) {
        if (runs_[next].lineCount != 0) {
            line.run_ = next;
            line.line_ = runs_[next].firstLine;
            return true;
        }
    }
    return false;
}

long InfFile::LineCount(std::string_view section) const
{
    const Section* found = Reader(*this).FindSection(section);
    if (found == nullptr)
        return -1;
    if (!ReadSectionLines(*found))
        return 0;
    long lines = 0;
    for (std::uint32_t run = found->firstRun; run < found->firstRun + found->runCount; ++run)
        lines += runs_[run].lineCount;
    return lines;
}

std::size_t InfFile::SectionTextLength(std::string_view sectionName) const
{
    const Section* section = Reader(*this).FindSection(sectionName);
    std::size_t length = 0;
    for (std::uint32_t run = section ? section->firstRun : 0; section && run < section->firstRun + section->runCount;
         ++run)
        length += runs_[run].textEnd - runs_[run].textStart;
    return length;
}

bool InfFile::VisitLines(std::string_view sectionName, void* context, bool (*visit)(void*, const InfLine&)) const
{
    const Reader reader(*this);
    const Section* section = reader.FindSection(sectionName);
    if (section == nullptr || linesLost_)
        return false;
    // A visit's substitutions read [Strings]: read here first, its lines stay below those read
    // and dropped in turn, whichever section is visited.
    reader.IndexStringsOnce();
    InfLine line;
    line.section_ = static_cast<std::uint32_t>(section - sections_.data());
    bool visiting = true;
    for (line.run_ = section->firstRun; visiting && line.run_ < section->firstRun + section->runCount; ++line.run_) {
        const Run& run = runs_[line.run_];
        if (!run.read) {
            if (!ReadRun(line, context, visit, visiting))
                return false;
            continue;
        }
        for (line.line_ = run.firstLine; line.line_ < run.firstLine + run.lineCount; ++line.line_)
            if (!visit(context, line))
                return true;
    }
    return true;
}

bool InfFile::GetStringField(const InfLine& line, unsigned index, char* buffer, std::size_t width) const
{
    return buffer != nullptr && IsValid(line) && Reader(*this).Read(line.line_, index, buffer, width);
}

bool InfFile::GetStringView(const InfLine& line, unsigned index, char* buffer, std::size_t width,
                            std::string_view& text) const
{
    std::string_view plain;
    if (buffer != nullptr && PlainField(line, index, plain)) {
        if (plain.size() > MaxReadLength || plain.size() >= width)
            return false;
        text = plain;
        return true;
    }
    if (!GetStringField(line, index, buffer, width))
        return false;
    text = buffer;
    return true;
}

// The field as the file holds it, when that is what a read would give.
inline bool InfFile::PlainField(const InfLine& line, unsigned index, std::string_view& text) const
{
    std::uint32_t token = 0;
    if (encoding_ == Encoding::Utf16 || !IsValid(line) || !RawField(line.line_, index, token))
        return false;
    const std::string_view field = std::string_view(byteText_).substr(tokenStarts_[token], tokenLengths_[token]);
    if (FindInText(field, '%') != std::string_view::npos ||
        (encoding_ == Encoding::Utf8 && !inf::Units(field).IsAscii()))
        return false;
    text = field;
    return true;
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
    return inf::ParseInteger(text, value);
}

inline bool InfFile::IsValid(const InfLine& line) const
{
    if (line.section_ >= sections_.size())
        return false;
    const Section& section = sections_[line.section_];
    if (line.run_ < section.firstRun || line.run_ - section.firstRun >= section.runCount)
        return false;
    const Run& run = runs_[line.run_];
    return line.line_ >= run.firstLine && line.line_ - run.firstLine < run.lineCount;
}

// The lines of a section are read when it is first looked up, in the text kept for them. The
// file is never const where it is made (Open and Parse make it with new), so the lookups, which
// are const, may complete it.
bool InfFile::ReadSectionLines(const Section& section) const
{
    InfFile& file = const_cast<InfFile&>(*this);
    if (file.linesLost_)
        return false;
    try {
        std::size_t units = 0;
        for (std::uint32_t run = section.firstRun; run < section.firstRun + section.runCount; ++run)
            units += runs_[run].read ? 0 : runs_[run].textEnd - runs_[run].textStart;
        // Room for typical INF text (a key or field in 8 units, a line in 16), growing as a
        // vector grows, so that the lists rarely move.
        const auto makeRoom = [](auto& list, std::size_t more) {
            if (list.capacity() < list.size() + more)
                list.reserve(std::max(list.size() + more, 2 * list.capacity()));
        };
        makeRoom(file.tokenStarts_, units / 8 + 16);
        makeRoom(file.tokenLengths_, units / 8 + 16);
        makeRoom(file.lineTokens_, units / 16 + 16);
        makeRoom(file.lineKeys_, units / 16 + 16);
    } catch (const std::bad_alloc&) {
        file.linesLost_ = true;
        return false;
    }
    InfLine line;
    for (line.run_ = section.firstRun; line.run_ < section.firstRun + section.runCount; ++line.run_) {
        bool visiting = true;
        if (!runs_[line.run_].read && !ReadRun(line, nullptr, nullptr, visiting))
            return false;
    }
    return true;
}

bool InfFile::ReadRun(InfLine& line, void* context, bool (*visit)(void*, const InfLine&), bool& visiting) const
{
    InfFile& file = const_cast<InfFile&>(*this);
    Run& run = file.runs_[line.run_];
    // Read once, whatever happens: reading writes each key and field over its text.
    run.read = true;
    bool lost = false;
    const auto read = [&](auto& text, AnsiCharacters* ansi) {
        using Unit = typename std::remove_reference_t<decltype(text)>::value_type;
        // The lexer needs a NUL after the last unit it reads; the header that stands there was
        // read at the open.
        Unit& after = text.data()[run.textEnd];
        const Unit kept = after;
        after = Unit(0);
        Builder builder(file);
        builder.BeginRun(run);
        Lexer<Unit> lexer(text.data(), run.textEnd, file.sectionNames_, builder, ansi);
        // Visited lines a few hundred at a time: their keys and fields stay in the processor's
        // cache from their reading to their visit, and are then dropped.
        constexpr std::size_t LinesAtATime = 256;
        const std::size_t tokens = tokenStarts_.size();
        std::size_t pos = run.textStart;
        for (bool more = true; more && visiting && !lost;) {
            try {
                more = lexer.ReadSomeLines(pos, visit != nullptr ? LinesAtATime : SIZE_MAX);
                builder.EndRun();
            } catch (const std::bad_alloc&) {
                lost = true;
            }
            if (visit == nullptr)
                continue;
            for (line.line_ = run.firstLine; visiting && line.line_ < run.firstLine + run.lineCount; ++line.line_)
                visiting = visit(context, line);
            // Erased rather than resized: a resize brings in the code that grows a list, which
            // nothing here needs.
            const auto truncate = [](auto& list, std::size_t size) { list.erase(list.begin() + size, list.end()); };
            truncate(file.tokenStarts_, tokens);
            truncate(file.tokenLengths_, tokens);
            truncate(file.lineTokens_, run.firstLine);
            truncate(file.lineKeys_, run.firstLine);
            run.lineCount = 0;
        }
        after = kept;
    };
    if (encoding_ == Encoding::Utf16)
        read(file.unicodeText_, nullptr);
    else
        read(file.byteText_, encoding_ == Encoding::Ansi ? file.ansi_.get() : nullptr);
    // Lines that could not be read must never pass for lines that are absent.
    file.linesLost_ = file.linesLost_ || lost;
    return !lost;
}

inline bool InfFile::RawField(std::uint32_t line, unsigned index, std::uint32_t& token) const
{
    const std::uint32_t first = lineTokens_[line];
    // A line's keys and fields end where the next line's begin: both are stored in reading order.
    const std::uint32_t end =
        line + 1 < lineTokens_.size() ? lineTokens_[line + 1] : static_cast<std::uint32_t>(tokenStarts_.size());
    const std::uint32_t count = end - first;
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
    const inf::DirectoryId* known = std::find_if(std::begin(inf::DirectoryIds), std::end(inf::DirectoryIds),
                                                 [id](const inf::DirectoryId& entry) { return entry.id == id; });
    if (known == std::end(inf::DirectoryIds)) {
        if (id < 0 || (id >= inf::FirstShellFolderId && id <= inf::LastShellFolderId) || id >= inf::FirstUserId)
            return false;
        static constexpr inf::DirectoryId Unknown = {0, inf::Base::System, "\\unknown"};
        known = &Unknown;
    }
    switch (known->base) {
    case inf::Base::Empty:
        folder.clear();
        return true;
    case inf::Base::Windows:
        folder = windowsFolder_;
        break;
    case inf::Base::System:
        folder = systemFolder_;
        break;
    case inf::Base::WindowsDrive:
        if (windowsFolder_.size() < 2 || windowsFolder_[1] != ':')
            return false;
        folder = windowsFolder_.substr(0, 2) + "\\";
        return true;
    case inf::Base::InfFolder:
        folder = infFolder_;
        break;
    case inf::Base::NotKnownHere:
        return false;
    }
    if (folder.empty())
        return false;
    folder += known->tail;
    return true;
}
