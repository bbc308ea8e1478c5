// The fragment record made from list lines.
#include "manager/fragment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "Вход" in code page 1251.
const std::string kCamera = "\xc2\xf5\xee\xe4";
const std::string kFullLine = "12|3|" + kCamera +
                              "|15.11.2007 9:48:12|15.11.2007 9:47:42|15.11.2007 9:48:42|704x576|25|750|pre";

struct TExpected {
    int32_t SerialNumber = 0, Issue = 0;
    std::string Camera;
    TDateTime EventTime = 0, BeginTime = 0, EndTime = 0;
    int32_t Width = 0, Height = 0, FPS = 0, Frames = 0;
    bool PreAlarm = false;
};

void ExpectFragment(const std::string& line, const TExpected& e)
{
    SCOPED_TRACE("line: " + line);
    const TFragment f(line);
    EXPECT_EQ(f.SerialNumber, e.SerialNumber);
    EXPECT_EQ(f.Issue, e.Issue);
    EXPECT_EQ(f.Camera, e.Camera);
    EXPECT_EQ(f.EventTime, e.EventTime);
    EXPECT_EQ(f.BeginTime, e.BeginTime);
    EXPECT_EQ(f.EndTime, e.EndTime);
    EXPECT_EQ(f.Width, e.Width);
    EXPECT_EQ(f.Height, e.Height);
    EXPECT_EQ(f.FPS, e.FPS);
    EXPECT_EQ(f.Frames, e.Frames);
    EXPECT_EQ(f.PreAlarm, e.PreAlarm);
    EXPECT_TRUE(f.Data.Empty());
    EXPECT_EQ(f.Data.Size(), 0);
}

TExpected Full()
{
    TExpected e;
    e.SerialNumber = 12;
    e.Issue = 3;
    e.Camera = kCamera;
    e.EventTime = EncodeDateTime(2007, 11, 15, 9, 48, 12);
    e.BeginTime = EncodeDateTime(2007, 11, 15, 9, 47, 42);
    e.EndTime = EncodeDateTime(2007, 11, 15, 9, 48, 42);
    e.Width = 704;
    e.Height = 576;
    e.FPS = 25;
    e.Frames = 750;
    e.PreAlarm = true;
    return e;
}

std::string Replace(std::string line, const std::string& from, const std::string& to)
{
    line.replace(line.find(from), from.size(), to);
    return line;
}

} // namespace

TEST(Fragment, TheFullLine)
{
    ExpectFragment(kFullLine, Full());
}

TEST(Fragment, TypeIsPreOnlyWhenExactlyPre)
{
    TExpected post = Full();
    post.PreAlarm = false;
    for (const char* type : {"post", "Pre", "pre ", "", "PRE"})
        ExpectFragment(Replace(kFullLine, "|pre", std::string("|") + type), post);
    ExpectFragment(Replace(kFullLine, "|pre", ""), post); // nine fields
}

TEST(Fragment, ShortAndEmptyLinesKeepTheDefaults)
{
    ExpectFragment("", {});
    TExpected e;
    e.SerialNumber = 12;
    e.Issue = 3;
    ExpectFragment("12|3", e);
    e.SerialNumber = 0;
    ExpectFragment("|3", e);
    e.SerialNumber = 12;
    e.Issue = 0;
    ExpectFragment("12|", e);
    ExpectFragment("|||||||||", {});
    e.Camera = "cam";
    ExpectFragment("12||cam", e);
}

TEST(Fragment, FieldsAfterTheTenthAreIgnored)
{
    ExpectFragment(kFullLine + "|extra|more", Full());
    ExpectFragment(kFullLine + "|", Full());
}

TEST(Fragment, ResolutionCases)
{
    const struct {
        const char* Field;
        int32_t Width, Height;
    } cases[] = {
        {"704x576", 704, 576},
        {"704X576", 0, 0},   // upper-case X is no separator
        {"704", 0, 0},       // no "x"
        {"x", 0, 0},
        {"704x", 704, 0},
        {"x576", 0, 576},
        {"704x576x2", 704, 0}, // the first "x" splits; "576x2" is no number
        {"-1x+2", -1, 2},
        {"ax576", 0, 576},
    };
    for (const auto& c : cases) {
        TExpected e = Full();
        e.Width = c.Width;
        e.Height = c.Height;
        ExpectFragment(Replace(kFullLine, "704x576", c.Field), e);
    }
}

TEST(Fragment, NumbersThatDoNotReadGiveZero)
{
    TExpected e = Full();
    e.SerialNumber = 0;
    e.FPS = 0;
    ExpectFragment(Replace(Replace(kFullLine, "12|", "12a|"), "|25|", "|2147483648|"), e);
    e.SerialNumber = -2147483647 - 1;
    ExpectFragment(Replace(Replace(kFullLine, "12|", "-2147483648|"), "|25|", "|twenty|"), e);
}

TEST(Fragment, AnUnreadableDateTimeLeavesOnlyItselfAtZero)
{
    TExpected e = Full();
    e.EventTime = 0;
    ExpectFragment(Replace(kFullLine, "15.11.2007 9:48:12", "yesterday"), e);
    e = Full();
    e.EndTime = 0;
    ExpectFragment(Replace(kFullLine, "15.11.2007 9:48:42", "31.02.2007 9:48:42"), e);
    e = Full();
    e.BeginTime = EncodeTime(9, 47, 42); // a time alone reads as a time on day 0
    ExpectFragment(Replace(kFullLine, "15.11.2007 9:47:42", "9:47:42"), e);
}

TEST(Fragment, CameraIsKeptExactly)
{
    TExpected e = Full();
    e.Camera = "  \xc2\xf5\xee\xe4 2 ";
    ExpectFragment(Replace(kFullLine, kCamera, e.Camera), e);
}

TEST(Fragment, ResolutionTextAndMatching)
{
    const TFragment full(kFullLine);
    EXPECT_EQ(full.GetResolution(), "704x576");
    EXPECT_EQ(TFragment("").GetResolution(), "0x0");
    EXPECT_TRUE(full.Matches(12, 3));
    EXPECT_FALSE(full.Matches(3, 12));
    EXPECT_FALSE(full.Matches(12, 4));
    EXPECT_TRUE(TFragment("").Matches(0, 0));
}
