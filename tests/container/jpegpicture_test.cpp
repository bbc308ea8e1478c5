// Decoding a frame's picture: errors become EJPEGError and nothing is
// printed.
#include "container/jpegpicture.h"
#include "container/mjpgframe.h"

#include "jpegencode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

struct TRGB {
    int r, g, b;
};

// The colour of pixel (x, y) in any layout.
TRGB PixelAt(const TDecodedPicture& p, int x, int y)
{
    const uint8_t* row = p.Pixels.get() + static_cast<size_t>(y) * p.BytesPerLine;
    switch (p.Layout) {
    case TPixelLayout::BGRX32:
        return {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]};
    case TPixelLayout::BGR24:
        return {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]};
    case TPixelLayout::Indexed8: {
        const uint32_t c = p.Palette.at(row[x]);
        return {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF)};
    }
    }
    return {};
}

// Decodes while capturing stderr; returns what was printed.
std::string DecodeQuietly(const std::vector<uint8_t>& bytes, TPixelLayout layout, bool& threw, std::string& error)
{
    threw = false;
    CaptureStderr();
    try {
        TDecodedPicture p = DecodeJPEG(bytes.data(), bytes.size(), layout);
        (void)p;
    } catch (const EJPEGError& e) {
        threw = true;
        error = e.what();
    } catch (...) {
        threw = true;
        error = "an exception that is not EJPEGError";
    }
    return GetCapturedStderr();
}

const TPixelLayout kLayouts[] = {TPixelLayout::BGRX32, TPixelLayout::BGR24, TPixelLayout::Indexed8};

const char* LayoutName(TPixelLayout l)
{
    return l == TPixelLayout::BGRX32 ? "BGRX32" : l == TPixelLayout::BGR24 ? "BGR24" : "Indexed8";
}

} // namespace

TEST(JPEGPicture, SolidColourInEveryLayout)
{
    const int w = 37, h = 21; // odd sizes: rows are padded to 4 bytes
    const std::vector<uint8_t> jpeg = EncodeSolidJPEG(w, h, 200, 100, 50, 95);
    for (TPixelLayout layout : kLayouts) {
        SCOPED_TRACE(LayoutName(layout));
        CaptureStderr();
        const TDecodedPicture p = DecodeJPEG(jpeg.data(), jpeg.size(), layout);
        EXPECT_EQ(GetCapturedStderr(), "");
        EXPECT_EQ(p.Width, w);
        EXPECT_EQ(p.Height, h);
        EXPECT_EQ(p.Layout, layout);
        const int bpp = layout == TPixelLayout::BGRX32 ? 4 : layout == TPixelLayout::BGR24 ? 3 : 1;
        EXPECT_EQ(p.BytesPerLine, (w * bpp + 3) / 4 * 4);
        ASSERT_NE(p.Pixels, nullptr);
        if (layout == TPixelLayout::Indexed8) {
            EXPECT_GE(p.Palette.size(), 1u);
            EXPECT_LE(p.Palette.size(), 236u);
        } else {
            EXPECT_TRUE(p.Palette.empty());
        }
        const int tolerance = layout == TPixelLayout::Indexed8 ? 8 : 3;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const TRGB c = PixelAt(p, x, y);
                ASSERT_NEAR(c.r, 200, tolerance) << x << "," << y;
                ASSERT_NEAR(c.g, 100, tolerance) << x << "," << y;
                ASSERT_NEAR(c.b, 50, tolerance) << x << "," << y;
                if (layout == TPixelLayout::BGRX32) {
                    ASSERT_EQ(p.Pixels.get()[static_cast<size_t>(y) * p.BytesPerLine + x * 4 + 3], 0xFF);
                }
            }
    }
}

