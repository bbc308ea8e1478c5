// The column model (sets found by position and by key) and the order the
// list takes when sorted by a column.
#include "container/mjpgreader.h"
#include "core/cp1251.h"
#include "manager/listcolumns.h"
#include "manager/listsort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ListColumnsTest, ASecondDescriptionWithATakenIndexOrKeyIsCountedButNotReached)
{
    TListColumnsInfo set;
    set.Add({2, "first", "A", -1});
    set.Add({2, "second", "B", -2}); // index taken
    set.Add({3, "third", "A", 40});  // key taken
    EXPECT_EQ(set.Count(), 3u);
    ASSERT_NE(set.ByIndex(2), nullptr);
    EXPECT_EQ(set.ByIndex(2)->Caption, "first");
    EXPECT_EQ(set.ByKey("A")->Caption, "first");
    EXPECT_EQ(set.ByKey("B")->Caption, "second");
    EXPECT_EQ(set.ByIndex(3)->Caption, "third");
    EXPECT_EQ(set.ByIndex(0), nullptr);
    EXPECT_EQ(set.ByKey("a"), nullptr); // keys are case-sensitive
}

TEST(ListColumnsTest, TheSetKeepsItsOwnCopies)
{
    TListColumnsInfo set;
    TListColumnInfo info(0, "Камера", "CAMERA", -1);
    set.Add(info);
    info.Caption = "changed";
    EXPECT_EQ(set.ByKey("CAMERA")->Caption, "Камера");
}

TEST(ListColumnsTest, StandardSets)
{
    TListColumnsInfo list, properties;
    AddStandardListColumns(list);
    AddStandardPropertyRows(properties);
    const std::vector<std::string> listKeys = {"EVENT", "CAMERA", "ISSUE", "BEGIN", "END"};
    const std::vector<std::string> rowKeys = {"EVENT", "CAMERA",     "ISSUE", "BEGIN", "END",
                                              "RESOLUTION", "FPS", "FRAMES", "SN"};
    ASSERT_EQ(list.Count(), listKeys.size());
    for (size_t i = 0; i < listKeys.size(); ++i) {
        EXPECT_EQ(list.ByIndex(static_cast<int32_t>(i))->Key, listKeys[i]);
        EXPECT_EQ(list.ByIndex(static_cast<int32_t>(i))->Width, listKeys[i] == "ISSUE" ? -2 : -1);
    }
    ASSERT_EQ(properties.Count(), rowKeys.size());
    for (size_t i = 0; i < rowKeys.size(); ++i)
        EXPECT_EQ(properties.ByIndex(static_cast<int32_t>(i))->Key, rowKeys[i]);
    EXPECT_EQ(list.ByKey("SN"), nullptr);
    EXPECT_EQ(properties.ByKey("TYPE"), nullptr);
    EXPECT_EQ(list.ByIndex(0)->Caption, "Дата/Время");
    EXPECT_EQ(properties.ByIndex(7)->Caption, "Кол.кадров");
    EXPECT_EQ(properties.ByIndex(8)->Caption, "Серийный номер");
}

TEST(ListSortTest, KeyTypes)
{
    for (const char* key : {"SN", "ISSUE", "FPS", "FRAMES"})
        EXPECT_EQ(SortKeyTypeOf(key), TSortKeyType::Integer) << key;
    for (const char* key : {"CAMERA", "RESOLUTION", "TYPE"})
        EXPECT_EQ(SortKeyTypeOf(key), TSortKeyType::Text) << key;
    for (const char* key : {"EVENT", "BEGIN", "END"})
        EXPECT_EQ(SortKeyTypeOf(key), TSortKeyType::DateTime) << key;
    EXPECT_EQ(SortKeyTypeOf("camera"), TSortKeyType::None);
    EXPECT_EQ(SortKeyTypeOf(""), TSortKeyType::None);
}

