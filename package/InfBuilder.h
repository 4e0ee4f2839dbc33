// Lays out what the INF lexer finds: sections merged by name, lines, keys and fields.
#pragma once
#include "package/InfFile.h"
#include "package/InfText.h"
#include "package/InfReader.h"
#include "package/StableSort.h"

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
        class NameOrder : public inf::PositionOrder {
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
        inf::SortStable(order, names);
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
