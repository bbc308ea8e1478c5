// fuzz_seeds: writes the seed inputs of the fuzz targets, one folder per
// target under the given folder. Fragments are in the program's writer form
// (built with the fixture library) or crafted around it; JPEGs are
// encoded here with libjpeg (baseline, progressive, grayscale, arithmetic
// coding, restart markers, other samplings) and with EncodeJPEG.
//
// usage: fuzz_seeds DIR
#include "container/mjpgimage.h"
#include "core/cp1251.h"
#include "core/datetime.h"
#include "core/streams.h"
#include "fixtures/fragmentbuilder.h"
#include "jpegencode.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

using TBytes = std::vector<uint8_t>;

void Save(const fs::path& dir, const std::string& name, const std::string& bytes)
{
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + (dir / name).string());
}

std::string AsText(const TBytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// --------------------------------------------------------------- JPEGs

struct TJPEGOptions {
    int Width = 16;
    int Height = 16;
    int Components = 3; // 1 gray, 3 colour, 4 CMYK
    bool Progressive = false;
    bool Arithmetic = false;
    bool Optimize = false;
    int RestartRows = 0;
    int HSamp = 2, VSamp = 2; // of the first component
    int Quality = 75;
};

TBytes Pattern(int width, int height, int components)
{
    TBytes pixels(static_cast<size_t>(width) * height * components);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                pixels[(static_cast<size_t>(y) * width + x) * components + c] =
                    static_cast<uint8_t>((x * 37 + y * 11 + c * 85) ^ (x * y));
    return pixels;
}

TBytes EncodeVariant(const TJPEGOptions& o)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(o.Width);
    cinfo.image_height = static_cast<JDIMENSION>(o.Height);
    cinfo.input_components = o.Components;
    cinfo.in_color_space = o.Components == 1 ? JCS_GRAYSCALE : o.Components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, o.Quality, TRUE);
    if (o.Components == 3) {
        cinfo.comp_info[0].h_samp_factor = o.HSamp;
        cinfo.comp_info[0].v_samp_factor = o.VSamp;
    }
    cinfo.arith_code = o.Arithmetic ? TRUE : FALSE;
    cinfo.optimize_coding = o.Optimize ? TRUE : FALSE;
    cinfo.restart_in_rows = o.RestartRows;
    if (o.Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const TBytes pixels = Pattern(o.Width, o.Height, o.Components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(pixels.data() +
                                            static_cast<size_t>(cinfo.next_scanline) * o.Width * o.Components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    TBytes result(out, out + outSize);
    std::free(out);
    return result;
}

// The JPEG with the size in its frame header replaced (the data stays that
// of the small picture): a picture that claims more than it holds.
TBytes WithDeclaredSize(TBytes jpeg, int width, int height)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC1 || jpeg[i + 1] == 0xC2 ||
                                jpeg[i + 1] == 0xC9 || jpeg[i + 1] == 0xCA)) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width);
            return jpeg;
        }
    }
    throw std::runtime_error("no frame header in the JPEG");
}