TEST(ListSortTest, TextsCompareAsCodePage1251Bytes)
{
    const auto cp = [](const char* utf8) { return Utf8ToCp1251(utf8); };
    struct TCase {
        std::string Less, Greater;
    };
    const TCase cases[] = {
        {"Z", "a"},                   // capitals before small letters
        {"z", cp("А")},               // Latin before Cyrillic
        {cp("Ё"), cp("А")},           // Ё (0xA8) before А (0xC0)
        {cp("ё"), cp("А")},           // ё (0xB8) too
        {"K10", "K2"},                // digits are characters
        {"Gate", "Gate 1"},           // a proper prefix first
        {cp("Вход"), cp("Выход")},
    };
    for (const TCase& c : cases) {
        EXPECT_LT(CompareCp1251(c.Less, c.Greater), 0) << c.Less << " < " << c.Greater;
        EXPECT_GT(CompareCp1251(c.Greater, c.Less), 0);
    }
    EXPECT_EQ(CompareCp1251("Gate", "Gate"), 0);
}

TEST(ListSortTest, IntegerTexts)
{
    struct TCase {
        const char* Text;
        bool Ok;
        int32_t Value;
    };
    const TCase cases[] = {
        {"12", true, 12},       {"  7", true, 7},       {"-3", true, -3},        {"+4", true, 4},
        {"2147483647", true, INT32_MAX},                {"2147483648", false, 0}, {"", false, 0},
        {"12a", false, 0},      {"1 2", false, 0},      {"- 1", false, 0},       {"x", false, 0},
        {"7 ", false, 0},       {"+-5", false, 0},      {"-2147483648", true, INT32_MIN},
    };
    for (const TCase& c : cases) {
        int32_t value = -99;
        EXPECT_EQ(TryMJPGIntValue(c.Text, value), c.Ok) << '"' << c.Text << '"';
        if (c.Ok) {
            EXPECT_EQ(value, c.Value) << c.Text;
        }
    }
}

TEST(ListSortTest, RowOrders)
{
    using V = std::vector<size_t>;
    struct TCase {
        const char* Name;
        std::vector<std::string> Cells;
        TSortKeyType Type;
        bool Ascending;
        V Order;
    };
    const TCase cases[] = {
        {"numbers up", {"7", "3", "12"}, TSortKeyType::Integer, true, {1, 0, 2}},
        {"numbers down", {"7", "3", "12"}, TSortKeyType::Integer, false, {2, 0, 1}},
        {"numbers, not as texts", {"10", "9", "100"}, TSortKeyType::Integer, true, {1, 0, 2}},
        {"texts as bytes", {"K2", "K10", "a", "B"}, TSortKeyType::Text, true, {3, 1, 0, 2}},
        {"equal keys keep their order", {"B", "A", "B", "A"}, TSortKeyType::Text, true, {1, 3, 0, 2}},
        {"equal keys keep their order going down", {"B", "A", "B", "A"}, TSortKeyType::Text, false, {0, 2, 1, 3}},
        {"full date-times",
         {"16.11.2007 8:00:00", "15.11.2007 23:00:00", "15.11.2007 9:00:00"},
         TSortKeyType::DateTime, true, {2, 1, 0}},
        {"times of day alone", {"23:00:00", "8:00:00", "8:00:01"}, TSortKeyType::DateTime, true, {1, 2, 0}},
        {"unconverted rows go last, in order", {"x", "5", "", "1"}, TSortKeyType::Integer, true, {3, 1, 0, 2}},
        {"unconverted rows go last going down too", {"x", "5", "", "1"}, TSortKeyType::Integer, false, {1, 3, 0, 2}},
        {"no date", {"yesterday", "1.1.2007"}, TSortKeyType::DateTime, true, {1, 0}},
        {"a column that does not sort", {"b", "a"}, TSortKeyType::None, true, {0, 1}},
        {"no rows", {}, TSortKeyType::Integer, true, {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(SortedRowOrder(c.Cells, c.Type, c.Ascending), c.Order) << c.Name;
}
