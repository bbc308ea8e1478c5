// Writing a fragment (the header as written, a part as written,
// SaveToStream): an empty boundary is written as "--", and a write that
// fails raises.
#include "container/mjpgimage.h"

#include "fixtures/fragmentbuilder.h"
#include "teststreams.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace fixture;

namespace {


std::string Saved(const TMJPGImage& img)
{
    TMemoryStream out;
    EXPECT_EQ(img.SaveToStream(&out), img.FrameCount());
    return StreamBytes(out);
}

std::unique_ptr<TMJPGImage> Loaded(const std::string& bytes)
{
    TMemoryStream m;
    LoadBytes(m, bytes);
    return std::make_unique<TMJPGImage>(&m);
}

void AddFrame(TMJPGImage& img, const std::string& boundary, const std::string& type, const std::string& data)
{
    auto f = std::make_unique<TMJPGFrame>(nullptr, boundary);
    f->ContentType = type;
    if (!data.empty())
        f->SetBytes(TSharedBytes::Copy(data.data(), static_cast<int64_t>(data.size())));
    f->HasData();
    img.FrameList.push_back(std::move(f));
}

void ExpectSameHeader(const TMJPGHeader& a, const TMJPGHeader& b)
{
    EXPECT_EQ(a.Signature, b.Signature);
    EXPECT_EQ(a.VersionMajor, b.VersionMajor);
    EXPECT_EQ(a.VersionMinor, b.VersionMinor);
    EXPECT_EQ(a.Camera, b.Camera);
    // Date-times survive to the second.
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", a.EventTime), FormatDateTime("dd.mm.yyyy hh:nn:ss", b.EventTime));
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", a.BeginTime), FormatDateTime("dd.mm.yyyy hh:nn:ss", b.BeginTime));
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", a.EndTime), FormatDateTime("dd.mm.yyyy hh:nn:ss", b.EndTime));
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    EXPECT_EQ(a.FPS, b.FPS);
    EXPECT_EQ(a.Frames, b.Frames);
    EXPECT_EQ(a.PreAlarm, b.PreAlarm);
    EXPECT_EQ(a.Boundary, b.Boundary);
}

void ExpectSameFrames(const TMJPGImage& a, const TMJPGImage& b)
{
    ASSERT_EQ(a.FrameCount(), b.FrameCount());
    for (int32_t i = 0; i < a.FrameCount(); ++i) {
        const TMJPGFrame* x = a.GetFrame(i);
        const TMJPGFrame* y = b.GetFrame(i);
        EXPECT_EQ(x->ContentType, y->ContentType) << "frame " << i;
        EXPECT_EQ(x->ContentLength, y->ContentLength) << "frame " << i;
        EXPECT_EQ(x->Boundary, y->Boundary) << "frame " << i;
        ASSERT_EQ(x->Bytes().Size(), y->Bytes().Size()) << "frame " << i;
        if (x->Bytes().Size() > 0) {
            EXPECT_EQ(std::memcmp(x->Bytes().Memory(), y->Bytes().Memory(), static_cast<size_t>(x->Bytes().Size())), 0)
                << "frame " << i;
        }
    }
}

} // namespace

// The writer's bytes, spelled out line by line.
TEST(Writer, ByteExactHeaderAndParts)
{
    TMJPGImage img(nullptr);
    TMJPGHeader& h = *img.Header;
    h.Signature = "MJPG";
    h.VersionMajor = 1;
    h.VersionMinor = 3;
    h.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 3";
    h.EventTime = EncodeDateTime(2007, 3, 5, 14, 2, 9, 600); // fractions are dropped
    h.BeginTime = EncodeDateTime(2007, 3, 5, 4, 2, 0);
    h.EndTime = EncodeDateTime(1812, 9, 7, 23, 59, 59);
    h.Width = 704;
    h.Height = -1;
    h.FPS = 25;
    h.Frames = 7; // written as held, not the frame count
    h.PreAlarm = true;
    h.Boundary = "--bnd";
    const std::string d1 = NoisyData(300, 'a');
    AddFrame(img, "--bnd", "image/jpeg", d1);
    AddFrame(img, "other", "", ""); // no data: a part of length 0
    const std::string expected = "MJPG/1.3 Multipart JPEG stream\r\n"
                                 "Camera: \xCA\xE0\xEC\xE5\xF0\xE0 3\r\n"
                                 "Event: 05.03.2007 14:02:09\r\n"
                                 "Begin: 05.03.2007 04:02:00\r\n"
                                 "End: 07.09.1812 23:59:59\r\n"
                                 "Width: 704\r\n"
                                 "Height: -1\r\n"
                                 "FPS: 25\r\n"
                                 "Frames: 7\r\n"
                                 "Alarm: Pre\r\n"
                                 "Content-Type: multipart/x-mixed-replace; boundary=--bnd\r\n"
                                 "\r\n"
                                 "--bnd\r\n"
                                 "Content-Type: image/jpeg\r\n"
                                 "Content-Length: 300\r\n"
                                 "\r\n" +
                                 d1 +
                                 "\r\n"
                                 "other\r\n"
                                 "Content-Type: \r\n"
                                 "Content-Length: 0\r\n"
                                 "\r\n"
                                 "\r\n";
    EXPECT_EQ(Saved(img), expected);
}

