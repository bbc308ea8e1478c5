// Code page 1251 to and from UTF-8, checked against glibc's iconv.
#include "core/cp1251.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>
#include <string>

namespace {

// Converts with iconv; false when iconv refuses the input.
bool Iconv(const char* to, const char* from, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string src = in;
    char buf[64];
    char* inp = src.data();
    size_t inLeft = src.size();
    char* outp = buf;
    size_t outLeft = sizeof buf;
    const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0)
        return false;
    out.assign(buf, static_cast<size_t>(outp - buf));
    return true;
}

} // namespace

TEST(Cp1251, IconvIsAvailable)
{
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "glibc iconv has no CP1251";
    iconv_close(cd);
}

// Every one of the 256 bytes gives what iconv gives; the byte iconv has no
// character for (0x98) gives U+FFFD. UTF-8 back to 1251 gives the byte again.
TEST(Cp1251, AllBytesAgreeWithIconv)
{
    int undefined = 0;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        std::string expected;
        if (!Iconv("UTF-8", "CP1251", byte, expected)) {
            ++undefined;
            EXPECT_EQ(b, 0x98);
            EXPECT_EQ(Cp1251ToUtf8(byte), "\xEF\xBF\xBD") << "byte " << b;
            continue;
        }
        EXPECT_EQ(Cp1251ToUtf8(byte), expected) << "byte " << b;
        EXPECT_EQ(Utf8ToCp1251(expected), byte) << "byte " << b;
        std::string viaIconv;
        ASSERT_TRUE(Iconv("CP1251", "UTF-8", expected, viaIconv));
        EXPECT_EQ(viaIconv, byte);
    }
    EXPECT_EQ(undefined, 1);
}

TEST(Cp1251, WholeTextsBothWays)
{
    const std::string cp = "\xCA\xE0\xEC\xE5\xF0\xE0 3, \xB8\xA8 \xB9 \x96 \x88"; // "Камера 3, ёЁ № – €"
    const std::string utf8 = "Камера 3, ёЁ № – €";
    EXPECT_EQ(Cp1251ToUtf8(cp), utf8);
    EXPECT_EQ(Utf8ToCp1251(utf8), cp);
    EXPECT_EQ(Cp1251ToUtf8(""), "");
    EXPECT_EQ(Utf8ToCp1251(""), "");
    std::string nul("a\0b", 3);
    EXPECT_EQ(Cp1251ToUtf8(nul), nul);
    EXPECT_EQ(Utf8ToCp1251(nul), nul);
}

TEST(Cp1251, CharactersWithoutAPlaceBecomeQuestionMarks)
{
    struct Case {
        const char* utf8;
        const char* cp1251;
    };
    const Case cases[] = {
        {"\xEF\xBF\xBD", "?"},          // U+FFFD (what 0x98 reads as) has no byte
        {"\xC3\xA9", "?"},              // é
        {"\xE4\xB8\xAD", "?"},          // 中
        {"\xF0\x9F\x98\x80", "?"},      // an emoji (4 bytes)
        {"a\xC3\xA9z", "a?z"},
        {"\xD0\x96\xC3\xA9\xD0\x96", "\xC6?\xC6"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
        std::string viaIconv;
        EXPECT_FALSE(Iconv("CP1251", "UTF-8", c.utf8, viaIconv) && viaIconv == c.utf8);
    }
}

// Malformed UTF-8 becomes '?' and never a character it only pretends to be
// (overlong forms of ASCII would smuggle NUL, '/' or '.' past checks). How
// many '?' a bad sequence gives is not fixed; only '?' may come out of it.
TEST(Cp1251, MalformedUtf8BecomesQuestionMarks)
{
    struct Case {
        std::string before, bad, after;
    };
    const Case cases[] = {
        {"", "\x80", ""},                       // lone continuation byte
        {"a", "\xBF\xBF", "b"},
        {"a", "\xC3", ""},                      // truncated sequence at the end
        {"", "\xE2\x82", ""},
        {"", "\xD0", "A"},                      // lead byte without continuation
        {"", "\xFF", "x"},
        {"", "\xFE", ""},
        {"", "\xF8\x88\x80\x80\x80", ""},       // 5-byte form
        {"", std::string("\xC0\x80", 2), "z"},  // overlong NUL
        {"", "\xC1\x81", ""},                   // overlong 'A'
        {"..", "\xC0\xAF", ""},                 // overlong '/'
        {"", "\xE0\x80\xAE", ""},               // overlong '.'
        {"", "\xE0\x90\x96", ""},               // overlong U+0416 'Ж'
        {"", "\xF0\x80\x80\xAF", ""},           // overlong '/' in four bytes
        {"", "\xED\xA0\x80", ""},               // a UTF-16 surrogate
        {"", "\xF4\x90\x80\x80", ""},           // beyond U+10FFFF
    };
    for (const Case& c : cases) {
        const std::string got = Utf8ToCp1251(c.before + c.bad + c.after);
        const std::string what = testing::PrintToString(c.before + c.bad + c.after) + " gave " +
                                 testing::PrintToString(got);
        ASSERT_GT(got.size(), c.before.size() + c.after.size()) << what;
        EXPECT_EQ(got.substr(0, c.before.size()), c.before) << what;
        EXPECT_EQ(got.substr(got.size() - c.after.size()), c.after) << what;
        const std::string middle = got.substr(c.before.size(), got.size() - c.before.size() - c.after.size());
        EXPECT_EQ(middle.find_first_not_of('?'), std::string::npos) << what;
        EXPECT_LE(middle.size(), c.bad.size()) << what;
    }
}