void MakeJPEGSeeds(const fs::path& dir)
{
    const TBytes rgb = Pattern(40, 24, 3);
    Save(dir, "encodejpeg-40x24", AsText(EncodeJPEG(rgb.data(), 40, 24, 85)));
    Save(dir, "encodesolid-8x8", fixture::MakeFrame({.Width = 8, .Height = 8, .Quality = 50, .Colour = fixture::TRgb{200, 30, 90}}));
    Save(dir, "baseline-33x17-420", AsText(EncodeVariant({.Width = 33, .Height = 17})));
    Save(dir, "baseline-16x16-444", AsText(EncodeVariant({.HSamp = 1, .VSamp = 1})));
    Save(dir, "baseline-24x8-422", AsText(EncodeVariant({.Width = 24, .Height = 8, .HSamp = 2, .VSamp = 1})));
    Save(dir, "baseline-32x16-411", AsText(EncodeVariant({.Width = 32, .HSamp = 4, .VSamp = 1})));
    Save(dir, "gray-baseline-20x12", AsText(EncodeVariant({.Width = 20, .Height = 12, .Components = 1})));
    Save(dir, "progressive-24x16", AsText(EncodeVariant({.Width = 24, .Progressive = true})));
    Save(dir, "gray-progressive-16x16", AsText(EncodeVariant({.Components = 1, .Progressive = true})));
    Save(dir, "arithmetic-16x16", AsText(EncodeVariant({.Arithmetic = true})));
    Save(dir, "arithmetic-progressive-16x16", AsText(EncodeVariant({.Progressive = true, .Arithmetic = true})));
    Save(dir, "optimized-restart-32x32",
         AsText(EncodeVariant({.Width = 32, .Height = 32, .Optimize = true, .RestartRows = 1})));
    // Many scans of nothing: each is another pass over every block.
    TBytes scans = EncodeVariant({.Components = 1, .Progressive = true});
    scans.resize(scans.size() - 2); // the end-of-image marker comes last again
    const uint8_t refine[] = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x01, 0x3F, 0x10};
    for (int i = 0; i < 300; ++i)
        scans.insert(scans.end(), std::begin(refine), std::end(refine));
    scans.push_back(0xFF);
    scans.push_back(0xD9);
    Save(dir, "gray-progressive-300-scans", AsText(scans));
    Save(dir, "cmyk-8x8", AsText(EncodeVariant({.Width = 8, .Height = 8, .Components = 4})));
    TBytes truncated = EncodeVariant({.Width = 32, .Height = 32});
    truncated.resize(truncated.size() * 2 / 3);
    Save(dir, "truncated-32x32", AsText(truncated));
    // Claims that cost memory and time: at the pixel cap, just past it, and
    // the largest a JPEG header can state.
    const TBytes small = EncodeVariant({.Width = 8, .Height = 8, .Components = 1});
    Save(dir, "declares-10000x10000", AsText(WithDeclaredSize(small, 10000, 10000)));
    Save(dir, "declares-10001x10000", AsText(WithDeclaredSize(small, 10001, 10000)));
    Save(dir, "declares-65535x65535", AsText(WithDeclaredSize(small, 65535, 65535)));
    Save(dir, "declares-65535x1", AsText(WithDeclaredSize(small, 65535, 1)));
}

// ----------------------------------------------------------- fragments

using fixture::CRLF;
using fixture::HeaderText;
using fixture::PartText;

struct TFragmentOptions {
    std::string Camera = Utf8ToCp1251("Камера 1");
    std::string Boundary = "mjpgfuzz";
    int Frames = 3;
    bool EmptyFrame = false;
};

// A fragment in the writer's form, with small frames. The writer puts "--"
// on the delimiter line when the boundary is empty.
std::string WrittenFragment(const TFragmentOptions& o)
{
    const fixture::THeaderLines header{.Camera = o.Camera,
                                       .Width = 16,
                                       .Height = 8,
                                       .FPS = 5,
                                       .Frames = o.Frames,
                                       .PreAlarm = true,
                                       .Boundary = o.Boundary};
    fixture::TFragmentBuilder fragment(header.Text(), o.Boundary.empty() ? "--" : o.Boundary);
    for (int i = 0; i < o.Frames; ++i) {
        if (o.EmptyFrame && i == 1)
            fragment.EmptyParts();
        else
            fragment.Part(fixture::MakeFrame(
                {.Width = 16, .Height = 8, .Quality = 30, .Colour = fixture::TRgb{static_cast<uint8_t>(40 * i), 128, 200}}));
    }
    return fragment.Bytes();
}

const std::string kLines = fixture::ExampleLines();

