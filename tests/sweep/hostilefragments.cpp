// The crafted hostile fragments.
#include "hostilefragments.h"

#include "container/jpegpicture.h"
#include "fixtures/fragmentbuilder.h"

namespace hostile {

namespace {

using fixture::CRLF;
const std::string First = fixture::FirstLine + CRLF;
const std::string Boundary = "--b";

// The header lines of a hostile fragment, with these values.
std::string Lines(int64_t width, int64_t height, int64_t fps, int64_t frames)
{
    return fixture::THeaderLines{.Camera = "7",
                                 .Width = width,
                                 .Height = height,
                                 .FPS = fps,
                                 .Frames = frames,
                                 .Boundary = Boundary}
        .Lines();
}

std::string Pictures(int count)
{
    std::string parts;
    for (int i = 0; i < count; ++i)
        parts += Part(SmallJpeg(i));
    return parts;
}

std::string Put16At(std::string jpeg, size_t at, int value)
{
    jpeg[at] = static_cast<char>((value >> 8) & 0xFF);
    jpeg[at + 1] = static_cast<char>(value & 0xFF);
    return jpeg;
}

} // namespace

std::string Header(int32_t width, int32_t height, int32_t fps, int32_t frames)
{
    return fixture::HeaderText(Lines(width, height, fps, frames));
}

std::string PartHead(int64_t length)
{
    return fixture::PartHead(length, Boundary);
}

std::string Part(const std::string& data)
{
    return fixture::PartText(data, Boundary);
}

std::string SmallJpeg(int seed)
{
    return fixture::MakeFrame({.Index = seed});
}

std::string JpegClaiming(int width, int height)
{
    return fixture::PictureClaiming(SmallJpeg(), width, height);
}

} // namespace hostile

using namespace hostile;

