// The pair index against the pair match it stands for.
#include "package/HardwareIdMatch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

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

// The texts as written: the digits at both ends of each range in either case, a letter that is no
// digit, a text cut short, and an ID far longer than a hardware ID with many PIDs before its own.
TEST(PairIndex, TakesTheTextsAsFourHexDigits)
{
    std::string many = "USB\\VID_1A2B";
    for (int i = 0; i < 40; ++i) many += "&PID_" + std::to_string(1000 + i);
    const std::tuple<std::string, const char*, const char*, bool> cases[] = {
        {"USB\\VID_09AF&PID_C0DE", "09af", "C0de", true},
        {"USB\\VID_FFFF&PID_0000", "ffff", "0000", true},
        {"VID_1A2B&PID_3C4D", "1A2B", "3C4D", true}, // no enumerator before the marker
        {"USB\\VID_1A2B&PID_3C50", "1A2B", "3C4F", false},
        {"USB\\VID_1A2B&PID_3C2G", "1A2B", "3C30", false},
        {"USB\\VID_1A2B&PID_3C4", "1A2B", "3C4D", false},
        // Texts whose values would meet if a letter were read one too low, or a digit as three bits.
        {"USB\\VID_1A2B&PID_3C4D", "192B", "3C4D", false},
        {"USB\\VID_1A2B&PID_0010", "1A2B", "0008", false},
        {"USB\\VID_1A2B&PID_03C4", "1A2B", "3C4", false},
        {many + "&PID_3C4D", "1A2B", "3C4D", true},
        {many, "1A2B", "3C4D", false},
    };
    for (const auto& [id, vid, pid, carries] : cases) {
        HardwareIdList pairs;
        for (const char* other : {"3C4E", pid}) {
            HardwareIdEntry pair;
            pair.VidText.Assign(vid);
            pair.PidText.Assign(other);
            pairs.Append(pair);
        }
        EXPECT_EQ(CarriesPair(id, vid, pid), carries) << id;
        EXPECT_EQ(PairIndex(pairs).FirstPairIn(id), carries ? 1 : PairIndex::NoPair) << id;
    }
}
