// Fuzz target: decoding arbitrary bytes as a frame's JPEG picture, in each of
// the three pixel layouts.
//
// EJPEGError is the one acceptable failure. Anything else is a finding: a
// crash, another exception, a decode that runs past libFuzzer's timeout or an
// allocation past its memory limit. A picture of up to 4 megapixels is
// decoded in all three layouts; a larger one, which may take seconds to
// decode, in one layout picked by the input's last byte, so that one input
// stays one decode's worth of time and the timeout measures a single decode.
// Properties checked on success:
// - the picture has the size its header declares (ReadJPEGSize agrees), at
//   most MaxPicturePixels, and rows of BytesPerLine bytes, a multiple of 4,
//   wide enough for the layout;
// - the whole pixel block can be read (the sanitizer catches a short one);
// - BGRX32 has 0xFF in every fourth byte; Indexed8 has a palette of 1 to 236
//   colours, every index within it;
// - the layouts decoded agree on the size;
// - a picture larger than MaxPicturePixels is refused with EJPEGError.
#include "container/jpegpicture.h"
#include "fuzzcheck.h"

#include <cstdint>
#include <cstring>
#include <optional>

namespace {

// Pictures up to this size are decoded in every layout.
constexpr uint64_t kEveryLayoutPixels = 4'000'000;

// Keeps the reads of the pixel block from being optimised away.
volatile uint32_t Sink;

struct TShape {
    int Width, Height;
};

std::optional<TShape> Decode(const uint8_t* data, size_t size, TPixelLayout layout)
{
    TDecodedPicture picture;
    try {
        picture = DecodeJPEG(data, size, layout);
    } catch (const EJPEGError&) {
        return std::nullopt;
    }
    FUZZ_CHECK(picture.Width > 0 && picture.Height > 0, "a decoded picture is not empty");
    FUZZ_CHECK(static_cast<uint64_t>(picture.Width) * static_cast<uint64_t>(picture.Height) <= MaxPicturePixels,
               "a decoded picture is within the pixel cap");
    FUZZ_CHECK(picture.Layout == layout, "the picture has the layout asked for");
    FUZZ_CHECK(picture.Pixels != nullptr, "a decoded picture has pixels");
    const int bytesPerPixel = layout == TPixelLayout::BGRX32 ? 4 : layout == TPixelLayout::BGR24 ? 3 : 1;
    FUZZ_CHECK(picture.BytesPerLine % 4 == 0, "rows are 4-byte aligned");
    FUZZ_CHECK(static_cast<int64_t>(picture.BytesPerLine) >= static_cast<int64_t>(picture.Width) * bytesPerPixel,
               "a row holds the width");
    const uint8_t* pixels = picture.Pixels.get();
    const size_t rowBytes = static_cast<size_t>(picture.Width) * bytesPerPixel;
    // Read the first and the last row whole: a block shorter than the rows
    // claim shows up under the sanitizer. (No loop over every row: libFuzzer
    // would count its turns as new behaviour and drift to ever taller
    // pictures, which only makes each run slower.)
    uint32_t sum = 0;
    const uint8_t* last = pixels + static_cast<size_t>(picture.Height - 1) * picture.BytesPerLine;
    for (size_t x = 0; x < rowBytes; ++x)
        sum += pixels[x] + last[x];
    if (layout == TPixelLayout::BGRX32) {
        for (size_t x = 3; x < rowBytes; x += 4)
            FUZZ_CHECK(pixels[x] == 0xFF && last[x] == 0xFF, "BGRX32 pixels are opaque");
    }
    if (layout == TPixelLayout::Indexed8) {
        FUZZ_CHECK(!picture.Palette.empty() && picture.Palette.size() <= 236, "a palette of 1 to 236 colours");
        for (size_t x = 0; x < rowBytes; ++x)
            FUZZ_CHECK(pixels[x] < picture.Palette.size() && last[x] < picture.Palette.size(),
                       "every index is within the palette");
    } else {
        FUZZ_CHECK(picture.Palette.empty(), "only Indexed8 has a palette");
    }
    Sink = sum;
    return TShape{picture.Width, picture.Height};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int width = 0, height = 0;
    const bool known = ReadJPEGSize(data, size, width, height);
    const uint64_t pixels = known ? static_cast<uint64_t>(width) * static_cast<uint64_t>(height) : 0;
    const bool tooLarge = pixels > MaxPicturePixels;

    constexpr TPixelLayout all[] = {TPixelLayout::BGRX32, TPixelLayout::BGR24, TPixelLayout::Indexed8};
    const size_t firstLayout = pixels <= kEveryLayoutPixels || size == 0 ? 0 : data[size - 1] % 3;
    const size_t lastLayout = pixels <= kEveryLayoutPixels ? 3 : firstLayout + 1;
    std::optional<TShape> first;
    for (size_t k = firstLayout; k < lastLayout; ++k) {
        const std::optional<TShape> shape = Decode(data, size, all[k]);
        if (!shape)
            continue;
        FUZZ_CHECK(known && shape->Width == width && shape->Height == height,
                   "the picture has the size its header declares");
        FUZZ_CHECK(!tooLarge, "a picture past the pixel cap is refused");
        if (first)
            FUZZ_CHECK(first->Width == shape->Width && first->Height == shape->Height,
                       "every layout gives the same size");
        first = shape;
    }
    return 0;
}