namespace {

using namespace std::string_literals;

std::string Fragment(int32_t width, int32_t height, int32_t fps, int frames)
{
    return Header(width, height, fps, frames) + Pictures(frames);
}

// Every frame's bytes broken in a different way.
std::string CorruptPictures()
{
    const std::string good = SmallJpeg(3);
    std::vector<std::string> frames;
    frames.push_back(std::string(100, '\x5A'));                   // not a JPEG at all
    frames.push_back("\xFF\xD8"s);                                // start of image only
    frames.push_back("\xFF\xD8\xFF\xD9"s);                        // start and end, nothing between
    frames.push_back(good.substr(0, good.size() / 2));            // cut in the middle
    frames.push_back(good.substr(0, fixture::FrameHeaderOffset(good) + 4));    // cut inside the frame header
    std::string flipped = good;                                   // scan data scrambled
    for (size_t i = flipped.size() / 2; i < flipped.size() - 2; i += 3)
        flipped[i] = static_cast<char>(flipped[i] ^ 0x5C);
    frames.push_back(flipped);
    frames.push_back(JpegClaiming(0, 16));                         // no width
    frames.push_back(JpegClaiming(16, 0));                         // no height
    std::string precision = good;                                  // 12-bit samples
    precision[fixture::FrameHeaderOffset(good) + 4] = 12;
    frames.push_back(precision);
    std::string components = good;                                 // five components
    components[fixture::FrameHeaderOffset(good) + 9] = 5;
    frames.push_back(components);
    std::string markerLength = good;                               // a marker longer than the file
    markerLength = Put16At(markerLength, 4, 0xFFFF);
    frames.push_back(markerLength);
    std::string text = Header(16, 16, 2000, static_cast<int32_t>(frames.size()));
    for (const std::string& f : frames)
        text += Part(f);
    return text;
}

std::string HugePictures()
{
    // 60000 x 60000 is far above the decoder's cap; 65535 is the largest a
    // frame header can state.
    return Header(60000, 60000, 25, 3) + Part(JpegClaiming(60000, 60000)) + Part(JpegClaiming(65535, 65535)) +
           Part(SmallJpeg(1));
}

// Largest sides whose product stays within the cap, and one pixel row more.
std::string PictureJustUnderTheCap()
{
    static_assert(10000ull * 9999 <= MaxPicturePixels && 10000ull * 10001 > MaxPicturePixels);
    return Header(10000, 9999, 25, 1) + Part(JpegClaiming(10000, 9999));
}

// The widest picture a frame header allows, within the cap: rows of
// 65500 pixels for the bitmap writer and the view.
std::string PictureVeryWide()
{
    static_assert(65500ull * 1526 <= MaxPicturePixels);
    return Header(65500, 1526, 25, 1) + Part(JpegClaiming(65500, 1526));
}

std::string PictureJustOverTheCap()
{
    return Header(10000, 10001, 25, 2) + Part(JpegClaiming(10000, 10001)) + Part(SmallJpeg(2));
}

std::string LengthNear2G()
{
    return Header(16, 16, 25, 3) + PartHead(2147483000) + SmallJpeg(1) + CRLF + Pictures(2);
}

std::string LengthAtInt32Max()
{
    return Header(16, 16, 25, 2) + Part(SmallJpeg(0)) + PartHead(2147483647) + SmallJpeg(1) + CRLF;
}

std::string LengthOverflowsInt32()
{
    return Header(16, 16, 25, 2) + PartHead(2147483648LL) + SmallJpeg(0) + CRLF + Pictures(1);
}

std::string NegativeLengths()
{
    return Header(16, 16, 25, 3) + PartHead(-1) + SmallJpeg(0) + CRLF + PartHead(-2147483648LL) + CRLF +
           Pictures(1);
}

std::string LengthBeyondTheEnd()
{
    return Header(16, 16, 25, 2) + Part(SmallJpeg(0)) + PartHead(5000) + SmallJpeg(1).substr(0, 100);
}

// A line with a NUL swallows its whole 65534-byte block: the filler makes
// the block end exactly where the next line starts, so reading goes on.
std::string NulBlock(const std::string& lineWithNul)
{
    std::string block = lineWithNul;
    block.resize(65534, 'z');
    return block;
}

std::string NulInTheFirstLine()
{
    return NulBlock("MJPG/1.0 Multipart\0 JPEG stream"s) + Lines(16, 16, 25, 2) + CRLF + Pictures(2);
}

std::string NulInHeaderValues()
{
    return First + NulBlock("Camera: A\0B"s) + NulBlock("Width: 1\0" "6"s) + NulBlock("FPS: 2\0" "5"s) +
           Lines(16, 16, 25, 2) + NulBlock("Height: \0"s) + CRLF + Pictures(2);
}

std::string NulInPartLines()
{
    return Header(16, 16, 25, 3) + Part(SmallJpeg(0)) + "--b\r\n" + NulBlock("Content-Type: image/\0jpeg"s) +
           NulBlock("Content-Length: 1\0" "2"s) + "\r\n" + SmallJpeg(1) + CRLF + Pictures(1);
}

std::string NulInTheBoundary()
{
    return First + NulBlock("Content-Type: multipart/x-mixed-replace; boundary=-\0-b"s) + "FPS: 25\r\n" + CRLF +
           Pictures(2);
}

constexpr int Million = 1'000'000;

std::string MillionEmptyParts()
{
    std::string text = Header(16, 16, 2000, Million);
    text.reserve(text.size() + size_t(Million) * 7);
    for (int i = 0; i < Million; ++i)
        text += "--b\r\n\r\n\r\n";
    return text;
}

// A picture before and after the million: playback and the slider cross them.
std::string MillionEmptyPartsBetweenPictures()
{
    std::string text = Header(16, 16, 2000, Million + 2) + Part(SmallJpeg(0));
    text.reserve(text.size() + size_t(Million) * 7 + 2000);
    for (int i = 0; i < Million; ++i)
        text += "--b\r\n\r\n\r\n";
    return text + Part(SmallJpeg(1));
}

std::string LongLines()
{
    return Header(16, 16, 25, 2) + "--b\r\n" + std::string(200000, 'x') + CRLF +
           "Content-Length: 0\r\n\r\n\r\n" + Part(SmallJpeg(0)) + std::string(70000, 'y') + CRLF + Pictures(1);
}

std::string FrameCountLies()
{
    return First + Lines(16, 16, 25, 2147483647) + CRLF + Pictures(2);
}

std::string NoBoundary()
{
    return First + Lines(16, 16, 25, 2).substr(0, Lines(16, 16, 25, 2).rfind("Content-Type")) + CRLF +
           Pictures(2);
}

std::string HeaderOnly()
{
    return Header(704, 576, 25, 250);
}

std::string OnlyTheFirstLine()
{
    return "MJPG/1.0 Multipart JPEG stream";
}

std::string NotAFragment()
{
    return "This is not a fragment.\r\nWidth: 10\r\n\r\n" + SmallJpeg(0);
}

std::string EmptyFile()
{
    return {};
}

std::string BadDateLine()
{
    return First + "Event: 31.02.2007 25:61:61\r\n" + Lines(16, 16, 25, 1) + CRLF + Pictures(1);
}

} // namespace

