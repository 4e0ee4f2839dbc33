// Tests of the word-at-a-time byte search, against the library's search.
#include "package/ShortTextSearch.h"

#include <gtest/gtest.h>

#include <string>

TEST(ShortTextSearch, FindsWhatAStringSearchFinds)
{
    // Every length up to three words and past it, the byte at each place or absent, among bytes
    // one bit away from it, with the high bit set, or NUL; searched from several starts.
    for (const char filler : {'x', '^', 'O', '\xDF', '\x80', '\xFF', '\0'})
        for (std::size_t length = 0; length <= 26; ++length)
            for (std::size_t at = 0; at <= length; ++at) {
                std::string text(length, filler);
                if (at < length)
                    text[at] = '_';
                for (const std::size_t from : {std::size_t{0}, at / 2, at, at + 1, length + 1})
                    EXPECT_EQ(FindInShortText(text, '_', from), std::string_view(text).find('_', from))
                        << "length " << length << ", at " << at << ", from " << from << ", filler " << int(filler);
            }
}
