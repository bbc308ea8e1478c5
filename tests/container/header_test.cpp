// Reading the header: the keys, integer and date-time conversion, the
// boundary word, and what makes a header invalid.
#include "container/mjpgheader.h"

#include "fixtures/fragmentbuilder.h"
#include "teststreams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace fixture;

namespace {

struct TFields {
    std::string Signature;
    int32_t VersionMajor = 0, VersionMinor = 0;
    std::string Camera;
    TDateTime EventTime = 0, BeginTime = 0, EndTime = 0;
    int32_t Width = 0, Height = 0, FPS = 0, Frames = 0;
    bool PreAlarm = false;
    std::string Boundary;
};

TFields Empty()
{
    return {};
}

// The values of the format's example header.
TFields Example()
{
    TFields f;
    f.Signature = "MJPG";
    f.VersionMajor = 1;
    f.VersionMinor = 0;
    f.Camera = "3";
    f.EventTime = EncodeDateTime(2007, 3, 5, 14, 2, 9);
    f.BeginTime = EncodeDateTime(2007, 3, 5, 14, 2, 0);
    f.EndTime = EncodeDateTime(2007, 3, 5, 14, 2, 20);
    f.Width = 640;
    f.Height = 480;
    f.FPS = 5;
    f.Frames = 2;
    f.PreAlarm = false;
    f.Boundary = "abcd";
    return f;
}

TFields FieldsOf(const TMJPGHeader& h)
{
    TFields f;
    f.Signature = h.Signature;
    f.VersionMajor = h.VersionMajor;
    f.VersionMinor = h.VersionMinor;
    f.Camera = h.Camera;
    f.EventTime = h.EventTime;
    f.BeginTime = h.BeginTime;
    f.EndTime = h.EndTime;
    f.Width = h.Width;
    f.Height = h.Height;
    f.FPS = h.FPS;
    f.Frames = h.Frames;
    f.PreAlarm = h.PreAlarm;
    f.Boundary = h.Boundary;
    return f;
}

void ExpectFields(const TFields& got, const TFields& want)
{
    EXPECT_EQ(got.Signature, want.Signature);
    EXPECT_EQ(got.VersionMajor, want.VersionMajor);
    EXPECT_EQ(got.VersionMinor, want.VersionMinor);
    EXPECT_EQ(got.Camera, want.Camera);
    EXPECT_EQ(got.EventTime, want.EventTime) << DateTimeToStr(got.EventTime);
    EXPECT_EQ(got.BeginTime, want.BeginTime) << DateTimeToStr(got.BeginTime);
    EXPECT_EQ(got.EndTime, want.EndTime) << DateTimeToStr(got.EndTime);
    EXPECT_EQ(got.Width, want.Width);
    EXPECT_EQ(got.Height, want.Height);
    EXPECT_EQ(got.FPS, want.FPS);
    EXPECT_EQ(got.Frames, want.Frames);
    EXPECT_EQ(got.PreAlarm, want.PreAlarm);
    EXPECT_EQ(got.Boundary, want.Boundary);
}

const std::string kExampleLines = ExampleLines();

// The example lines with the line that starts with 'key' replaced by
// 'line' (dropped when 'line' is empty).
std::string With(const std::string& key, const std::string& line)
{
    std::string out;
    size_t i = 0;
    bool replaced = false;
    while (i < kExampleLines.size()) {
        const size_t e = kExampleLines.find("\r\n", i);
        const std::string l = kExampleLines.substr(i, e - i);
        if (l.rfind(key, 0) == 0) {
            if (!line.empty())
                out += line + "\r\n";
            replaced = true;
        } else {
            out += l + "\r\n";
        }
        i = e + 2;
    }
    if (!replaced)
        throw std::logic_error("no line " + key);
    return out;
}

struct THeaderCase {
    std::string name;
    std::string bytes;
    TFields expected;
    int64_t endPosition = -1; // -1: the end of the bytes
};

template <class F>
TFields Changed(TFields f, F change)
{
    change(f);
    return f;
}

std::vector<THeaderCase> HeaderCases()
{
    std::vector<THeaderCase> c;
    const TFields ex = Example();
    auto hdr = [](const std::string& lines) { return HeaderText(lines); };

    c.push_back({"the format's example", HeaderText(), ex});
    // --- first line
    c.push_back({"version 1.3", HeaderText(kExampleLines, "MJPG/1.3 Multipart JPEG stream"),
                 Changed(ex, [](TFields& f) { f.VersionMinor = 3; })});
    c.push_back({"version 12.75: minor is the first digit", HeaderText(kExampleLines, "MJPG/12.75"),
                 Changed(ex, [](TFields& f) { f.VersionMajor = 12; f.VersionMinor = 7; })});
    c.push_back({"version with blanks after the slash", HeaderText(kExampleLines, "MJPG/  2.5 Multipart JPEG stream"),
                 Changed(ex, [](TFields& f) { f.VersionMajor = 2; f.VersionMinor = 5; })});
    c.push_back({"version without a point", HeaderText(kExampleLines, "MJPG/3 Multipart JPEG stream"),
                 Changed(ex, [](TFields& f) { f.VersionMajor = 3; f.VersionMinor = 0; })});
    c.push_back({"MJPG without slash is valid, version 0.0", HeaderText(kExampleLines, "MJPG"),
                 Changed(ex, [](TFields& f) { f.VersionMajor = 0; })});
    c.push_back({"MJPG/ without a number is version 0.0", HeaderText(kExampleLines, "MJPG/"),
                 Changed(ex, [](TFields& f) { f.VersionMajor = 0; })});
    c.push_back({"MJPG/x.y is version 0.0", HeaderText(kExampleLines, "MJPG/x.y Multipart JPEG stream"),
                 Changed(ex, [](TFields& f) { f.VersionMajor = 0; })});
    c.push_back({"a first line of 70000 chars after MJPG/1.1",
                 HeaderText(kExampleLines, "MJPG/1.1" + std::string(70000, ' ')),
                 Changed(ex, [](TFields& f) { f.VersionMinor = 1; })});
    // --- invalid signatures: the stream is left after the first line
    {
        TFields f;
        f.Signature = "mjpg";
        c.push_back({"mjpg in lower case is invalid", HeaderText(kExampleLines, "mjpg/1.0 Multipart JPEG stream"), f,
                     32});
        f.Signature = "MJPG ";
        c.push_back({"MJPG and a blank is invalid", HeaderText(kExampleLines, "MJPG /1.0"), f, 11});
        f.Signature = " MJPG";
        c.push_back({"a blank before MJPG is invalid", HeaderText(kExampleLines, " MJPG/1.0"), f, 11});
        f.Signature = "MJPEG";
        c.push_back({"MJPEG is invalid", HeaderText(kExampleLines, "MJPEG/1.0"), f, 11});
        f.Signature = "";
        c.push_back({"an empty first line is invalid", HeaderText(kExampleLines, ""), f, 2});
        c.push_back({"an empty stream is invalid", "", f, 0});
        f.Signature = std::string(1023, 'M');
        c.push_back({"a signature is cut at 1023 chars", HeaderText(kExampleLines, std::string(2000, 'M') + "/1.0"), f,
                     2006});
    }
    // --- integer conversion
    c.push_back({"Width: 640px gives 0", hdr(With("Width:", "Width: 640px")),
                 Changed(ex, [](TFields& f) { f.Width = 0; })});
    c.push_back({"Width: with no value gives 0", hdr(With("Width:", "Width:")),
                 Changed(ex, [](TFields& f) { f.Width = 0; })});
    c.push_back({"Width: 640 and a blank gives 0", hdr(With("Width:", "Width: 640 ")),
                 Changed(ex, [](TFields& f) { f.Width = 0; })});
    c.push_back({"Width:640 without a blank", hdr(With("Width:", "Width:640")), ex});
    c.push_back({"Width: with many blanks", hdr(With("Width:", "Width:      640")), ex});
    c.push_back({"Height: -480", hdr(With("Height:", "Height: -480")),
                 Changed(ex, [](TFields& f) { f.Height = -480; })});
    c.push_back({"FPS: +25", hdr(With("FPS:", "FPS: +25")), Changed(ex, [](TFields& f) { f.FPS = 25; })});
    c.push_back({"Frames: 2147483647", hdr(With("Frames:", "Frames: 2147483647")),
                 Changed(ex, [](TFields& f) { f.Frames = 2147483647; })});
    c.push_back({"Frames: 2147483648 overflows to 0", hdr(With("Frames:", "Frames: 2147483648")),
                 Changed(ex, [](TFields& f) { f.Frames = 0; })});
    c.push_back({"Frames: -2147483648", hdr(With("Frames:", "Frames: -2147483648")),
                 Changed(ex, [](TFields& f) { f.Frames = INT32_MIN; })});
    c.push_back({"a CR before the CR LF spoils a number", hdr(With("Width:", "Width: 640\r")),
                 Changed(ex, [](TFields& f) { f.Width = 0; })});
    // --- alarm
    for (const char* pre : {"Alarm: Pre", "Alarm:Pre", "Alarm: Pre ", "Alarm: \tPre\t", "Alarm:   Pre"})
        c.push_back({std::string("PreAlarm true: ") + pre, hdr(With("Alarm:", pre)),
                     Changed(ex, [](TFields& f) { f.PreAlarm = true; })});
    for (const char* post : {"Alarm: Post", "Alarm: pre", "Alarm: PRE", "Alarm: Prefix", "Alarm: P re", "Alarm:"})
        c.push_back({std::string("PreAlarm false: ") + post,
                     hdr(With("Alarm:", "Alarm: Pre") + post + std::string("\r\n")), ex});
    // --- boundary
    struct TB {
        const char* line;
        std::string boundary;
    };
    const TB boundaries[] = {
        {"Content-Type: multipart/x-mixed-replace; boundary=abcd efgh", "abcd"},
        {"Content-Type: multipart/x-mixed-replace; boundary=  --myboundary", "--myboundary"},
        {"Content-Type: multipart/x-mixed-replace; boundary=\tab\tcd", "ab"},
        {"Content-Type: multipart/x-mixed-replace; boundary=abcd\r", "abcd"},
        {"Content-Type: multipart/x-mixed-replace; boundary=", ""},
        {"Content-Type: multipart/x-mixed-replace", ""},
        {"Content-Type: multipart/x-mixed-replace; boundary abcd", ""},
        {"Content-Type:", ""},
        {"Content-Type: a=b", ""},
        {"Content-Type:   x/y   z=w", "w"},
        {"Content-Type: x/y; charset=cp1251; boundary=abcd", "cp1251;"},
        {"Content-Type:x/y boundary=abcd", "abcd"},
    };
    for (const TB& b : boundaries)
        c.push_back({std::string("boundary: ") + b.line, hdr(With("Content-Type:", b.line)),
                     Changed(ex, [&](TFields& f) { f.Boundary = b.boundary; })});
    c.push_back({"a boundary word is cut at 1023 chars",
                 hdr(With("Content-Type:", "Content-Type: multipart/x-mixed-replace; boundary=" +
                                                std::string(5000, 'b'))),
                 Changed(ex, [](TFields& f) { f.Boundary = std::string(1023, 'b'); })});
    c.push_back({"no Content-Type line: empty boundary", hdr(With("Content-Type:", "")),
                 Changed(ex, [](TFields& f) { f.Boundary = ""; })});
    // --- camera
    c.push_back({"camera trimmed", hdr(With("Camera:", "Camera: \t Cam 1 \t ")),
                 Changed(ex, [](TFields& f) { f.Camera = "Cam 1"; })});
    c.push_back({"camera empty", hdr(With("Camera:", "Camera:")), Changed(ex, [](TFields& f) { f.Camera = ""; })});
    c.push_back({"camera in code page 1251", hdr(With("Camera:", "Camera: \xCA\xE0\xEC\xE5\xF0\xE0 3")),
                 Changed(ex, [](TFields& f) { f.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 3"; })});
    c.push_back({"camera keeps code 160", hdr(With("Camera:", "Camera: \xA0x\xA0")),
                 Changed(ex, [](TFields& f) { f.Camera = "\xA0x\xA0"; })});
    // --- keys anywhere, in the table's order, value after the first N chars
    c.push_back({"Camera: decides over Width: on one line", hdr(With("Camera:", "") + "Width: 5 Camera: x\r\n"),
                 Changed(ex, [](TFields& f) { f.Camera = "5 Camera: x"; })});
    c.push_back({"Camera: decides over Event: on one line", hdr(With("Event:", "Event: 1 Camera: y")),
                 Changed(ex, [](TFields& f) { f.Camera = "1 Camera: y"; f.EventTime = 0; })});
    {
        const std::string bytes = hdr(With("Width:", "Width: 640 End:"));
        c.push_back({"End: decides over Width: on one line (and fails)", bytes, Empty(),
                     static_cast<int64_t>(bytes.find("End:\r\n") + 6)});
    }
    c.push_back({"Width: decides over Height: on one line",
                 hdr(With("Height:", "") + "Height: 480 Width: 640\r\n"),
                 Changed(ex, [](TFields& f) { f.Height = 0; f.Width = 0; })});
    c.push_back({"FPS: decides over Frames: on one line", hdr(With("Frames:", "") + "Frames: 5 FPS: 3\r\n"),
                 Changed(ex, [](TFields& f) { f.Frames = 0; f.FPS = 0; })});
    c.push_back({"a key not at the start is cut at N chars", hdr(With("Width:", "") + "xx Width: 640\r\n"),
                 Changed(ex, [](TFields& f) { f.Width = 0; })});
    c.push_back({"X-Camera: is recognised and cut", hdr(With("Camera:", "X-Camera: abc")),
                 Changed(ex, [](TFields& f) { f.Camera = "a: abc"; })});
    c.push_back({"keys are case-sensitive", hdr(With("Width:", "width: 320")),
                 Changed(ex, [](TFields& f) { f.Width = 0; })});
    c.push_back({"Content-Type: decides last: Alarm: wins", hdr(With("Alarm:", "Alarm: Pre Content-Type: x; b=zz")),
                 Changed(ex, [](TFields& f) { f.PreAlarm = false; })});
    // --- order, junk lines, repeated keys
    c.push_back({"lines in another order mixed with junk",
                 hdr("Alarm: Post\r\nX-Junk: 1\r\nFrames: 2\r\nContent-Type: multipart/x-mixed-replace; "
                     "boundary=abcd\r\nno key here\r\nFPS: 5\r\nHeight: 480\r\nWidth: 640\r\nEnd: 05.03.2007 "
                     "14:02:20\r\n\x01\x02\x03\r\nBegin: 05.03.2007 14:02:00\r\nEvent: 05.03.2007 14:02:09\r\nCamera: "
                     "3\r\n"),
                 ex});
    c.push_back({"a repeated key keeps the last value",
                 hdr(kExampleLines + "Width: 320\r\nCamera: 4\r\nEvent: 06.03.2007 00:00:00\r\n"),
                 Changed(ex, [](TFields& f) {
                     f.Width = 320;
                     f.Camera = "4";
                     f.EventTime = EncodeDate(2007, 3, 6);
                 })});
    // --- date-times
    c.push_back({"no Event: line keeps 0", hdr(With("Event:", "")), Changed(ex, [](TFields& f) { f.EventTime = 0; })});
    c.push_back({"Event: date alone", hdr(With("Event:", "Event: 5.3.2007")),
                 Changed(ex, [](TFields& f) { f.EventTime = EncodeDate(2007, 3, 5); })});
    c.push_back({"Event: without blanks", hdr(With("Event:", "Event:05.03.2007 14:02:09")), ex});
    c.push_back({"Event: blanks around", hdr(With("Event:", "Event:    05.03.2007 14:02:09    ")), ex});
    c.push_back({"Event: time alone", hdr(With("Event:", "Event: 14:02")),
                 Changed(ex, [](TFields& f) { f.EventTime = EncodeTime(14, 2, 0); })});
    c.push_back({"End: before 1899", hdr(With("End:", "End: 07.09.1812 06:00:00")),
                 Changed(ex, [](TFields& f) { f.EndTime = EncodeDateTime(1812, 9, 7, 6, 0, 0); })});
    // A date-time that does not convert clears the whole header.
    for (const char* bad : {"Event: 31.02.2007 00:00:00", "Event:", "Event: ", "Event: tomorrow",
                            "Event: 05.03.07 14:02:09", "Event: 05.03.2007 24:00:00", "Event: 05.03.2007 14:02:09x",
                            "Begin: 29.02.2007", "End: 05.03.2007 14:02:60", "End:"}) {
        const std::string key = std::string(bad).substr(0, std::string(bad).find(':') + 1);
        const std::string bytes = hdr(With(key, bad));
        const int64_t after = static_cast<int64_t>(bytes.find(std::string(bad) + "\r\n") + std::strlen(bad) + 2);
        c.push_back({std::string("bad date clears the header: ") + bad, bytes, Empty(), after});
    }
    c.push_back({"a bad date on the last line still clears",
                 hdr(kExampleLines + "Begin: 99.99.9999\r\n"), Empty(),
                 static_cast<int64_t>(hdr(kExampleLines + "Begin: 99.99.9999\r\n").size()) - 2});
    // --- the end of the header
    c.push_back({"a header that ends with the stream", "MJPG/1.0\r\n" + kExampleLines, ex});
    c.push_back({"a header that ends without CR LF", "MJPG/1.0\r\n" + kExampleLines + "Width: 641",
                 Changed(ex, [](TFields& f) { f.Width = 641; })});
    c.push_back({"the header stops at its empty line", HeaderText() + "Width: 1\r\n\r\nrest",
                 ex, static_cast<int64_t>(HeaderText().size())});
    c.push_back({"a NUL in a header line ends it and consumes the block",
                 "MJPG/1.0\r\nCamera: ab" + std::string(1, '\0') + "cd\r\nWidth: 640\r\n\r\n",
                 Changed(Empty(), [](TFields& f) { f.Signature = "MJPG"; f.VersionMajor = 1; f.Camera = "ab"; })});
    return c;
}

class HeaderTable : public testing::TestWithParam<bool> {};

TEST_P(HeaderTable, Cases)
{
    for (const THeaderCase& c : HeaderCases()) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TStream> s;
        if (GetParam()) {
            auto m = std::make_unique<TMemoryStream>();
            LoadBytes(*m, c.bytes);
            s = std::move(m);
        } else {
            s = std::make_unique<TNoPeekStream>(c.bytes);
        }
        TMJPGHeader h;
        h.Width = 99; // any stale value is cleared first
        h.Camera = "stale";
        h.ReadFromStream(s.get());
        ExpectFields(FieldsOf(h), c.expected);
        EXPECT_EQ(h.IsValid(), c.expected.Signature == "MJPG");
        EXPECT_EQ(s->Position(), c.endPosition < 0 ? static_cast<int64_t>(c.bytes.size()) : c.endPosition);
    }
}

// true: a TMemoryStream (the line reader's in-place path); false: a stream
// without Peek (its plain block path).
INSTANTIATE_TEST_SUITE_P(Streams, HeaderTable, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& i) {
                             return std::string(i.param ? "TMemoryStream" : "TNoPeekStream");
                         });

TEST(Header, NullStreamOnlyClears)
{
    TMemoryStream m;
    LoadBytes(m, HeaderText());
    TMJPGHeader h;
    h.ReadFromStream(&m);
    ASSERT_TRUE(h.IsValid());
    h.ReadFromStream(nullptr);
    ExpectFields(FieldsOf(h), Empty());
    EXPECT_FALSE(h.IsValid());
}

TEST(Header, ClearEmptiesEveryField)
{
    TMemoryStream m;
    LoadBytes(m, HeaderText(With("Alarm:", "Alarm: Pre")));
    TMJPGHeader h;
    h.ReadFromStream(&m);
    ASSERT_TRUE(h.PreAlarm);
    h.Clear();
    ExpectFields(FieldsOf(h), Empty());
}

TEST(Header, IsValidIsByteExact)
{
    TMJPGHeader h;
    for (const char* s : {"", "MJPG ", "mjpg", "MJP", "MJPGG", "MJPG\xA0"}) {
        h.Signature = s;
        EXPECT_FALSE(h.IsValid()) << s;
    }
    h.Signature = "MJPG";
    EXPECT_TRUE(h.IsValid());
    h.Signature = std::string("MJPG\0", 5);
    EXPECT_FALSE(h.IsValid());
}

} // namespace

// A frame's wall-clock time: Begin plus index / FPS, rounded to the millisecond.
TEST(Header, FrameWallTime)
{
    const struct {
        int32_t Fps, Index;
        const char* Text;
    } cases[] = {
        {25, 0, "15.05.2024 10:30:00.000"},   {25, 117, "15.05.2024 10:30:04.680"},
        {25, 1, "15.05.2024 10:30:00.040"},   {3, 1, "15.05.2024 10:30:00.333"},
        {3, 2, "15.05.2024 10:30:00.667"},    {30, 1799999, "16.05.2024 03:09:59.967"},
        {25, 2159999, "16.05.2024 10:29:59.960"}, {0, 50, "15.05.2024 10:30:00.000"},
        {-5, 50, "15.05.2024 10:30:00.000"},
    };
    TMJPGHeader header;
    header.BeginTime = EncodeDateTime(2024, 5, 15, 10, 30, 0);
    for (const auto& c : cases) {
        header.FPS = c.Fps;
        EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", FrameWallTime(header, c.Index)), c.Text)
            << c.Fps << " fps, frame " << c.Index;
    }
}