std::string Part(const std::string& data, const std::string& lengthLine, const std::string& delimiter = "abcd",
                 const std::string& after = CRLF)
{
    return PartText({.Data = data, .LengthLine = lengthLine, .Delimiter = delimiter, .After = after}, "abcd");
}

std::string Part(const std::string& data)
{
    return PartText(data);
}

void MakeFragmentSeeds(const fs::path& dir)
{
    Save(dir, "writer-three-frames", WrittenFragment({}));
    Save(dir, "writer-empty-boundary-empty-frame", WrittenFragment({.Boundary = "", .EmptyFrame = true}));
    Save(dir, "writer-no-frames", WrittenFragment({.Frames = 0}));

    const std::string jpeg = fixture::MakeFrame({.Width = 8, .Height = 8, .Quality = 30, .Colour = fixture::TRgb{10, 20, 30}});
    const std::string data = "ab\r\ncd\0ef\r"s + "\n\r";
    Save(dir, "example-two-parts", HeaderText(kLines) + Part(jpeg) + Part(data));
    Save(dir, "odd-blanks",
         HeaderText("Camera:   x y \t\r\n"
                "Event:05.03.2007 14:02:09   \r\n"
                "  Begin: \t5.3.2007 4:2\r\n"
                "End:   05.03.2007\r\n"
                "Width:640\r\n"
                "Height: 480 \r\n"
                "FPS: +5\r\n"
                "Frames:-1\r\n"
                "Alarm:Pre \r\n"
                "Content-Type:multipart/x-mixed-replace;boundary=  abcd efgh\r\n",
                "MJPG/ 1.3 Multipart JPEG stream") +
             Part(data, "Content-Length:   " + std::to_string(data.size()), "--abcd") +
             Part(data, "  Content-Length: " + std::to_string(data.size()), "other"));
    Save(dir, "no-content-type-empty-boundary",
         HeaderText("Camera: 3\r\nEvent: 12:30\r\nFrames: 1\r\n", "MJPG") + Part(data, "Content-Length: 10", ""));
    Save(dir, "negative-length",
         HeaderText(kLines) + Part(data, "Content-Length: -5") + Part(data) + Part(data, "Content-Length: -2147483648"));
    Save(dir, "truncated-last-part", HeaderText(kLines) + Part(data) + Part(jpeg).substr(0, 60));
    Save(dir, "length-past-stream", HeaderText(kLines) + Part(data) + Part(data, "Content-Length: 100000"));
    Save(dir, "no-length-and-zero", HeaderText(kLines) + Part(data, "X-Other: 1") + Part("", "Content-Length: 0") +
                                        Part(data, "Content-Length: 10", "abcd", "junk after\r\n"));
    Save(dir, "nul-in-header-line",
         HeaderText("Camera: ab\0cd\r\nWidth: 640\r\n"s) + Part(data));
    Save(dir, "nul-in-part-line", HeaderText(kLines) + "abcd\r\nContent-Type: x\0y\r\n"s + "Content-Length: 3\r\n\r\nxyz\r\n");
    Save(dir, "event-not-a-date", HeaderText(kLines + "Event: 31.02.2007\r\n") + Part(data));
    Save(dir, "lower-case-signature", HeaderText(kLines, "mjpg/1.0 Multipart JPEG stream") + Part(data));
    Save(dir, "version-not-a-number", HeaderText(kLines, "MJPG/x.y") + Part(data));
    Save(dir, "keys-anywhere-repeated",
         HeaderText("xx Camera: a Event: b\r\nWidth: 1\r\nWidth: 2\r\nFPS: 3 Frames: 4\r\n"
                "Content-Type: a; boundary=Content-Length:7\r\nAlarm: Post\r\n") +
             Part(data, "Content-Length: 10", "Content-Length:7"));
    Save(dir, "lone-lf-and-cr", HeaderText("Camera: a\nb\rc\r\nWidth: 5\n\r\n") + Part(data) + "\r");
    Save(dir, "header-only", HeaderText(kLines));
    Save(dir, "empty", "");
    Save(dir, "signature-only", "MJPG");
    // The line limit: a line of 70000 characters comes back as two lines.
    Save(dir, "line-over-65534", HeaderText("Camera: " + std::string(70000 - 8, 'c') + "\r\nWidth: 5\r\n") + Part(data));
    // A camera the writer cannot put on one line.
    Save(dir, "camera-65527", HeaderText("Camera:" + std::string(65527, 'k') + "\r\n") + Part(data));
}