TEST(Writer, EmptyHeaderIsWrittenWithZeroDatesAndPost)
{
    TMJPGImage img(nullptr);
    img.Header->Signature = "MJPG";
    EXPECT_EQ(Saved(img), "MJPG/0.0 Multipart JPEG stream\r\n"
                          "Camera: \r\n"
                          "Event: 30.12.1899 00:00:00\r\n"
                          "Begin: 30.12.1899 00:00:00\r\n"
                          "End: 30.12.1899 00:00:00\r\n"
                          "Width: 0\r\n"
                          "Height: 0\r\n"
                          "FPS: 0\r\n"
                          "Frames: 0\r\n"
                          "Alarm: Post\r\n"
                          "Content-Type: multipart/x-mixed-replace; boundary=\r\n"
                          "\r\n");
}

TEST(Writer, TheWritersExampleReadsAndSavesToTheSameBytes)
{
    const std::string bytes = HeaderText() + PartText(NoisyData(18000, 'x')) + PartText(NoisyData(17640, 'y'));
    auto img = Loaded(bytes);
    ASSERT_EQ(img->FrameCount(), 2);
    EXPECT_EQ(Saved(*img), bytes);
}

TEST(Writer, HeldLengthIsWrittenAsHeld)
{
    TMJPGImage img(nullptr);
    img.Header->Signature = "MJPG";
    AddFrame(img, "b", "t", "0123456789");
    img.GetFrame(0)->ContentLength = 4;
    const std::string out = Saved(img);
    EXPECT_NE(out.find("b\r\nContent-Type: t\r\nContent-Length: 4\r\n\r\n0123456789\r\n"), std::string::npos);
}

// Every fragment of crafted bytes that reads as valid: read, save, read and
// save again; the two saved byte strings are identical and the header values
// and frames survive.
TEST(Writer, RoundTripIsByteExact)
{
    const std::string D1 = NoisyData(100, 'A'), D2 = NoisyData(57, 'B');
    const std::vector<std::string> sources = {
        HeaderText() + PartText(D1) + PartText(D2),
        HeaderText(ExampleLines(), "MJPG/1.3 Multipart JPEG stream") + PartText(D1, "--abcd") + PartText(D2, "x"),
        HeaderText("Camera:   \xCA\xE0\xEC\xE5\xF0\xE0   \r\nAlarm:Pre\r\nWidth: 704\r\nHeight: 576\r\nFPS: 25\r\nFrames: "
               "-3\r\nEvent: 1.2.1700 1:02\r\nBegin: 31.12.9999 23:59:59\r\nEnd: 12:34\r\nContent-Type: x/y "
               "b=\xFFq\r\n", "MJPG/7.9"),
        HeaderText("Camera: only\r\n", "MJPG") + PartText(D1, "--") + PartText(D2, "--"),
        HeaderText() + PartText({.Data = "", .LengthLine = "Content-Length: 0"}, "abcd") + PartText({.Data = "", .LengthLine = "Content-Length: -5"}, "abcd") + PartText(D1) +
            PartText({.Data = D2, .LengthLine = "Content-Length: 1000", .After = ""}, "abcd"),
        HeaderText() + PartText(D1) + "\r\n" + PartText(D2),
        HeaderText(),
    };
    for (size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE("source " + std::to_string(i));
        auto first = Loaded(sources[i]);
        ASSERT_TRUE(first->Header->IsValid());
        const std::string saved1 = Saved(*first);
        auto second = Loaded(saved1);
        ASSERT_TRUE(second->Header->IsValid());
        ExpectSameHeader(*first->Header, *second->Header);
        ExpectSameFrames(*first, *second);
        EXPECT_EQ(Saved(*second), saved1);
    }
}

