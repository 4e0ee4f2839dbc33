// Tests of the word-at-a-time byte search, against the library's search.
#include "package/TextSearch.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextSearch, FindsWhatAStringSearchFinds)
{
    // Every length up to a block of four words and one word more and past it, the byte at each
    // place or absent, alone or with a second one last, among bytes one bit away from it, with
    // the high bit set, or NUL; searched from several starts.
    for (const char filler : {'x', '^', 'O', '\xDF', '\x80', '\xFF', '\0'})
        for (std::size_t length = 0; length <= 45; ++length)
            for (std::size_t at = 0; at <= length; ++at)
                for (const bool second : {false, true}) {
                    std::string text(length, filler);
                    // UTF-16 units: the byte's own value, and the byte as the unit's high half.
                    std::u16string units(length, static_cast<char16_t>(static_cast<unsigned char>(filler)));
                    std::u16string high(length, static_cast<char16_t>(static_cast<unsigned char>(filler) << 8 | '['));
                    for (const std::size_t place : {at, second ? length - 1 : length})
                        if (place < length) {
                            text[place] = '_';
                            units[place] = high[place] = u'[';
                        }
                    for (const std::size_t from : {std::size_t{0}, at / 2, at, at + 1, length + 1}) {
                        EXPECT_EQ(FindInText(text, '_', from), std::string_view(text).find('_', from))
                            << "length " << length << ", at " << at << ", from " << from << ", filler " << int(filler);
                        EXPECT_EQ(FindInText(units, u'[', from), std::u16string_view(units).find(u'[', from));
                        EXPECT_EQ(FindInText(high, u'[', from), std::u16string_view(high).find(u'[', from));
                    }
                }
}