TEST(JPEGPicture, ColoursLandInTheRightChannels)
{
    // Left half red, right half blue: a swap of R and B would show.
    const int w = 32, h = 16;
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            px[0] = x < w / 2 ? 255 : 0;
            px[2] = x < w / 2 ? 0 : 255;
        }
    const std::vector<uint8_t> jpeg = EncodeJPEG(rgb.data(), w, h, 95);
    for (TPixelLayout layout : kLayouts) {
        SCOPED_TRACE(LayoutName(layout));
        const TDecodedPicture p = DecodeJPEG(jpeg.data(), jpeg.size(), layout);
        const TRGB left = PixelAt(p, 2, 8), right = PixelAt(p, w - 3, 8);
        EXPECT_GT(left.r, 200);
        EXPECT_LT(left.b, 60);
        EXPECT_GT(right.b, 200);
        EXPECT_LT(right.r, 60);
    }
}

// A reduced decode gives the picture at 1/2, 1/4 or 1/8 of its size, rounded
// up, with its colours where they were; other reductions are refused.
TEST(JPEGPicture, ReducedDecodingInEveryLayout)
{
    const int w = 75, h = 43; // odd sizes: the reduced sizes round up
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            px[0] = x < w / 2 ? 255 : 0;
            px[2] = x < w / 2 ? 0 : 255;
        }
    const std::vector<uint8_t> jpeg = EncodeJPEG(rgb.data(), w, h, 95);
    const struct {
        int Reduction, Width, Height;
    } cases[] = {{1, 75, 43}, {2, 38, 22}, {4, 19, 11}, {8, 10, 6}};
    for (TPixelLayout layout : kLayouts)
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(LayoutName(layout)) + " 1/" + std::to_string(c.Reduction));
            const TDecodedPicture p = DecodeJPEG(jpeg.data(), jpeg.size(), layout, c.Reduction);
            EXPECT_EQ(p.Width, c.Width);
            EXPECT_EQ(p.Height, c.Height);
            const int bpp = layout == TPixelLayout::BGRX32 ? 4 : layout == TPixelLayout::BGR24 ? 3 : 1;
            EXPECT_EQ(p.BytesPerLine, (c.Width * bpp + 3) / 4 * 4);
            const TRGB left = PixelAt(p, 0, p.Height / 2), right = PixelAt(p, p.Width - 1, p.Height / 2);
            EXPECT_GT(left.r, 200);
            EXPECT_LT(left.b, 60);
            EXPECT_GT(right.b, 200);
            EXPECT_LT(right.r, 60);
        }
    for (int wrong : {0, -2, 3, 16})
        EXPECT_THROW(DecodeJPEG(jpeg.data(), jpeg.size(), TPixelLayout::BGRX32, wrong), EJPEGError) << wrong;
}

