// The scrambled password form.
#include "archive/password.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(ScramblePassword, RoundTripsWhateverKeyIsDrawn)
{
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte += static_cast<char>(c);
    const std::string plains[] = {"a", "secret", "\xcf\xe0\xf0\xee\xeb\xfc" /* "Пароль" in 1251 */,
                                  everyByte.substr(0, 127)};
    for (const std::string& plain : plains) {
        for (int round = 0; round < 20; ++round) {
            const std::string scrambled = ScramblePassword(plain);
            ASSERT_EQ(scrambled.size(), 1 + 2 + 2 * plain.size());
            EXPECT_EQ(scrambled[0], '#');
            EXPECT_EQ(scrambled.find_first_not_of("0123456789ABCDEF", 1), std::string::npos) << scrambled;
            EXPECT_EQ(UnscramblePassword(scrambled), plain);
        }
    }
    for (int key = 1; key <= 254; ++key)
        EXPECT_EQ(UnscramblePassword(ScramblePassword(everyByte.substr(0, 127), key)), everyByte.substr(0, 127));
}

TEST(ScramblePassword, KeysAreDrawnFrom1To254)
{
    std::set<int> keys;
    for (int i = 0; i < 2000; ++i) {
        const int key = std::stoi(ScramblePassword("x").substr(1, 2), nullptr, 16);
        ASSERT_GE(key, 1);
        ASSERT_LE(key, 254);
        keys.insert(key);
    }
    EXPECT_GT(keys.size(), 100u); // not one fixed key
}

TEST(ScramblePassword, KnownForm)
{
    // key 0x5A: 'a' (0x61) ^ 0x5A = 0x3B, 'b' (0x62) ^ 0x5A = 0x38
    EXPECT_EQ(ScramblePassword("ab", 0x5A), "#5A3B38");
    EXPECT_EQ(UnscramblePassword("#5a3b38"), "ab"); // lower-case digits read too
}

TEST(UnscramblePassword, EdgeCases)
{
    const struct {
        std::string Text;
        std::string Plain;
    } cases[] = {
        {"", ""},
        {"plain", "plain"},     // not scrambled: unchanged
        {"x#5A3B", "x#5A3B"},
        {"#", ""},
        {"#5", ""},             // a single digit
        {"#5A", ""},            // the key alone
        {"#5A3B3", "a"},        // an odd last digit is ignored
        {"#5A3B38", "ab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnscramblePassword(c.Text), c.Plain) << c.Text;
    EXPECT_EQ(ScramblePassword(""), "");
}

TEST(UnscramblePassword, ReadsEveryPairOfALongPassword)
{
    const std::string plain(200, 'q');
    const std::string scrambled = ScramblePassword(plain, 7);
    ASSERT_EQ(scrambled.size(), 3u + 400u);
    EXPECT_EQ(UnscramblePassword(scrambled), plain);
}
