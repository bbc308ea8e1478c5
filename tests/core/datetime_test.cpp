// TDateTime: calendar conversion, the text forms the user interface shows,
// and the forms a date-time text may take when read.
#include "core/datetime.h"
#include "core/errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// An independent day count (Howard Hinnant's days_from_civil, proleptic
// Gregorian), used to check EncodeDate without using its own inverse.
int64_t RefDaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int64_t RefDelphiDay(int y, int m, int d)
{
    return RefDaysFromCivil(y, m, d) - RefDaysFromCivil(1899, 12, 30);
}

struct TParts {
    int y, m, d, h, n, s;
};

void ExpectParts(TDateTime v, const TParts& e, const std::string& what)
{
    const TDateTimeParts p = DecodeDateTime(v);
    EXPECT_EQ(p.Year, e.y) << what;
    EXPECT_EQ(p.Month, e.m) << what;
    EXPECT_EQ(p.Day, e.d) << what;
    EXPECT_EQ(p.Hour, e.h) << what;
    EXPECT_EQ(p.Minute, e.n) << what;
    EXPECT_EQ(p.Second, e.s) << what;
}

} // namespace

// ------------------------------------------------------------ calendar

TEST(DateTimeCalendar, KnownDayNumbers)
{
    // Delphi's fixed points: the epoch, 1.1.1900, 1.1.2000, MinDateTime, MaxDateTime.
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    // Before the epoch the fraction counts forward from that day's midnight.
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0), -1.25);
    EXPECT_EQ(EncodeDateTime(1899, 12, 30, 18, 0, 0), 0.75);
}

TEST(DateTimeCalendar, LeapYearsAndMonthLengths)
{
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2004));
    EXPECT_TRUE(IsLeapYear(1600));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2007));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2007, 4), 30);
    EXPECT_EQ(DaysInMonth(2007, 12), 31);
    EXPECT_EQ(DaysInMonth(2007, 0), 0);
    EXPECT_EQ(DaysInMonth(2007, 13), 0);
}

TEST(DateTimeCalendar, EncodeRefusesValuesOutOfRange)
{
    TDateTime r = 123;
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, r));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, r));
    EXPECT_FALSE(TryEncodeDate(2007, 0, 1, r));
    EXPECT_FALSE(TryEncodeDate(2007, 13, 1, r));
    EXPECT_FALSE(TryEncodeDate(2007, 2, 29, r));
    EXPECT_FALSE(TryEncodeDate(2007, 4, 31, r));
    EXPECT_FALSE(TryEncodeDate(2007, 1, 0, r));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, r));
    EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, r));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, r));
    EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, r));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, r));
    EXPECT_EQ(r, 123) << "a failed Try leaves the result alone";
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, r));
    EXPECT_TRUE(TryEncodeTime(23, 59, 59, 999, r));
    EXPECT_THROW(EncodeDate(2007, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0), EConvertError);
}

// Every day of the critical years, and every 13th day over 1..9999 with a
// time of day that changes from day to day: the day number agrees with an
// independent count, and Decode gives back exactly what went in.
TEST(DateTimeCalendar, EncodeDecodeRoundTripExactToTheSecond)
{
    int checked = 0;
    auto check = [&](int y, int m, int d, int h, int n, int s) {
        const TDateTime v = EncodeDateTime(y, m, d, h, n, s);
        ASSERT_EQ(DateTimeDays(v), RefDelphiDay(y, m, d)) << y << "-" << m << "-" << d;
        const TDateTimeParts p = DecodeDateTime(v);
        ASSERT_TRUE(p.Year == y && p.Month == m && p.Day == d && p.Hour == h && p.Minute == n &&
                    p.Second == s && p.MilliSecond == 0)
            << "in " << y << "-" << m << "-" << d << " " << h << ":" << n << ":" << s << " out " << p.Year
            << "-" << p.Month << "-" << p.Day << " " << p.Hour << ":" << p.Minute << ":" << p.Second << "."
            << p.MilliSecond;
        ++checked;
    };
    const int criticalYears[] = {1, 2, 4, 99, 100, 400, 1582, 1600, 1700, 1898, 1899, 1900, 1901,
                                 1970, 1999, 2000, 2001, 2038, 2100, 2400, 9998, 9999};
    const TParts times[] = {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 1}, {0, 0, 0, 12, 0, 0},
                            {0, 0, 0, 23, 59, 59}, {0, 0, 0, 6, 30, 15}};
    for (int y : criticalYears)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInMonth(y, m); ++d)
                for (const TParts& t : times)
                    check(y, m, d, t.h, t.n, t.s);
    int i = 0;
    for (int y = 1; y <= 9999; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInMonth(y, m); ++d)
                if (++i % 13 == 0) {
                    const int sec = static_cast<int>(static_cast<int64_t>(i) * 7919 % 86400);
                    check(y, m, d, sec / 3600, sec / 60 % 60, sec % 60);
                }
    EXPECT_GT(checked, 300000);
}