// The largest reduction that still covers the size the picture is shown at.
TEST(JPEGPicture, ReductionForTheShownSize)
{
    const struct {
        int PictureWidth, PictureHeight, Width, Height, Reduction;
    } cases[] = {
        {1920, 1080, 1920, 1080, 1}, {1920, 1080, 961, 540, 1}, {1920, 1080, 960, 540, 2},
        {1920, 1080, 640, 360, 2},   {1920, 1080, 480, 270, 4}, {1920, 1080, 160, 90, 8},
        {1920, 1080, 10, 10, 8},     {704, 576, 352, 289, 1},   {704, 576, 88, 72, 8},
        {705, 577, 89, 73, 8},       {1920, 1080, 0, 0, 1},     {1920, 1080, 3000, 2000, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReductionFor(c.PictureWidth, c.PictureHeight, c.Width, c.Height), c.Reduction)
            << c.PictureWidth << "x" << c.PictureHeight << " shown at " << c.Width << "x" << c.Height;
    EXPECT_EQ(ReducedSize(705, 8), 89);
    EXPECT_EQ(ReducedSize(704, 8), 88);
}

// Four-colour pictures as cameras and image programs write them: plain CMYK,
// and Adobe's CMYK and YCCK with inverted inks. Four stripes of inks that
// give red, blue, mid grey and white.
TEST(JPEGPicture, FourColourPicturesDecodeToColour)
{
    struct TStripe {
        uint8_t Ink[4]; // C M Y K
        TRGB Colour;
    } stripes[] = {
        {{0, 255, 255, 0}, {255, 0, 0}},
        {{255, 255, 0, 0}, {0, 0, 255}},
        {{0, 0, 0, 128}, {127, 127, 127}},
        {{0, 0, 0, 0}, {255, 255, 255}},
    };
    const int w = 64, h = 16, stripe = w / 4;
    for (TCMYKStorage storage : {TCMYKStorage::Plain, TCMYKStorage::AdobeCMYK, TCMYKStorage::AdobeYCCK}) {
        SCOPED_TRACE(storage == TCMYKStorage::Plain ? "plain CMYK" : storage == TCMYKStorage::AdobeCMYK ? "Adobe CMYK" : "Adobe YCCK");
        std::vector<uint8_t> cmyk(static_cast<size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) {
                    const uint8_t ink = stripes[x / stripe].Ink[c];
                    cmyk[(static_cast<size_t>(y) * w + x) * 4 + c] =
                        storage == TCMYKStorage::Plain ? ink : uint8_t(255 - ink);
                }
        const std::vector<uint8_t> jpeg = EncodeCMYKJPEG(cmyk.data(), w, h, storage);
        for (TPixelLayout layout : kLayouts) {
            SCOPED_TRACE(LayoutName(layout));
            bool threw = false;
            std::string error;
            EXPECT_EQ(DecodeQuietly(jpeg, layout, threw, error), "");
            ASSERT_FALSE(threw) << error;
            const TDecodedPicture p = DecodeJPEG(jpeg.data(), jpeg.size(), layout);
            EXPECT_EQ(p.Width, w);
            EXPECT_EQ(p.Height, h);
            if (layout == TPixelLayout::Indexed8) {
                EXPECT_EQ(p.Palette.size(), 236u);
            }
            // A dithered grey mixes neighbouring palette greys.
            const int tolerance = layout == TPixelLayout::Indexed8 ? 16 : 6;
            for (int s = 0; s < 4; ++s) {
                SCOPED_TRACE(s);
                TRGB sum{0, 0, 0};
                const int x0 = s * stripe + 4, x1 = s * stripe + stripe - 4;
                for (int x = x0; x < x1; ++x) {
                    const TRGB c = PixelAt(p, x, h / 2);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
                const int n = x1 - x0;
                EXPECT_NEAR(sum.r / n, stripes[s].Colour.r, tolerance);
                EXPECT_NEAR(sum.g / n, stripes[s].Colour.g, tolerance);
                EXPECT_NEAR(sum.b / n, stripes[s].Colour.b, tolerance);
            }
        }
    }
}

TEST(JPEGPicture, FramePictureIgnoresTheDataPosition)
{
    const std::vector<uint8_t> jpeg = EncodeSolidJPEG(16, 8, 10, 20, 30);
    TMJPGFrame f(nullptr, "b");
    f.SetBytes(TSharedBytes::Copy(jpeg.data(), static_cast<int64_t>(jpeg.size())));
    f.HasData();
    const TDecodedPicture p = DecodeFramePicture(f, TPixelLayout::BGR24);
    EXPECT_EQ(p.Width, 16);
    EXPECT_EQ(p.Height, 8);
    TMJPGFrame empty(nullptr, "b");
    EXPECT_THROW(DecodeFramePicture(empty), EJPEGError);
}

TEST(JPEGPicture, ReadJPEGSize)
{
    const std::vector<uint8_t> jpeg = EncodeSolidJPEG(704, 576, 1, 2, 3, 50);
    int w = 0, h = 0;
    ASSERT_TRUE(ReadJPEGSize(jpeg.data(), jpeg.size(), w, h));
    EXPECT_EQ(w, 704);
    EXPECT_EQ(h, 576);
    const std::vector<uint8_t> junk(100, 0x55);
    CaptureStderr();
    EXPECT_FALSE(ReadJPEGSize(junk.data(), junk.size(), w, h));
    EXPECT_FALSE(ReadJPEGSize(nullptr, 0, w, h));
    EXPECT_EQ(GetCapturedStderr(), "");
}

// Corrupt pictures: never a crash, never a word on stderr, and an
// EJPEGError wherever libjpeg cannot make a picture of them.
TEST(JPEGPicture, CorruptPicturesRaiseAndPrintNothing)
{
    const std::vector<uint8_t> good = EncodeSolidJPEG(64, 48, 90, 160, 220);
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back({});                                                // empty
    bad.push_back({0xFF, 0xD8});                                      // SOI only
    bad.push_back({0xFF, 0xD8, 0xFF, 0xD9});                          // SOI EOI
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 20)); // cut inside the header
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 4));
    std::mt19937 rng(99);
    for (int i = 0; i < 20; ++i) {
        std::vector<uint8_t> r(static_cast<size_t>(1 + rng() % 2000));
        for (uint8_t& b : r)
            b = static_cast<uint8_t>(rng());
        if (i % 2)
            r[0] = 0xFF, r[1 % r.size()] = 0xD8; // random bytes after a valid SOI
        bad.push_back(r);
    }
    for (size_t i = 0; i < bad.size(); ++i)
        for (TPixelLayout layout : kLayouts) {
            SCOPED_TRACE("case " + std::to_string(i) + " " + LayoutName(layout));
            bool threw = false;
            std::string error;
            EXPECT_EQ(DecodeQuietly(bad[i], layout, threw, error), "");
            EXPECT_TRUE(threw);
            if (threw) {
                EXPECT_NE(error.find("JPEG"), std::string::npos) << error;
            }
        }
    EXPECT_THROW(DecodeJPEG(nullptr, 0), EJPEGError);
}