// ----------------------------------------------------------------- text

void MakeTextSeeds(const fs::path& dir)
{
    const char* const texts[] = {
        "05.03.2007 14:02:09", " 5.3.2007 4:2 ", "\t01.01.0001 00:00:00\t", "31.12.9999 23:59:59",
        "29.02.2000", "29.02.1900", "30.12.1899 0:0:0", "12:30", "23:59:59", "24:00", "1.1.2000  5:6:7",
        "1.1.2000\t5:6", "1.1.00", "01.13.2007", "5.3.2007 14:02:09:01", "14:02:09 5.3.2007", "",
        "2147483647", "-2147483648", "2147483648", "+5", "  640", "640 ", "-", "00000000000000000042",
        "\xca\xe0\xec\xe5\xf0\xe0 1", "\x98\x80\xff", "\xd0\x9a\xd0\xb0", "\xf4\x90\x80\x80", "\xc0\xaf",
    };
    int i = 0;
    for (const char* text : texts)
        Save(dir, "text-" + std::to_string(i++), text);
    // Values as TDateTime bytes: the first and last second of the range.
    const double values[] = {-693593.99998842, 2958465.99998842, 0.5, -1.25, 1e300};
    for (double v : values)
        Save(dir, "value-" + std::to_string(i++), std::string(reinterpret_cast<const char*>(&v), sizeof v));
}

// ------------------------------------------------------------ list answer

void MakeListAnswerSeeds(const fs::path& dir)
{
    const std::string full = "12|3|\xc2\xf5\xee\xe4|15.11.2007 9:48:12|15.11.2007 9:47:42|15.11.2007 9:48:42|704x576|25|750|pre";
    Save(dir, "one-line", full);
    Save(dir, "one-line-crlf", full + "\r\n");
    Save(dir, "two-lines-empty-between", full + "\r\n\r\n" + full + "\r\n");
    Save(dir, "mixed-breaks", full + "\n" + full + "\r" + full + "\r\r\n\n");
    Save(dir, "nul-ends-text", full + "\r\n" + std::string(1, '\0') + full);
    Save(dir, "short-lines", "12|3\r\n|3\r\n\r\n|||||||||\r\n12|");
    Save(dir, "eleven-fields", full + "|extra|more\r\n");
    Save(dir, "resolutions", "1|1||||||x|\r\n1|1||||||704X576\r\n1|1||||||704x\r\n1|1||||||704x576x2\r\n");
    Save(dir, "dates", "1|1||yesterday|1.1.2000|12:30|||\r\n1|1||31.02.2007 9:00|29.02.2000 23:59:59|\r\n");
    Save(dir, "numbers", "2147483648|-2147483648| cam |||| 640x 480|+25|0x10|post\r\n");
    std::string many;
    for (int i = 0; i < 60; ++i)
        many += std::to_string(1000 + i) + "|" + std::to_string(i) + "|Cam " + std::to_string(i) +
                "|15.11.2007 9:00:00|15.11.2007 8:59:30|15.11.2007 9:00:30|704x576|25|1500|post\r\n";
    Save(dir, "sixty-lines", many);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    try {
        MakeFragmentSeeds(root / "fuzz_fragment");
        MakeJPEGSeeds(root / "fuzz_jpeg");
        MakeTextSeeds(root / "fuzz_text");
        MakeListAnswerSeeds(root / "fuzz_listanswer");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