const std::vector<THostileCase>& HostileCases()
{
    static const std::vector<THostileCase> cases = {
        {"size-0x0", [] { return Fragment(0, 0, 25, 3); }, THostileLoad::Loads},
        {"size-negative", [] { return Fragment(-704, -576, 25, 3); }, THostileLoad::Loads},
        {"size-width-only-negative", [] { return Fragment(704, -1, 25, 3); }, THostileLoad::Loads},
        {"size-int32-min", [] { return Fragment(INT32_MIN, INT32_MIN, 25, 3); }, THostileLoad::Loads},
        {"size-int32-max", [] { return Fragment(INT32_MAX, INT32_MAX, 25, 3); }, THostileLoad::Loads},
        {"size-wide-and-flat", [] { return Fragment(INT32_MAX, 1, 25, 3); }, THostileLoad::Loads},
        {"fps-0", [] { return Fragment(16, 16, 0, 3); }, THostileLoad::Loads},
        {"fps-negative", [] { return Fragment(16, 16, -25, 3); }, THostileLoad::Loads},
        {"fps-int32-min", [] { return Fragment(16, 16, INT32_MIN, 3); }, THostileLoad::Loads},
        {"fps-1001", [] { return Fragment(16, 16, 1001, 5); }, THostileLoad::Loads},
        {"fps-int32-max", [] { return Fragment(16, 16, INT32_MAX, 5); }, THostileLoad::Loads},
        {"every-frame-corrupt", CorruptPictures, THostileLoad::Loads},
        {"pictures-huge", HugePictures, THostileLoad::Loads},
        {"picture-just-under-the-cap", PictureJustUnderTheCap, THostileLoad::Loads},
        {"picture-very-wide", PictureVeryWide, THostileLoad::Loads},
        {"picture-just-over-the-cap", PictureJustOverTheCap, THostileLoad::Loads},
        {"content-length-near-2g", LengthNear2G, THostileLoad::Loads},
        {"content-length-int32-max", LengthAtInt32Max, THostileLoad::Loads},
        {"content-length-overflows", LengthOverflowsInt32, THostileLoad::Loads},
        {"content-length-negative", NegativeLengths, THostileLoad::Loads},
        {"content-length-beyond-the-end", LengthBeyondTheEnd, THostileLoad::Loads},
        {"nul-in-first-line", NulInTheFirstLine, THostileLoad::Loads},
        {"nul-in-header-values", NulInHeaderValues, THostileLoad::Loads},
        {"nul-in-part-lines", NulInPartLines, THostileLoad::Loads},
        {"nul-in-boundary", NulInTheBoundary, THostileLoad::Loads},
        {"million-empty-parts", MillionEmptyParts, THostileLoad::Loads},
        {"million-empty-parts-between-pictures", MillionEmptyPartsBetweenPictures, THostileLoad::Loads},
        {"long-lines", LongLines, THostileLoad::Loads},
        {"frame-count-lies", FrameCountLies, THostileLoad::Loads},
        {"no-boundary", NoBoundary, THostileLoad::Loads},
        {"header-only", HeaderOnly, THostileLoad::Loads},
        {"only-the-first-line", OnlyTheFirstLine, THostileLoad::Loads},
        {"bad-date", BadDateLine, THostileLoad::Silent},
        {"not-a-fragment", NotAFragment, THostileLoad::Silent},
        {"empty-file", EmptyFile, THostileLoad::Silent},
    };
    return cases;
}