TEST(DateTimeCalendar, DecodeRoundsToTheMillisecond)
{
    const TDateTime v = EncodeDateTime(2007, 3, 5, 14, 2, 9, 999);
    const TDateTimeParts p = DecodeDateTime(v);
    EXPECT_EQ(p.Second, 9);
    EXPECT_EQ(p.MilliSecond, 999);
    ExpectParts(EncodeDate(2007, 3, 5) + 0.99999999999, {2007, 3, 6, 0, 0, 0}, "rounds into the next day");
}

TEST(DateTimeCalendar, DaysTruncateTowardZero)
{
    EXPECT_EQ(DateTimeDays(0.9), 0);
    EXPECT_EQ(DateTimeDays(-0.9), 0);
    EXPECT_EQ(DateTimeDays(-1.5), -1);
    EXPECT_EQ(DateTimeDays(39146.58), 39146);
}

// ------------------------------------------------------------ to text

TEST(DateTimeFormat, ThePatternsOfTheProgram)
{
    struct Case {
        TDateTime value;
        const char* pattern;
        const char* expected;
    };
    const TDateTime v = EncodeDateTime(2007, 3, 5, 14, 2, 9);
    const TDateTime early = EncodeDateTime(2007, 3, 5, 4, 2, 9);
    const TDateTime fraction = EncodeDateTime(2007, 3, 5, 14, 2, 9, 999);
    const TDateTime old = EncodeDateTime(1812, 9, 7, 23, 59, 58);
    const Case cases[] = {
        {v, "dd.mm.yyyy hh:nn:ss", "05.03.2007 14:02:09"},
        {v, "yyyy-mm-dd hh-nn-ss", "2007-03-05 14-02-09"},
        {v, "YYYYMMDDHHnnSS", "20070305140209"},
        {early, "dd.mm.yyyy hh:nn:ss", "05.03.2007 04:02:09"},
        {early, "yyyy-mm-dd hh-nn-ss", "2007-03-05 04-02-09"},
        {early, "YYYYMMDDHHnnSS", "20070305040209"},
        {fraction, "dd.mm.yyyy hh:nn:ss", "05.03.2007 14:02:09"}, // fractions dropped
        {old, "dd.mm.yyyy hh:nn:ss", "07.09.1812 23:59:58"},
        {old, "YYYYMMDDHHnnSS", "18120907235958"},
        {0.0, "dd.mm.yyyy hh:nn:ss", "30.12.1899 00:00:00"},
        {EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59), "dd.mm.yyyy hh:nn:ss", "31.12.9999 23:59:59"},
        {EncodeDate(1, 1, 1), "dd.mm.yyyy hh:nn:ss", "01.01.0001 00:00:00"},
        {v, "h:nn:ss", "14:02:09"},
        {early, "h:nn:ss", "4:02:09"},
        {v, "hh:mm", "14:02"}, // m right after an hour token is minutes
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(c.pattern, c.value), c.expected) << c.pattern;
}