// An empty boundary: the header line keeps it empty, every part's delimiter
// line is "--", and the fragment reads back with the same frames.
TEST(Writer, EmptyBoundaryWritesDashDashDelimiters)
{
    const std::string D1 = NoisyData(100, 'A'), D2 = NoisyData(57, 'B');
    auto img = Loaded(HeaderText("Camera: 1\r\nContent-Type: multipart/x-mixed-replace\r\n") + PartText(D1, "--x") +
                      PartText(D2, "--x"));
    ASSERT_TRUE(img->Header->IsValid());
    ASSERT_EQ(img->Header->Boundary, "");
    ASSERT_EQ(img->FrameCount(), 2);
    const std::string saved = Saved(*img);
    EXPECT_NE(saved.find("\r\nContent-Type: multipart/x-mixed-replace; boundary=\r\n\r\n--\r\nContent-Type: "
                         "image/jpeg\r\nContent-Length: 100\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(saved.find(D1 + "\r\n--\r\nContent-Type: image/jpeg\r\nContent-Length: 57\r\n\r\n" + D2 + "\r\n"),
              std::string::npos);
    auto back = Loaded(saved);
    EXPECT_EQ(back->Header->Boundary, "");
    ExpectSameFrames(*img, *back);
    EXPECT_EQ(Saved(*back), saved);
}

TEST(Writer, TheHeaderIsOneWriteAndEachPartThree)
{
    const std::string D1 = NoisyData(100, 'A');
    auto img = Loaded(HeaderText() + PartText(D1) + PartText({.Data = "", .LengthLine = "Content-Length: 0"}, "abcd"));
    TNoPeekStream out;
    ASSERT_EQ(img->SaveToStream(&out), 2);
    ASSERT_EQ(out.Writes.size(), 1u + 3u + 2u) << "a part without data writes no data block";
    EXPECT_EQ(out.Writes[0], HeaderText());
    EXPECT_EQ(out.Writes[1], "abcd\r\nContent-Type: image/jpeg\r\nContent-Length: 100\r\n\r\n");
    EXPECT_EQ(out.Writes[2], D1);
    EXPECT_EQ(out.Writes[3], "\r\n");
    EXPECT_EQ(out.Writes[4], "abcd\r\nContent-Type: image/jpeg\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(out.Writes[5], "\r\n");
}

TEST(Writer, NullStreamsAndFramesWithoutData)
{
    auto img = Loaded(HeaderText() + PartText(NoisyData(10, 'A')));
    EXPECT_EQ(img->SaveToStream(nullptr), 0);
    img->Header->WriteToStream(nullptr);
    img->GetFrame(0)->WriteToStream(nullptr);
    TMemoryStream out;
    img->FrameList[0] = nullptr;
    img->FrameList.push_back(nullptr);
    EXPECT_EQ(img->SaveToStream(&out), 2) << "null entries are passed over";
    EXPECT_EQ(StreamBytes(out), HeaderText());
}

TEST(Writer, SaveToAFileAndLoadItBack)
{
    TScratchFolder dir;
    const std::string bytes = HeaderText() + PartText(NoisyData(5000, 'A')) + PartText(NoisyData(70000, 'B'));
    auto img = Loaded(bytes);
    const std::string path = dir / "out.mjpg";
    {
        TFileStream f(path, TFileMode::fmCreate);
        EXPECT_EQ(img->SaveToStream(&f), 2);
    }
    EXPECT_EQ(ReadFileBytes(path), bytes);
    TFileStream f(path, TFileMode::fmOpenRead);
    TMJPGImage back(&f);
    ExpectSameFrames(*img, back);
}

// ------------------------------------------------------------ failing writes

// A stream that takes fewer bytes than asked at any point of the save: the
// save raises EWriteError instead of reporting success.
TEST(WriterFailure, EveryShortWriteRaises)
{
    const std::string bytes = HeaderText() + PartText(NoisyData(100, 'A')) + PartText({.Data = "", .LengthLine = "Content-Length: 0"}, "abcd") +
                              PartText(NoisyData(33, 'B'));
    auto img = Loaded(bytes);
    ASSERT_EQ(img->FrameCount(), 3);
    const int64_t total = static_cast<int64_t>(bytes.size());
    for (int64_t capacity = 0; capacity < total; ++capacity) {
        TFailingWriteStream out(capacity);
        EXPECT_THROW(img->SaveToStream(&out), EWriteError) << "room for " << capacity << " of " << total;
    }
    TFailingWriteStream out(total);
    EXPECT_EQ(img->SaveToStream(&out), 3);
    EXPECT_EQ(out.Bytes(), bytes);
}

TEST(WriterFailure, HeaderAndFrameWritesRaise)
{
    auto img = Loaded(HeaderText() + PartText(NoisyData(100, 'A')));
    TFailingWriteStream none(0);
    EXPECT_THROW(img->Header->WriteToStream(&none), EWriteError);
    EXPECT_THROW(img->GetFrame(0)->WriteToStream(&none), EWriteError);
    TFailingWriteStream textOnly(60);
    EXPECT_THROW(img->GetFrame(0)->WriteToStream(&textOnly), EWriteError) << "the data does not fit";
}

TEST(WriterFailure, SavingToDevFullRaises)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    auto img = Loaded(HeaderText() + PartText(NoisyData(100, 'A')));
    TFileStream f("/dev/full", TFileMode::fmCreate);
    try {
        img->SaveToStream(&f);
        FAIL() << "a save to /dev/full reported success";
    } catch (const EWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos) << e.what();
    }
}