// A picture cut inside its compressed data, or with damaged data, may still
// give a picture (libjpeg warns and fills in); it never crashes or prints.
TEST(JPEGPicture, DamagedDataNeverCrashesOrPrints)
{
    const int w = 128, h = 96;
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>(i * 37 % 251);
    const std::vector<uint8_t> good = EncodeJPEG(rgb.data(), w, h, 80);
    std::mt19937 rng(5);
    for (int i = 0; i < 60; ++i) {
        std::vector<uint8_t> b = good;
        if (i < 20) {
            b.resize(good.size() / 2 + static_cast<size_t>(i) * good.size() / 45); // cut in the scan data
        } else {
            for (int k = 0; k < 1 + i % 8; ++k)
                b[good.size() / 3 + rng() % (good.size() * 2 / 3 - 2)] = static_cast<uint8_t>(rng());
        }
        for (TPixelLayout layout : kLayouts) {
            SCOPED_TRACE("case " + std::to_string(i) + " " + LayoutName(layout));
            CaptureStderr();
            try {
                const TDecodedPicture p = DecodeJPEG(b.data(), b.size(), layout);
                EXPECT_EQ(p.Width, w);
                EXPECT_EQ(p.Height, h);
            } catch (const EJPEGError&) {
            }
            EXPECT_EQ(GetCapturedStderr(), "");
        }
    }
}

// A header that claims more than 100 megapixels is refused before any
// memory is taken for it.
TEST(JPEGPicture, HugePicturesAreRefused)
{
    std::vector<uint8_t> jpeg = EncodeSolidJPEG(16, 16, 1, 2, 3);
    size_t sof = 0;
    for (size_t i = 0; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC1 || jpeg[i + 1] == 0xC2)) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u) << "no SOF marker";
    // FF C0, length (2), precision (1), height (2), width (2).
    jpeg[sof + 5] = 0xEA, jpeg[sof + 6] = 0x60; // 60000
    jpeg[sof + 7] = 0xEA, jpeg[sof + 8] = 0x60; // 60000
    int w = 0, h = 0;
    ASSERT_TRUE(ReadJPEGSize(jpeg.data(), jpeg.size(), w, h));
    EXPECT_EQ(w, 60000);
    EXPECT_EQ(h, 60000);
    for (TPixelLayout layout : kLayouts) {
        bool threw = false;
        std::string error;
        EXPECT_EQ(DecodeQuietly(jpeg, layout, threw, error), "");
        EXPECT_TRUE(threw) << LayoutName(layout);
    }
}
