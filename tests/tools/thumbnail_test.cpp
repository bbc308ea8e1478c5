// mjpgtool thumbnail: the fragment's first picture with data, fitted into a
// square of --size (or -s) pixels, as a PNG; and no file at all when the
// fragment has no picture to show.
#include "toolfixtures.h"
#include "toolrunner.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace fixture;

namespace {

struct TPng {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Rgb;
};

// The PNG file read back with libpng; width 0 when it is not one.
TPng ReadPng(const std::filesystem::path& path)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    TPng png;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return png;
    image.format = PNG_FORMAT_RGB;
    png.Rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, png.Rgb.data(), 0, nullptr))
        return png;
    png.Width = static_cast<int>(image.width);
    png.Height = static_cast<int>(image.height);
    return png;
}

// A fragment whose first part has no data and whose pictures are solid
// frames 1 and 2 of this size.
std::string FragmentOfPictures(int width, int height)
{
    return TFragmentBuilder()
        .EmptyParts(1)
        .Pictures(2, {.Index = 1, .Width = width, .Height = height})
        .Bytes();
}

} // namespace

TEST(MjpgtoolThumbnail, TheFirstPictureWithDataFitsTheSizeAndKeepsItsColours)
{
    const TScratchFolder dir;
    WriteFileBytes(dir / "wide.mjpg", FragmentOfPictures(320, 240));
    WriteFileBytes(dir / "small.mjpg", FragmentOfPictures(48, 32));
    const struct {
        const char* Name;
        std::vector<std::string> Args;
        int Width, Height;
    } cases[] = {
        {"--size", {"thumbnail", "{d}/wide.mjpg", "{d}/out.png", "--size", "64"}, 64, 48},
        {"-s as thumbnailers give it, before the paths", {"thumbnail", "-s", "100", "{d}/wide.mjpg", "{d}/out.png"}, 100, 75},
        {"--size=", {"thumbnail", "--size=319", "{d}/wide.mjpg", "{d}/out.png"}, 319, 239},
        {"the default size, larger than the picture", {"thumbnail", "{d}/wide.mjpg", "{d}/out.png"}, 256, 192},
        {"a picture smaller than the size keeps its size", {"thumbnail", "{d}/small.mjpg", "{d}/out.png", "-s", "128"}, 48, 32},
        {"one pixel", {"thumbnail", "{d}/small.mjpg", "{d}/out.png", "-s", "1"}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args;
        for (std::string arg : c.Args) {
            if (const size_t at = arg.find("{d}"); at != std::string::npos)
                arg.replace(at, 3, dir.Path().string());
            args.push_back(arg);
        }
        const TToolResult r = RunTool(args);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Err, "");
        const TPng png = ReadPng(dir / "out.png");
        ASSERT_EQ(png.Width, c.Width);
        EXPECT_EQ(png.Height, c.Height);
        // Every pixel has the colour of frame 1 (the part before it has no
        // data): red 15, green 128, blue 240, give or take JPEG's rounding.
        int worst = 0;
        for (size_t i = 0; i < png.Rgb.size(); i += 3) {
            worst = std::max({worst, std::abs(png.Rgb[i] - 15), std::abs(png.Rgb[i + 1] - 128),
                              std::abs(png.Rgb[i + 2] - 240)});
        }
        EXPECT_LE(worst, 6);
        // Nothing but the thumbnail is left in the folder.
        int files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            ++files;
        EXPECT_EQ(files, 3);
        std::filesystem::remove(dir / "out.png");
    }
}

TEST(MjpgtoolThumbnail, NoPictureToShowLeavesNoFile)
{
    const TScratchFolder dir;
    WriteFileBytes(dir / "empty.mjpg", TFragmentBuilder().EmptyParts(3).Bytes());
    WriteFileBytes(dir / "broken.mjpg", TFragmentBuilder().EmptyParts(1).Part(Garbage(500)).Pictures(1).Bytes());
    std::string cut = MakeFrame({.Index = 1, .Width = 64, .Height = 64});
    cut.resize(40); // inside its headers: a picture cut later shows what it has, grey below
    WriteFileBytes(dir / "cut.mjpg", TFragmentBuilder().Part(cut).Bytes());
    WriteFileBytes(dir / "invalid.mjpg", "MJPEG/1.0 Multipart JPEG stream\r\n\r\n");
    WriteFileBytes(dir / "valid.mjpg", FragmentOfPictures(32, 32));
    const std::string out = (dir / "out.png");
    const struct {
        const char* Name;
        std::vector<std::string> Args;
        int Status;
        std::string Error;
    } cases[] = {
        {"no part has data", {"thumbnail", (dir / "empty.mjpg"), out}, 1, "нет кадра с изображением"},
        {"the first picture is no JPEG", {"thumbnail", (dir / "broken.mjpg"), out}, 1, "не декодируется"},
        {"the first picture is cut in its headers", {"thumbnail", (dir / "cut.mjpg"), out}, 1, "не декодируется"},
        {"not a fragment", {"thumbnail", (dir / "invalid.mjpg"), out}, 1, "не является фрагментом MJPG"},
        {"a missing file", {"thumbnail", (dir / "missing.mjpg"), out}, 3, "missing.mjpg"},
        {"size zero", {"thumbnail", (dir / "valid.mjpg"), out, "--size", "0"}, 2, "неверный размер \"0\""},
        {"size without a number", {"thumbnail", (dir / "valid.mjpg"), out, "-s"}, 2, "\"-s\" не указано значение"},
        {"no output", {"thumbnail", (dir / "valid.mjpg")}, 2, "thumbnail: нужны"},
        {"into a missing folder", {"thumbnail", (dir / "valid.mjpg"), (dir / "no/out.png")}, 3, "out.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TToolResult r = RunTool(c.Args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_NE(r.Err.find(c.Error), std::string::npos) << r.Err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}