TEST(DateTimeFormat, DateTimeToStrRule)
{
    struct Case {
        TDateTime value;
        const char* expected;
    };
    const Case cases[] = {
        {0.0, "0:00:00"},                                        // below 1: time alone
        {0.5, "12:00:00"},
        {EncodeTime(9, 5, 3), "9:05:03"},
        {0.999988425925926, "23:59:59"},
        {EncodeDate(2007, 3, 5), "05.03.2007"},                  // whole: date alone
        {1.0, "31.12.1899"},
        {EncodeDateTime(2007, 3, 5, 14, 2, 9), "05.03.2007 14:02:09"}, // else both
        {EncodeDateTime(2007, 3, 5, 4, 2, 9), "05.03.2007 4:02:09"},
        {EncodeDateTime(2007, 3, 5, 0, 0, 1), "05.03.2007 0:00:01"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateTimeToStr(c.value), c.expected) << c.value;
    EXPECT_EQ(DateToStr(EncodeDateTime(2007, 3, 5, 14, 2, 9)), "05.03.2007");
    EXPECT_EQ(TimeToStr(EncodeDateTime(2007, 3, 5, 14, 2, 9)), "14:02:09");
}

// ------------------------------------------------------------ from text

struct TAccepted {
    const char* text;
    TParts parts;
};

class DateTimeAccepted : public testing::TestWithParam<TAccepted> {};

TEST_P(DateTimeAccepted, Converts)
{
    const TAccepted& c = GetParam();
    TDateTime v = -777;
    ASSERT_TRUE(TryStrToDateTime(c.text, v)) << '"' << c.text << '"';
    ExpectParts(v, c.parts, c.text);
    EXPECT_EQ(StrToDateTime(c.text), v);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DateTimeAccepted,
    testing::Values(TAccepted{"05.03.2007 14:02:09", {2007, 3, 5, 14, 2, 9}},
                    TAccepted{"5.3.2007", {2007, 3, 5, 0, 0, 0}},
                    TAccepted{"05.03.2007", {2007, 3, 5, 0, 0, 0}},
                    TAccepted{"5.03.2007 4:2", {2007, 3, 5, 4, 2, 0}},
                    TAccepted{"05.3.2007 4:2:9", {2007, 3, 5, 4, 2, 9}},
                    TAccepted{"05.03.2007 14:02", {2007, 3, 5, 14, 2, 0}},
                    TAccepted{" 05.03.2007 14:02:09", {2007, 3, 5, 14, 2, 9}},
                    TAccepted{"   05.03.2007 14:02:09   ", {2007, 3, 5, 14, 2, 9}},
                    TAccepted{"05.03.2007   14:02:09", {2007, 3, 5, 14, 2, 9}},
                    TAccepted{"29.02.2000 00:00:00", {2000, 2, 29, 0, 0, 0}},
                    TAccepted{"29.02.2004", {2004, 2, 29, 0, 0, 0}},
                    TAccepted{"31.12.9999 23:59:59", {9999, 12, 31, 23, 59, 59}},
                    TAccepted{"01.01.0001 00:00:00", {1, 1, 1, 0, 0, 0}},
                    TAccepted{"07.09.1812 06:30:00", {1812, 9, 7, 6, 30, 0}},
                    TAccepted{"30.12.1899 00:00:00", {1899, 12, 30, 0, 0, 0}},
                    TAccepted{"14:02:09", {1899, 12, 30, 14, 2, 9}},
                    TAccepted{"14:02", {1899, 12, 30, 14, 2, 0}},
                    TAccepted{"4:2", {1899, 12, 30, 4, 2, 0}},
                    TAccepted{" 23:59:59 ", {1899, 12, 30, 23, 59, 59}},
                    TAccepted{"0:0", {1899, 12, 30, 0, 0, 0}}));

TEST(DateTimeParse, TimeAloneIsBelowOne)
{
    TDateTime v = -1;
    ASSERT_TRUE(TryStrToDateTime("12:00", v));
    EXPECT_EQ(v, 0.5);
    ASSERT_TRUE(TryStrToDateTime("05.03.2007", v));
    EXPECT_EQ(v, EncodeDate(2007, 3, 5));
    ASSERT_TRUE(TryStrToDateTime("29.12.1899 06:00", v));
    EXPECT_EQ(v, -1.25);
}

class DateTimeRefused : public testing::TestWithParam<const char*> {};

TEST_P(DateTimeRefused, Fails)
{
    const std::string text = GetParam();
    TDateTime v = 42;
    EXPECT_FALSE(TryStrToDateTime(text, v)) << '"' << text << '"';
    try {
        StrToDateTime(text);
        ADD_FAILURE() << "no exception for \"" << text << '"';
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find('"' + text + '"'), std::string::npos)
            << "the message names the text: " << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, DateTimeRefused,
                         testing::Values("", "   ", "29.02.2007", "29.02.1900 12:00:00", "31.04.2007",
                                         "32.01.2007", "00.01.2007", "01.13.2007", "01.00.2007",
                                         "24:00", "24:00:00", "05.03.2007 24:00:00", "12:60",
                                         "12:00:60", "05.03.07", "05.03.07 14:02:09", "5.3.207",
                                         "05.03.20070", "05.03.2007x", "05.03.2007 14:02:09x",
                                         "05.03.2007 14:02:09 x", "05.03.2007 14", "05.03.",
                                         "05.03", "05-03-2007", "abc", "1:2:3:4", "12:", ":30",
                                         "05.03.2007T14:02:09", "005.03.2007", "05.003.2007",
                                         "01.01.0000"));

// The writer's form reads back to the same text.
TEST(DateTimeParse, WrittenFormRoundTrip)
{
    for (int i = 0; i < 2000; ++i) {
        const int y = 1 + (i * 4999) % 9999, m = 1 + i % 12, d = 1 + (i * 7) % DaysInMonth(y, m);
        const int sec = static_cast<int>(static_cast<int64_t>(i) * 7919 % 86400);
        const TDateTime v = EncodeDateTime(y, m, d, sec / 3600, sec / 60 % 60, sec % 60);
        const std::string text = FormatDateTime("dd.mm.yyyy hh:nn:ss", v);
        TDateTime back = 0;
        ASSERT_TRUE(TryStrToDateTime(text, back)) << text;
        EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", back), text);
        EXPECT_NEAR(back, v, 1e-9) << text;
    }
}
