// The pair index against the pair match it stands for.
#include "package/HardwareIdMatch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Four (now and then three) digits from a small set, in either case.
std::string RandomIdText(std::mt19937& random)
{
    static const char Digits[] = "1aAbB";
    std::string text;
    for (std::size_t i = random() % 8 == 0 ? 1 : 0; i < 4; ++i) text += Digits[random() % 5];
    return text;
}

// IDs built from what matters to the match: both markers in both cases, followed by the list's own
// texts in the other case or by other texts, and a digit that is no hex digit or separators; most
// hold several markers, and many several of the list's pairs.
std::string RandomId(std::mt19937& random, const HardwareIdList& pairs)
{
    static const char* const Markers[] = {"VID_", "PID_", "vid_", "Pid_"};
    static const char* const Others[] = {"G", "&", "\\", "_"};
    std::string id;
    for (std::size_t n = random() % 10; n > 0; --n) {
        id += random() % 4 == 0 ? Others[random() % 4] : Markers[random() % 4];
        std::string text = RandomIdText(random);
        if (!pairs.empty() && random() % 4 != 0) {
            const HardwareIdEntry& pair = pairs[random() % pairs.size()];
            text = (random() % 2 == 0 ? pair.VidText : pair.PidText).str();
            for (char& c : text) c = static_cast<char>(c ^ 0x20 * ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')));
        }
        id += text;
    }
    return id;
}

} // namespace

// The first pair of the list that the match finds in an ID, whatever the pairs' case, repeats and
// texts that are no VID or PID.
TEST(PairIndex, FindsTheFirstPairThatTheMatchFinds)
{
    std::mt19937 random(7);
    for (int list = 0; list < 200; ++list) {
        HardwareIdList pairs;
        for (std::size_t n = random() % 12; n > 0; --n) {
            HardwareIdEntry pair;
            // Most pairs share their vendor with the one before.
            pair.VidText.Assign(pairs.empty() || random() % 4 == 0 ? RandomIdText(random)
                                                                   : pairs[pairs.size() - 1].VidText.str());
            pair.PidText.Assign(RandomIdText(random));
            pairs.Append(pair);
        }
        const PairIndex index(pairs);
        for (int i = 0; i < 200; ++i) {
            const std::string id = RandomId(random, pairs);
            std::uint32_t expected = PairIndex::NoPair;
            for (std::uint32_t p = pairs.size(); p-- > 0;)
                if (CarriesPair(id, pairs[p].VidText.view(), pairs[p].PidText.view()))
                    expected = p;
            ASSERT_EQ(index.FirstPairIn(id), expected) << id << " in list " << list;
        }
    }
}
