// The option parser: what it reads from a command line, the Russian messages
// it refuses one with, and the help lines it writes from the same table.
#include "programinfo/options.h"

#include <gtest/gtest.h>

namespace {

constexpr TOption kOptions[] = {
    {.Name = "size", .Value = "N", .Help = "размер", .Short = 's', .Number = true, .Lowest = 1, .Highest = 1024},
    {.Name = "json", .Help = "JSON"},
    {.Name = "user", .Value = "ИМЯ", .Help = "имя пользователя\nвторая строка"},
    {.Name = "from", .Value = "N", .Help = "первый кадр", .Number = true, .Invalid = "неверный номер кадра",
     .Heading = "Для тестов:"},
};

TEST(Options, ReadsValuesSwitchesAndPositionalArguments)
{
    struct TRow {
        std::vector<std::string> Args;
        std::vector<std::string> Positional;
        std::optional<std::string> Size;
        bool Json;
        std::optional<std::string> User;
    } rows[] = {
        {{}, {}, std::nullopt, false, std::nullopt},
        {{"a", "--size", "64", "b"}, {"a", "b"}, "64", false, std::nullopt},
        {{"--size=1024", "--json"}, {}, "1024", true, std::nullopt},
        {{"-s", "8", "in", "out.png"}, {"in", "out.png"}, "8", false, std::nullopt},
        {{"--user=", "x"}, {"x"}, std::nullopt, false, ""},
        {{"--user", "--json"}, {}, std::nullopt, false, "--json"}, // a value may begin with a dash
        {{"--user", "a", "--user", "b"}, {}, std::nullopt, false, "b"}, // the last one holds
        {{"--", "--json", "-s"}, {"--json", "-s"}, std::nullopt, false, std::nullopt},
        {{"-"}, {"-"}, std::nullopt, false, std::nullopt},
    };
    for (const TRow& row : rows) {
        const TParsedArguments parsed = ParseArguments(row.Args, kOptions);
        EXPECT_EQ(parsed.Positional, row.Positional);
        EXPECT_EQ(parsed.Value("size"), row.Size);
        EXPECT_EQ(parsed.Has("json"), row.Json);
        EXPECT_EQ(parsed.Value("user"), row.User);
    }
    EXPECT_EQ(ParseArguments({"--size", "64"}, kOptions).Number("size"), 64);
    EXPECT_EQ(ParseArguments({}, kOptions).Number("size"), std::nullopt);
}

TEST(Options, RefusesWhatItDoesNotKnowWithARussianMessage)
{
    struct TRow {
        std::vector<std::string> Args;
        std::string Message;
    } rows[] = {
        {{"--xml"}, "неизвестный параметр \"--xml\""},
        {{"--xml=1"}, "неизвестный параметр \"--xml=1\""},
        {{"-x"}, "неизвестный параметр \"-x\""},
        {{"-json"}, "неизвестный параметр \"-json\""},
        {{"--size"}, "для параметра \"--size\" не указано значение"},
        {{"-s"}, "для параметра \"-s\" не указано значение"},
        {{"--json=yes"}, "параметр \"--json\" не принимает значения"},
        {{"--size", "0"}, "неверное число \"0\" в параметре --size (нужно целое число от 1 до 1024)"},
        {{"--size", "1025"}, "неверное число \"1025\" в параметре --size (нужно целое число от 1 до 1024)"},
        {{"-s", "+8"}, "неверное число \"+8\" в параметре -s (нужно целое число от 1 до 1024)"},
        {{"--size= 8"}, "неверное число \" 8\" в параметре --size (нужно целое число от 1 до 1024)"},
        {{"--size=8 "}, "неверное число \"8 \" в параметре --size (нужно целое число от 1 до 1024)"},
        {{"--size="}, "неверное число \"\" в параметре --size (нужно целое число от 1 до 1024)"},
        {{"--from", "-1"}, "неверный номер кадра \"-1\" в параметре --from (нужно целое число не меньше 0)"},
        {{"--from", "2147483648"},
         "неверный номер кадра \"2147483648\" в параметре --from (нужно целое число не меньше 0)"},
        {{"--from", "99999999999999999999"},
         "неверный номер кадра \"99999999999999999999\" в параметре --from (нужно целое число не меньше 0)"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Args.front());
        try {
            ParseArguments(row.Args, kOptions);
            ADD_FAILURE() << "accepted";
        } catch (const EUsageError& e) {
            EXPECT_EQ(std::string(e.what()), row.Message);
        }
    }
}

TEST(Options, WholeNumbers)
{
    EXPECT_EQ(ParseWholeNumber("0", 0, 10), 0);
    EXPECT_EQ(ParseWholeNumber("-5", -10, 10), -5);
    EXPECT_EQ(ParseWholeNumber("-5", 0, 10), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("11", 0, 10), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("1x", 0, 10), std::nullopt);
    EXPECT_EQ(WholeNumberOrUsageError("7", 0, 10, "неверный номер"), 7);
    try {
        WholeNumberOrUsageError("x", 0, 10, "неверный номер");
        ADD_FAILURE() << "accepted";
    } catch (const EUsageError& e) {
        EXPECT_EQ(std::string(e.what()), "неверный номер \"x\" (нужно целое число от 0 до 10)");
    }
}

TEST(Options, TheHelpLinesComeFromTheTable)
{
    EXPECT_EQ(OptionsHelp(kOptions),
              "  --size N, -s N  размер\n"
              "  --json          JSON\n"
              "  --user ИМЯ      имя пользователя\n"
              "                  вторая строка\n"
              "Для тестов:\n"
              "  --from N        первый кадр\n");
    EXPECT_EQ(OptionsHelp({}), "");
}

} // namespace
