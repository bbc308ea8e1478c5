// Reading the parts and the fragment in memory, with the rules for odd
// lengths.
#include "container/mjpgimage.h"

#include "fixtures/fragmentbuilder.h"
#include "teststreams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace fixture;

namespace {


struct TFrameWant {
    std::string contentType;
    int32_t length;
    std::string data;
    bool operator==(const TFrameWant& o) const
    {
        return contentType == o.contentType && length == o.length && data == o.data;
    }
};

void PrintTo(const TFrameWant& f, std::ostream* os)
{
    *os << "{" << testing::PrintToString(f.contentType) << ", " << f.length << ", " << f.data.size() << " bytes}";
}

TFrameWant Full(const std::string& data, const std::string& type = "image/jpeg")
{
    return {type, static_cast<int32_t>(data.size()), data};
}

const TFrameWant kEmptied{"", 0, ""};

struct TImageCase {
    std::string name;
    std::string bytes;
    bool valid;
    std::vector<TFrameWant> frames;
    std::string boundary = "abcd";
};

std::string FrameBytes(const TMJPGFrame& f)
{
    return std::string(reinterpret_cast<const char*>(f.Bytes().Memory()), static_cast<size_t>(f.Bytes().Size()));
}

std::vector<TFrameWant> FramesOf(const TMJPGImage& img)
{
    std::vector<TFrameWant> out;
    for (int32_t i = 0; i < img.FrameCount(); ++i) {
        const TMJPGFrame* f = img.GetFrame(i);
        out.push_back({f->ContentType, f->ContentLength, FrameBytes(*f)});
    }
    return out;
}

// A part whose length line holds the size of the whole stream it ends up in
// (plus 'delta'), in six digits.
std::string WithLengthOfStream(const std::string& before, const std::string& data, const std::string& after,
                               int delta)
{
    const std::string probe = before + PartText({.Data = data, .LengthLine = "Content-Length: 000000"}, "abcd") + after;
    char len[16];
    std::snprintf(len, sizeof len, "%06d", static_cast<int>(probe.size()) + delta);
    return before + PartText({.Data = data, .LengthLine = std::string("Content-Length: ") + len}, "abcd") + after;
}

std::vector<TImageCase> ImageCases()
{
    const std::string H = HeaderText();
    const std::string D1 = NoisyData(100, 'A'), D2 = NoisyData(57, 'B'), D3 = NoisyData(1, 'C');
    const std::string noBoundary = HeaderText("Camera: 3\r\nFPS: 5\r\n");
    std::vector<TImageCase> c;
    c.push_back({"two parts", H + PartText(D1) + PartText(D2), true, {Full(D1), Full(D2)}});
    c.push_back({"data full of CR, LF and NUL; a part of one byte", H + PartText(D1) + PartText(D3) + PartText(D2), true,
                 {Full(D1), Full(D3), Full(D2)}});
    c.push_back({"valid header, no parts", H, true, {}});
    c.push_back({"empty stream", "", false, {}, ""});
    c.push_back({"wrong signature, parts not read", HeaderText(ExampleLines(), "mjpg/1.0 Multipart JPEG stream") + PartText(D1), false,
                 {}, ""});
    c.push_back({"bad Event date, parts not read",
                 HeaderText("Event: 32.03.2007 00:00:00\r\nContent-Type: x; boundary=abcd\r\n") + PartText(D1), false, {},
                 ""});
    c.push_back({"length 0, then a part", H + PartText({.Data = "", .LengthLine = "Content-Length: 0"}, "abcd") + PartText(D1), true,
                 {Full(""), Full(D1)}});
    c.push_back({"no Content-Length: no data, the next line is dropped",
                 H + "abcd\r\nContent-Type: image/jpeg\r\n\r\n" + PartText(D1), true, {Full(""), Full(D1)}});
    c.push_back({"Content-Length with a trailing blank is 0: its data line is dropped",
                 H + PartText({.Data = "0123456789", .LengthLine = "Content-Length: 10 "}, "abcd") + PartText(D1), true, {Full(""), Full(D1)}});
    c.push_back({"Content-Length that overflows is 0",
                 H + PartText({.Data = "0123456789", .LengthLine = "Content-Length: 4294967396"}, "abcd") + PartText(D1), true, {Full(""), Full(D1)}});
    c.push_back({"negative length: emptied, reading goes on after its empty line",
                 H + "abcd\r\nContent-Type: image/jpeg\r\nContent-Length: -5\r\n\r\n" + PartText(D1), true,
                 {kEmptied, Full(D1)}});
    c.push_back({"negative length with bytes after it: they are read as lines",
                 H + PartText({.Data = "hello", .LengthLine = "Content-Length: -5"}, "abcd") + PartText(D2), true, {kEmptied, Full(D2)}});
    c.push_back({"negative length: the very next line belongs to the next part",
                 H + "abcd\r\nContent-Length: -5\r\n\r\nContent-Type: image/x\r\nContent-Length: 57\r\n\r\n" + D2 +
                     CRLF,
                 true, {kEmptied, Full(D2, "image/x")}});
    c.push_back({"length larger than the stream: appended empty, reading ends",
                 H + PartText({.Data = D1, .LengthLine = "Content-Length: 100000"}, "abcd") + PartText(D2), true, {kEmptied}});
    c.push_back({"length equal to the stream size: appended empty, reading ends",
                 WithLengthOfStream(H, D1, PartText(D2), 0), true, {kEmptied}});
    c.push_back({"length one less than the stream size: truncated, reading ends",
                 WithLengthOfStream(H, D1, PartText(D2), -1), true, {kEmptied}});
    c.push_back({"length at the stream size after a good part",
                 WithLengthOfStream(H + PartText(D1), D2, PartText(D3), 0), true, {Full(D1), kEmptied}});
    c.push_back({"truncated last part: one more, empty frame",
                 H + PartText(D1) + PartText({.Data = D2, .LengthLine = "Content-Length: 1000", .After = ""}, "abcd"), true, {Full(D1), kEmptied}});
    c.push_back({"last part cut inside its text lines",
                 H + PartText(D1) + "abcd\r\nContent-Type: image/jpeg\r\nContent-Len", true, {Full(D1), Full("")}});
    c.push_back({"last part cut after its delimiter", H + PartText(D1) + "abcd", true, {Full(D1), Full("", "")}});
    c.push_back({"last part without its closing CR LF", H + PartText(D1) + PartText({.Data = D2, .LengthLine = "Content-Length: 57", .After = ""}, "abcd"), true,
                 {Full(D1), Full(D2)}});
    c.push_back({"bytes between data and CR LF are skipped",
                 H + PartText({.Data = D1, .LengthLine = "Content-Length: 100", .After = "junk junk\r\n"}, "abcd") + PartText(D2), true, {Full(D1), Full(D2)}});
    c.push_back({"no CR LF after the data: the next delimiter line is taken for it",
                 H + PartText({.Data = D1, .LengthLine = "Content-Length: 100", .After = ""}, "abcd") + PartText(D2), true, {Full(D1), Full(D2)}});
    c.push_back({"delimiter lines that differ from the boundary",
                 H + PartText(D1, "--abcd") + PartText(D2, "something else") + PartText(D3, "--abcd--"), true,
                 {Full(D1), Full(D2), Full(D3)}});
    c.push_back({"a part without a delimiter line",
                 H + PartText(D1) + "Content-Type: image/jpeg\r\nContent-Length: 57\r\n\r\n" + D2 + CRLF, true,
                 {Full(D1), Full(D2)}});
    c.push_back({"Content-Length before Content-Type, blanks trimmed",
                 H + "abcd\r\nContent-Length:    57\r\nContent-Type:   image/x  \r\nX-Other: 1\r\n\r\n" + D2 + CRLF,
                 true, {Full(D2, "image/x")}});
    c.push_back({"Content-Type: decides on a line with both keys",
                 H + "abcd\r\nContent-Type: x Content-Length: 5\r\n\r\nhello\r\n" + PartText(D1), true,
                 {Full("", "x Content-Length: 5"), Full(D1)}});
    c.push_back({"a line with both keys does not touch the length",
                 H + "abcd\r\nContent-Length: 5\r\nContent-Type: x Content-Length: 9\r\n\r\nhello\r\n" + PartText(D1),
                 true, {Full("hello", "x Content-Length: 9"), Full(D1)}});
    c.push_back({"an extra empty line between parts makes an empty frame",
                 H + PartText(D1) + CRLF + PartText(D2), true, {Full(D1), kEmptied, Full(D2)}});
    c.push_back({"only a CR LF after the header", H + CRLF, true, {kEmptied}});
    c.push_back({"a 70000-char line in a part's text lines",
                 H + "abcd\r\n" + std::string(70000, 'j') + "\r\nContent-Type: image/jpeg\r\nContent-Length: 100\r\n\r\n" +
                     D1 + CRLF,
                 true, {Full(D1)}});
    c.push_back({"a NUL in a part's line consumes the rest of the block",
                 H + "abcd\r\nContent-Type: image/jpeg" + std::string(1, '\0') + "\r\nContent-Length: 100\r\n\r\n" +
                     D1 + CRLF + PartText(D2),
                 true, {Full("")}});
    c.push_back({"empty boundary, delimiters '--'", noBoundary + PartText(D1, "--") + PartText(D2, "--"), true,
                 {Full(D1), Full(D2)}, ""});
    c.push_back({"header's Frames does not bound the parts",
                 HeaderText("Frames: 1\r\nContent-Type: x; boundary=abcd\r\n") + PartText(D1) + PartText(D2) + PartText(D3), true,
                 {Full(D1), Full(D2), Full(D3)}});
    return c;
}

enum class TKind { Memory, NoPeek, File, ShortPeek };

const char* KindName(TKind k)
{
    return k == TKind::Memory      ? "TMemoryStream"
           : k == TKind::NoPeek    ? "TNoPeekStream"
           : k == TKind::ShortPeek ? "TShortPeekStream"
                                   : "TFileStream";
}

void PrintTo(TKind k, std::ostream* os)
{
    *os << KindName(k);
}

std::unique_ptr<TStream> MakeStream(TKind kind, const std::string& bytes, const TScratchFolder& dir, const std::string& name)
{
    switch (kind) {
    case TKind::Memory: {
        auto m = std::make_unique<TMemoryStream>();
        LoadBytes(*m, bytes);
        return m;
    }
    case TKind::NoPeek:
        return std::make_unique<TNoPeekStream>(bytes);
    case TKind::File:
        return std::make_unique<TFileStream>(WriteInFolder(dir, name, bytes), TFileMode::fmOpenRead);
    case TKind::ShortPeek: {
        auto m = std::make_unique<TShortPeekStream>(1000);
        LoadBytes(*m, bytes);
        return m;
    }
    }
    return nullptr;
}

class ImageTable : public testing::TestWithParam<TKind> {};

TEST_P(ImageTable, Cases)
{
    TScratchFolder dir;
    int n = 0;
    for (const TImageCase& c : ImageCases()) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TStream> s = MakeStream(GetParam(), c.bytes, dir, std::to_string(n++) + ".mjpg");
        TMJPGImage img(s.get());
        EXPECT_EQ(img.Header->IsValid(), c.valid);
        EXPECT_EQ(img.Header->Boundary, c.boundary);
        EXPECT_EQ(FramesOf(img), c.frames);
        if (static_cast<size_t>(img.FrameCount()) != c.frames.size())
            continue;
        for (int32_t i = 0; i < img.FrameCount(); ++i) {
            EXPECT_EQ(img.GetFrame(i)->Boundary, c.boundary) << "frame " << i;
            EXPECT_EQ(img.GetFrame(i)->HasData(), !c.frames[static_cast<size_t>(i)].data.empty());
        }
        if (c.valid) {
            EXPECT_EQ(s->Position(), s->Size()) << "reading goes on to the end of the stream";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, ImageTable, testing::Values(TKind::Memory, TKind::NoPeek, TKind::File, TKind::ShortPeek),
                         [](const testing::TestParamInfo<TKind>& i) { return std::string(KindName(i.param)); });

// Random fragments built from good parts, parts with odd lengths, junk and
// empty lines, lines at the 65534-byte limit, NULs and a cut at the end:
// a TMemoryStream (the line reader's in-place path), a stream without Peek
// (its plain block path), a TFileStream and a stream whose in-place views
// are short give identical images.
TEST(Image, AllStreamKindsReadRandomFragmentsAlike)
{
    std::mt19937 rng(4242);
    TScratchFolder dir;
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int n = 0; n < 60; ++n) {
        std::string bytes = HeaderText();
        const int pieces = 1 + pick(12);
        for (int k = 0; k < pieces; ++k) {
            const std::string data = NoisyData(pick(4) == 0 ? pick(70000) : pick(3000), static_cast<char>('A' + pick(26)));
            switch (pick(10)) {
            case 0:
                bytes += PartText({.Data = data, .LengthLine = "Content-Length: -" + std::to_string(1 + pick(50))}, "abcd");
                break;
            case 1:
                bytes += PartText({.Data = data, .LengthLine = "Content-Length: " + std::to_string(static_cast<int>(data.size()) + pick(7) - 3)}, "abcd");
                break;
            case 2:
                bytes += PartText({.Data = data, .LengthLine = ""}, "abcd");
                break;
            case 3:
                bytes += PartText({.Data = data, .LengthLine = "Content-Length: " + std::to_string(data.size()) + " "}, "abcd");
                break;
            case 4:
                bytes += pick(2) ? std::string("\r\n") : std::string("junk\r\n");
                break;
            case 5:
                bytes += std::string(static_cast<size_t>(65532 + pick(5)), 'L') + "\r\n";
                break;
            case 6:
                bytes += std::string("nul") + '\0' + "\r\n";
                break;
            default:
                bytes += PartText(data, pick(3) ? "abcd" : "--abcd");
                break;
            }
        }
        if (pick(3) == 0)
            bytes.resize(bytes.size() - static_cast<size_t>(pick(static_cast<int>(bytes.size() - HeaderText().size()))));
        SCOPED_TRACE("fragment " + std::to_string(n) + " of " + std::to_string(bytes.size()) + " bytes");
        std::vector<std::vector<TFrameWant>> results;
        for (TKind kind : {TKind::Memory, TKind::NoPeek, TKind::File, TKind::ShortPeek}) {
            std::unique_ptr<TStream> s = MakeStream(kind, bytes, dir, "r" + std::to_string(n) + ".mjpg");
            TMJPGImage img(s.get());
            ASSERT_TRUE(img.Header->IsValid());
            EXPECT_EQ(s->Position(), s->Size());
            results.push_back(FramesOf(img));
        }
        ASSERT_EQ(results[1], results[0]) << "TNoPeekStream differs from TMemoryStream";
        ASSERT_EQ(results[2], results[0]) << "TFileStream differs from TMemoryStream";
        ASSERT_EQ(results[3], results[0]) << "TShortPeekStream differs from TMemoryStream";
    }
}

TEST(Image, NullStreamIsInvalidAndEmpty)
{
    TMJPGImage img(nullptr);
    EXPECT_FALSE(img.Header->IsValid());
    EXPECT_EQ(img.FrameCount(), 0);
    EXPECT_EQ(img.GetFrame(0), nullptr);
    EXPECT_EQ(img.SaveToStream(nullptr), 0);
}

TEST(Image, GetFrameOutOfRangeIsNull)
{
    TMemoryStream m;
    LoadBytes(m, HeaderText() + PartText(NoisyData(10, 'A')) + PartText(NoisyData(20, 'B')));
    TMJPGImage img(&m);
    ASSERT_EQ(img.FrameCount(), 2);
    EXPECT_EQ(img.GetFrame(-1), nullptr);
    EXPECT_EQ(img.GetFrame(2), nullptr);
    EXPECT_EQ(img.GetFrame(INT32_MIN), nullptr);
    EXPECT_EQ(img.GetFrame(INT32_MAX), nullptr);
    EXPECT_EQ(img.GetFrame(0), img.FrameList[0].get());
    EXPECT_EQ(img.GetFrame(1), img.FrameList[1].get());
}

TEST(Image, LoadingTwiceKeepsOnlyTheSecond)
{
    TMemoryStream a, b, bad;
    LoadBytes(a, HeaderText() + PartText(NoisyData(10, 'A')) + PartText(NoisyData(20, 'B')) + PartText(NoisyData(30, 'C')));
    LoadBytes(b, HeaderText("Camera: second\r\n") + PartText(NoisyData(5, 'D'), ""));
    LoadBytes(bad, "MJPX/1.0\r\n\r\n" + PartText(NoisyData(5, 'E')));
    TMJPGImage img(&a);
    ASSERT_EQ(img.FrameCount(), 3);
    img.LoadFromStream(&b);
    EXPECT_EQ(img.Header->Camera, "second");
    EXPECT_EQ(img.Header->Width, 0) << "the first header's values are gone";
    EXPECT_EQ(img.Header->Boundary, "");
    // The part's delimiter line is empty: the part's text ends at once.
    EXPECT_EQ(FramesOf(img), (std::vector<TFrameWant>{{"", 0, ""}, Full(NoisyData(5, 'D'), "")}));
    img.LoadFromStream(&a);
    EXPECT_EQ(img.FrameCount(), 0) << "a stream already at its end: the header is not there";
    EXPECT_FALSE(img.Header->IsValid());
    a.SetPosition(0);
    img.LoadFromStream(&a);
    EXPECT_EQ(img.FrameCount(), 3);
    img.LoadFromStream(&bad);
    EXPECT_FALSE(img.Header->IsValid());
    EXPECT_EQ(img.FrameCount(), 0);
    a.SetPosition(0);
    img.LoadFromStream(&a);
    img.LoadFromStream(nullptr);
    EXPECT_FALSE(img.Header->IsValid());
    EXPECT_EQ(img.FrameCount(), 0);
}

TEST(Image, ClearEmptiesHeaderAndFrames)
{
    TMemoryStream m;
    LoadBytes(m, HeaderText() + PartText(NoisyData(10, 'A')));
    TMJPGImage img(&m);
    img.Clear();
    EXPECT_FALSE(img.Header->IsValid());
    EXPECT_EQ(img.Header->Width, 0);
    EXPECT_EQ(img.FrameCount(), 0);
}

TEST(Image, LoadsFromTheStreamsCurrentPosition)
{
    const std::string junk = "junk before the fragment\r\n";
    TMemoryStream m;
    LoadBytes(m, junk + HeaderText() + PartText(NoisyData(10, 'A')));
    m.SetPosition(static_cast<int64_t>(junk.size()));
    TMJPGImage img(&m);
    EXPECT_TRUE(img.Header->IsValid());
    EXPECT_EQ(FramesOf(img), std::vector<TFrameWant>{Full(NoisyData(10, 'A'))});
}

TEST(Image, HasDataResetsContentLength)
{
    TMemoryStream m;
    LoadBytes(m, HeaderText() + PartText(NoisyData(10, 'A')) + PartText({.Data = "short", .LengthLine = "Content-Length: 1000", .After = ""}, "abcd"));
    TMJPGImage img(&m);
    ASSERT_EQ(img.FrameCount(), 2);
    TMJPGFrame* f = img.GetFrame(0);
    f->ContentLength = 77;
    EXPECT_TRUE(f->HasData());
    EXPECT_EQ(f->ContentLength, 10);
    const std::string more = FrameBytes(*f) + "more";
    f->SetBytes(TSharedBytes::Copy(more.data(), static_cast<int64_t>(more.size())));
    EXPECT_TRUE(f->HasData());
    EXPECT_EQ(f->ContentLength, 14);
    TMJPGFrame* t = img.GetFrame(1); // the truncated last part
    t->ContentLength = 1000;
    EXPECT_FALSE(t->HasData());
    EXPECT_EQ(t->ContentLength, 0);
    EXPECT_TRUE(t->ContentType.empty());
}

TEST(Frame, ReadsOnePartAndClearKeepsTheBoundary)
{
    TMemoryStream m;
    LoadBytes(m, PartText(NoisyData(10, 'A'), "zz", "image/x") + PartText(NoisyData(3, 'B')));
    TMJPGFrame f(&m, "myboundary");
    EXPECT_EQ(f.Boundary, "myboundary");
    EXPECT_EQ(f.ContentType, "image/x");
    EXPECT_EQ(f.ContentLength, 10);
    EXPECT_EQ(FrameBytes(f), NoisyData(10, 'A'));
    EXPECT_EQ(m.Position(), static_cast<int64_t>(PartText(NoisyData(10, 'A'), "zz", "image/x").size()));
    f.ReadFromStream(&m);
    EXPECT_EQ(FrameBytes(f), NoisyData(3, 'B'));
    f.Clear();
    EXPECT_EQ(f.Boundary, "myboundary");
    EXPECT_EQ(f.ContentType, "");
    EXPECT_EQ(f.ContentLength, 0);
    EXPECT_EQ(f.Bytes().Size(), 0);
    f.ReadFromStream(nullptr);
    EXPECT_EQ(f.Bytes().Size(), 0);
    TMJPGFrame g(nullptr, "b");
    EXPECT_EQ(g.ContentLength, 0);
    EXPECT_EQ(g.Bytes().Size(), 0);
}

// A frame holds its own bytes: the source may go away.
TEST(Image, FramesOutliveTheirFileStream)
{
    TScratchFolder dir;
    std::vector<std::string> data;
    std::string bytes = HeaderText();
    for (int i = 0; i < 20; ++i) {
        data.push_back(NoisyData(1000 + i * 3777, static_cast<char>('A' + i)));
        bytes += PartText(data.back());
    }
    const std::string path = WriteInFolder(dir, "f.mjpg", bytes);
    std::unique_ptr<TMJPGImage> img;
    {
        TFileStream file(path, TFileMode::fmOpenRead);
        img = std::make_unique<TMJPGImage>(&file);
    }
    std::filesystem::remove(path);
    ASSERT_TRUE(img->Header->IsValid());
    ASSERT_EQ(img->FrameCount(), 20);
    for (int i = 0; i < 20; ++i) {
        TMJPGFrame* f = img->GetFrame(i);
        EXPECT_EQ(FrameBytes(*f), data[static_cast<size_t>(i)]) << "frame " << i;
    }
}

// A stream whose reads fail from some point on behaves as if it ended there
// ("a stream read that fails is taken as the end of the data at that
// point"): loading ends, with the frames a stream cut at that point gives.
TEST(Image, AStreamWhoseReadsFailActsAsIfItEndedThere)
{
    const std::string bytes = HeaderText() + PartText(NoisyData(100, 'A')) + PartText(NoisyData(57, 'B')) +
                              PartText({.Data = "", .LengthLine = "Content-Length: 0"}, "abcd") + PartText(NoisyData(30, 'C'));
    for (int64_t cut = 0; cut <= static_cast<int64_t>(bytes.size()); ++cut) {
        SCOPED_TRACE("reads fail from byte " + std::to_string(cut));
        TFailingReadStream failing(bytes, cut);
        TMJPGImage a(&failing);
        TMemoryStream m;
        LoadBytes(m, bytes.substr(0, static_cast<size_t>(cut)));
        TMJPGImage b(&m);
        ASSERT_EQ(a.Header->IsValid(), b.Header->IsValid());
        ASSERT_EQ(FramesOf(a), FramesOf(b));
    }
}

// A read the system fails (not the end of the data) ends the load with that
// error wherever it strikes, in the header or in a part: no fragment with
// frames silently emptied or missing.
TEST(Image, ASystemReadErrorEndsTheLoadWithTheError)
{
    const std::string bytes =
        HeaderText() + PartText(NoisyData(100, 'A')) + PartText(NoisyData(57, 'B')) + PartText(NoisyData(30, 'C'));
    for (int64_t failAt = 0; failAt < static_cast<int64_t>(bytes.size()); failAt += 7) {
        SCOPED_TRACE("reads fail from byte " + std::to_string(failAt));
        TBrokenDiskStream broken(bytes, failAt);
        EXPECT_THROW(TMJPGImage image(&broken), EInOutError);
    }
}

// The line buffer is not kept per frame: a fragment of many parts with long
// text lines holds little more than its data.
TEST(Image, FramesDoNotKeepLineBuffers)
{
    std::string bytes = HeaderText();
    for (int i = 0; i < 50; ++i)
        bytes += "abcd\r\n" + std::string(60000, 'j') + "\r\nContent-Type: image/jpeg\r\nContent-Length: 1\r\n\r\nx\r\n";
    TMemoryStream m;
    LoadBytes(m, bytes);
    TMJPGImage img(&m);
    ASSERT_EQ(img.FrameCount(), 50);
    for (int32_t i = 0; i < img.FrameCount(); ++i)
        EXPECT_LT(img.GetFrame(i)->Line.capacity(), 1024u) << "frame " << i;
    EXPECT_LT(img.Header->Line.capacity(), 1024u);
}

} // namespace

// An image read from shared bytes views them: its frames are no copies, and
// they keep the bytes after the image and every other holder have gone.
TEST(Image, FramesViewSharedBytes)
{
    const std::string bytes = HeaderText() + PartText(NoisyData(300, 'A')) + PartText(NoisyData(500, 'B'));
    TSharedBytes whole = TSharedBytes::Copy(bytes.data(), static_cast<int64_t>(bytes.size()));
    TSharedBytes second;
    {
        TSharedBytesStream stream(whole);
        TMJPGImage img(&stream);
        ASSERT_EQ(img.FrameCount(), 2);
        for (int32_t i = 0; i < 2; ++i) {
            const TSharedBytes& view = img.GetFrame(i)->Bytes();
            EXPECT_TRUE(view.SharesBlockWith(whole)) << i;
            EXPECT_GE(view.Memory(), whole.Memory());
            EXPECT_LE(view.Memory() + view.Size(), whole.Memory() + whole.Size());
        }
        second = img.GetFrame(1)->Bytes();
    }
    whole = {};
    EXPECT_EQ(second.Holders(), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(second.Memory()), static_cast<size_t>(second.Size())),
              NoisyData(500, 'B'));
}
