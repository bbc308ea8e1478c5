// mjpgtool pack, extract and rewrite: the bytes they write, compared with
// the writer's form built here line by line and with the pictures given.
#include "toolfixtures.h"
#include "toolrunner.h"

#include <gtest/gtest.h>

using namespace fixture;

#include <filesystem>
#include <set>

namespace {

// Three different pictures in files p0.jpg, p1.jpg, p2.jpg.
struct TPictures {
    explicit TPictures(const TScratchFolder& dir)
    {
        for (int i = 0; i < 3; ++i) {
            Bytes.push_back(MakeFrame({.Index = i, .Width = 48 - 8 * i, .Height = 32 + 8 * i}));
            Paths.push_back(dir / ("p" + std::to_string(i) + ".jpg"));
            WriteFileBytes(Paths.back(), Bytes.back());
        }
    }
    std::vector<std::string> Bytes;
    std::vector<std::string> Paths;
};

std::set<std::string> FileNames(const std::filesystem::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

TEST(MjpgtoolPack, WritesTheWritersFormWithTheOptionsGiven)
{
    struct TCase {
        const char* Name;
        std::vector<std::string> Options;
        THeaderLines Expected = PackDefaults(); // Width, Height and Frames are filled in below
    };
    auto header = [](auto change) {
        THeaderLines h = PackDefaults();
        change(h);
        return h;
    };
    const TCase cases[] = {
        {"defaults", {}, PackDefaults()},
        {"every option",
         {"--camera", "Камера №5", "--event", "05.03.2007 14:02:09", "--begin", "05.03.2007 14:02:00", "--end",
          "05.03.2007 14:02:20", "--fps", "5", "--pre", "--boundary", "abcd"},
         header([](THeaderLines& h) {
             h.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 \xB9" "5";
             h.Event = "05.03.2007 14:02:09";
             h.Begin = "05.03.2007 14:02:00";
             h.End = "05.03.2007 14:02:20";
             h.FPS = 5;
             h.PreAlarm = true;
             h.Boundary = "abcd";
         })},
        {"option=value, shorter date forms, blanks around the camera dropped as a reader would",
         {"--camera=  Ворота\t", "--event=5.3.2007 9:02", "--fps=1", "--boundary=--граница"},
         header([](THeaderLines& h) {
             h.Camera = "\xC2\xEE\xF0\xEE\xF2\xE0";
             h.Event = "05.03.2007 09:02:00";
             h.FPS = 1;
             h.Boundary = "--\xE3\xF0\xE0\xED\xE8\xF6\xE0";
         })},
    };
    TScratchFolder dir;
    const TPictures pictures(dir);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args = {"pack"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        args.push_back(dir / "f.mjpg");
        args.insert(args.end(), pictures.Paths.begin(), pictures.Paths.end());
        const TToolResult r = RunTool(args);
        ASSERT_EQ(r.Status, 0) << r.Err;

        THeaderLines expected = c.Expected;
        expected.Width = 48; // the first picture's size
        expected.Height = 32;
        expected.Frames = 3;
        std::string bytes = expected.Text();
        for (const std::string& jpeg : pictures.Bytes)
            bytes += PartText(jpeg, expected.Boundary, "image/jpeg");
        EXPECT_EQ(ReadFileBytes(dir / "f.mjpg"), bytes);
    }
}

TEST(MjpgtoolExtract, WritesEveryPictureOfAPackedFragmentByteForByte)
{
    TScratchFolder dir;
    const TPictures pictures(dir);
    std::vector<std::string> args = {"pack", dir / "f.mjpg"};
    args.insert(args.end(), pictures.Paths.begin(), pictures.Paths.end());
    ASSERT_EQ(RunTool(args).Status, 0);

    const std::string out = dir / "frames/of/f"; // folders are made as needed
    const TToolResult r = RunTool({"extract", dir / "f.mjpg", out});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(FileNames(out), (std::set<std::string>{"000000.jpg", "000001.jpg", "000002.jpg"}));
    for (size_t i = 0; i < pictures.Bytes.size(); ++i)
        EXPECT_EQ(ReadFileBytes(out + "/00000" + std::to_string(i) + ".jpg"), pictures.Bytes[i]) << i;
}

TEST(MjpgtoolExtract, SkipsFramesWithoutDataAndKeepsEachFramesIndex)
{
    TScratchFolder dir;
    const std::string a = MakeFrame({.Index = 1, .Width = 8, .Height = 8}), b = MakeFrame({.Index = 2, .Width = 8, .Height = 8});
    // Delimiters that differ from the boundary are no concern of the reader.
    WriteFileBytes(dir / "f.mjpg", PackDefaults().Text() + PartText(a, "--x", "image/jpeg") +
                                       PartText("", "--x", "image/jpeg") + PartText("", "--x", "image/jpeg") +
                                       PartText(b, "--x", "image/jpeg"));
    const TToolResult r = RunTool({"extract", dir / "f.mjpg", dir / "out"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(FileNames(dir / "out"), (std::set<std::string>{"000000.jpg", "000003.jpg"}));
    EXPECT_EQ(ReadFileBytes(dir / "out/000000.jpg"), a);
    EXPECT_EQ(ReadFileBytes(dir / "out/000003.jpg"), b);
}

TEST(MjpgtoolRewrite, KeepsTheWritersFormAndNormalisesAnyOther)
{
    TScratchFolder dir;
    const std::string a = MakeFrame({.Index = 1, .Width = 8, .Height = 8}), b = MakeFrame({.Index = 2, .Width = 16, .Height = 8});
    THeaderLines header = PackDefaults();
    header.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0";
    header.Boundary = "bnd";
    header.Frames = 9;
    header.PreAlarm = true;
    const std::string written =
        header.Text() + PartText(a, "bnd", "image/jpeg") + PartText("", "bnd", "") + PartText(b, "bnd", "image/jpeg");
    // The same fragment as another recorder might write it: keys in another
    // order, extra blanks, "--" before the delimiters, bytes before a CR LF.
    const std::string loose =
        "MJPG/1.0 whatever\r\nX-Note: ignored\r\nFrames: 9\r\nCamera:   \xCA\xE0\xEC\xE5\xF0\xE0  \r\n"
        "Event:  30.12.1899 00:00:00 \r\nBegin: 30.12.1899\r\nEnd: 30.12.1899 00:00\r\nAlarm:Pre\r\n"
        "FPS: 25\r\nWidth: 0\r\nHeight: 0\r\nContent-Type: multipart/x-mixed-replace; boundary= bnd tail\r\n\r\n"
        "--bnd\r\nContent-Length: " + std::to_string(a.size()) + "\r\nContent-Type:  image/jpeg \r\n\r\n" + a +
        "junk\r\n--bnd\r\n\r\n\r\n--bnd\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(b.size()) +
        "\r\n\r\n" + b + "\r\n";
    const struct {
        const char* Name;
        std::string Input;
    } cases[] = {{"writer's form", written}, {"loose form", loose}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFileBytes(dir / "in.mjpg", c.Input);
        const TToolResult r = RunTool({"rewrite", dir / "in.mjpg", dir / "out.mjpg"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(ReadFileBytes(dir / "out.mjpg"), written);
        // In place: the fragment is loaded whole before the file is created.
        ASSERT_EQ(RunTool({"rewrite", dir / "in.mjpg", dir / "in.mjpg"}).Status, 0);
        EXPECT_EQ(ReadFileBytes(dir / "in.mjpg"), written);
    }
}
