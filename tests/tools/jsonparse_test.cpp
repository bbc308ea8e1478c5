// The tests' JSON reader must refuse what is not JSON, or the output checks
// of mjpgtool would prove nothing.
#include "jsonparse.h"

#include <gtest/gtest.h>

TEST(JsonParse, RefusesWhatIsNotOneJsonValue)
{
    const char* const refused[] = {
        "",
        "{",
        "{} {}",
        "{\"a\": 1,}",
        "{\"a\": 1, \"a\": 2}",
        "[1 2]",
        "{'a': 1}",
        "\"tab\there\"",
        "\"\\x41\"",
        "\"\\ud800\"",
        "01",
        "1.",
        "-",
        "tru",
        "\"\xC0\xAF\"",     // overlong
        "\"\xED\xA0\x80\"", // surrogate
        "\"\xE2\x82\"",     // cut short
        "\"\xCA\xE0\"",     // code page 1251, not UTF-8
    };
    for (const char* text : refused)
        EXPECT_THROW(ParseJson(text), std::runtime_error) << text;
}

TEST(JsonParse, ReadsValuesAndEscapes)
{
    const TJson v = ParseJson(
        " {\"s\": \"q\\\"b\\\\c\\u0001\\u00e9\\ud83d\\ude00\xd0\x96\", \"n\": -12, \"t\": true, \"f\": false,"
        " \"a\": [], \"o\": {}, \"z\": null, \"d\": 2.5e1}\n");
    EXPECT_EQ(v["s"].StringValue, "q\"b\\c\x01\xC3\xA9\xF0\x9F\x98\x80\xD0\x96");
    EXPECT_TRUE(v["n"].IsInteger);
    EXPECT_EQ(v["n"].IntValue, -12);
    EXPECT_TRUE(v["t"].BoolValue);
    EXPECT_EQ(v["f"].Kind, TJson::Bool);
    EXPECT_FALSE(v["f"].BoolValue);
    EXPECT_TRUE(v["a"].Items.empty());
    EXPECT_EQ(v["o"].Kind, TJson::Object);
    EXPECT_EQ(v["z"].Kind, TJson::Null);
    EXPECT_FALSE(v["d"].IsInteger);
    EXPECT_EQ(v["d"].NumberValue, 25.0);
    EXPECT_EQ(v.Keys(), (std::vector<std::string>{"s", "n", "t", "f", "a", "o", "z", "d"}));
}
