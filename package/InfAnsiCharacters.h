// The ANSI code page's bytes as the INF lexer sees them.
#pragma once
#include "package/InfFile.h"
#include "package/InfText.h"

// The ANSI code page's bytes as the lexer sees them, found once per file: the lead bytes, and
// the bytes and double-byte characters that convert to Unicode white space.
class InfFile::AnsiCharacters {
public:
    explicit AnsiCharacters(TextCodePage& codePage) : codePage_(codePage), classes_(inf::LowClasses)
    {
        std::string single;
        for (unsigned byte = 0x80; byte < 0x100; ++byte) {
            classes_[byte] = inf::Plain;
            if (codePage.IsLeadByte(static_cast<unsigned char>(byte)))
                classes_[byte] = inf::LeadByte;
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
            if (inf::IsUnicodeBlank(units[i]))
                classes_[static_cast<unsigned char>(single[i])] = inf::Blank;
    }

    const std::array<std::uint8_t, 256>& Classes() const { return classes_; }

    // Found on the first double-byte character: the candidates are what the code page turns
    // Unicode white space into, checked on the way back.
    bool IsBlankPair(char lead, char trail)
    {
        if (!pairsFound_) {
            pairsFound_ = true;
            for (const char16_t blank : inf::UnicodeBlanksAboveAscii) {
                const std::string bytes = codePage_.FromUtf16(std::u16string(1, blank));
                if (bytes.size() != 2 || (classes_[static_cast<unsigned char>(bytes[0])] & inf::LeadByte) == 0)
                    continue;
                const std::u16string back = codePage_.ToUtf16(bytes);
                if (back.size() == 1 && inf::IsUnicodeBlank(back[0]) && pairCount_ < MaxPairs)
                    blankPairs_[pairCount_++] = Pair(bytes[0], bytes[1]);
            }
        }
        return std::find(blankPairs_, blankPairs_ + pairCount_, Pair(lead, trail)) != blankPairs_ + pairCount_;
    }

private:
    static constexpr std::size_t MaxPairs = std::size(inf::UnicodeBlanksAboveAscii);
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
