// Lays out what the INF lexer finds: sections merged by name, lines, keys and fields.
#pragma once
#include "package/InfFile.h"
#include "package/InfText.h"
#include "package/InfReader.h"
#include "package/StableSort.h"

// Collects what the lexer finds. At the open it takes the section headers and where the text
// under each lies; the lines of a section are read into keys and fields when the section is
// first looked up, and numbered then.
class InfFile::Builder {
public:
    explicit Builder(InfFile& file) : file_(file) {}

    // The open's pass.
    bool InSection() const { return !headers_.empty(); }
    void NoteTextBeforeSection() { textBeforeSection_ = true; }
    // A header at `headerAt` whose lines start at `bodyAt`; the previous section's end there.
    void BeginSection(std::size_t nameStart, std::size_t nameLength, std::size_t headerAt, std::size_t bodyAt)
    {
        if (!headers_.empty())
            headers_.back().textEnd = static_cast<std::uint32_t>(headerAt);
        headers_.push_back({static_cast<std::uint32_t>(nameStart), static_cast<std::uint32_t>(nameLength),
                            static_cast<std::uint32_t>(bodyAt), 0});
    }

    // Merges the sections that share a name and checks what needs the whole file.
    bool Finish(std::size_t textEnd)
    {
        if (!headers_.empty())
            headers_.back().textEnd = static_cast<std::uint32_t>(textEnd);
        // Sections merged by name: the headers sorted by the hash of their names, then by the
        // names, stably, so that the runs of a merged section stay in file order. The sort by
        // hash compares integers; only headers whose names share a hash but differ, which names
        // made to collide can be, are then put in the order of their names.
        const Reader reader(file_);
        std::vector<std::uint32_t> order(headers_.size()), hashes(headers_.size());
        for (std::size_t i = 0; i < headers_.size(); ++i) {
            order[i] = static_cast<std::uint32_t>(i);
            hashes[i] = reader.Hash(Name(reader, headers_[i]));
        }
        inf::SortByValue(order, hashes);
        const auto sameName = [&reader, this](std::uint32_t a, std::uint32_t b) {
            return reader.Equal(Name(reader, headers_[a]), Name(reader, headers_[b]));
        };
        for (std::size_t first = 0, last = 0; first < order.size(); first = last) {
            bool mixed = false;
            for (last = first + 1; last < order.size() && hashes[order[last]] == hashes[order[first]]; ++last)
                mixed = mixed || !sameName(order[first], order[last]);
            if (!mixed)
                continue;
            std::vector<std::uint32_t> sameHash(order.begin() + first, order.begin() + last);
            inf::SortStable(sameHash, [&reader, this](std::uint32_t a, std::uint32_t b) {
                return reader.Compare(Name(reader, headers_[a]), Name(reader, headers_[b])) < 0;
            });
            std::copy(sameHash.begin(), sameHash.end(), order.begin() + first);
        }
        file_.sections_.reserve(order.size());
        file_.runs_.reserve(order.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            const Header& header = headers_[order[i]];
            if (i == 0 || hashes[order[i - 1]] != hashes[order[i]] || !sameName(order[i - 1], order[i]))
                file_.sections_.push_back({header.nameStart, header.nameLength, hashes[order[i]],
                                           static_cast<std::uint32_t>(file_.runs_.size()), 0});
            file_.runs_.push_back({0, 0, header.textStart, header.textEnd, false});
            ++file_.sections_.back().runCount;
        }
        std::vector<Header>().swap(headers_);
        // Like the platform's reader, text before the first section is an error unless the file
        // has a [Strings] section.
        if (textBeforeSection_ && reader.FindSection("Strings") == nullptr)
            return false;
        return reader.HasWindows4Signature();
    }

    // A later pass over the text of one run: its lines, numbered on from those read before.
    void BeginRun(Run& run)
    {
        run_ = &run;
        run.firstLine = static_cast<std::uint32_t>(file_.lineKeys_.size());
    }
    void BeginLine() { file_.lineTokens_.push_back(static_cast<std::uint32_t>(file_.tokenStarts_.size())); }
    void AddToken(std::size_t start, std::size_t length)
    {
        file_.tokenStarts_.push_back(static_cast<std::uint32_t>(start));
        file_.tokenLengths_.push_back(static_cast<std::uint16_t>(length));
    }
    void EndLine(KeyKind key) { file_.lineKeys_.push_back(key); }
    void EndRun() { run_->lineCount = static_cast<std::uint32_t>(file_.lineKeys_.size()) - run_->firstLine; }

private:
    struct Header {
        std::uint32_t nameStart;
        std::uint32_t nameLength;
        std::uint32_t textStart;
        std::uint32_t textEnd;
    };
    static inf::Units Name(const Reader& reader, const Header& header)
    {
        return reader.Name(header.nameStart, header.nameLength);
    }

    InfFile& file_;
    std::vector<Header> headers_;
    Run* run_ = nullptr;
    bool textBeforeSection_ = false;
};
