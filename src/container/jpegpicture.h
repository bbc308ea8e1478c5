// Decoding a frame's JPEG picture: one function for every consumer (the view,
// bitmap snapshots, the report picture), over libjpeg-turbo.
#pragma once

#include "core/errors.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

class TMJPGFrame;

// A picture that cannot be decoded (corrupt, truncated, too large).
class EJPEGError : public EError {
public:
    using EError::EError;
};

enum class TPixelLayout {
    BGRX32,   // 4 bytes a pixel, B G R 0xFF in memory (a Qt RGB32 image)
    BGR24,    // 3 bytes a pixel, B G R (a Windows bitmap's rows)
    Indexed8, // 1 byte a pixel into a palette of at most 236 colours
};

struct TFreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using TPixelBuffer = std::unique_ptr<uint8_t, TFreeDeleter>;

struct TDecodedPicture {
    int Width = 0;
    int Height = 0;
    int BytesPerLine = 0;
    TPixelLayout Layout = TPixelLayout::BGRX32;
    TPixelBuffer Pixels;            // rows top to bottom, BytesPerLine apart (malloc'ed)
    std::vector<uint32_t> Palette;  // Indexed8 only: 0xFFRRGGBB
    bool InTarget = false;          // decoded into the TPixelTarget given; Pixels is empty
};

// Pixels a picture may be decoded into instead of a new buffer: used when
// the picture comes out at exactly this size with these BytesPerLine.
struct TPixelTarget {
    uint8_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    int BytesPerLine = 0;
};

// Pictures that claim more pixels than this are refused before allocating.
constexpr uint64_t MaxPicturePixels = 100'000'000;

// Decodes one JPEG picture with the accurate integer DCT and fancy
// upsampling, at full size or, with a `reduction` of 2, 4 or 8, at that
// fraction of its width and height (rounded up) through libjpeg-turbo's
// scaled inverse DCT, which costs a fraction of a full decode; Indexed8 quantises to 236 colours in two passes with
// Floyd-Steinberg dithering. Four-colour pictures (CMYK, YCCK; inverted when
// Adobe's marker says so) come out in colour like the others; on Indexed8
// they get the fixed 236-colour palette of cmykcolour.h, dithered the same
// way. Raises EJPEGError; never prints.
// Any other reduction raises EJPEGError.
// With a `target` that fits (BGRX32 and BGR24 only), the rows go there and
// no buffer is allocated; on failure the target's pixels are undefined.
TDecodedPicture DecodeJPEG(const uint8_t* data, size_t size, TPixelLayout layout = TPixelLayout::BGRX32,
                           int reduction = 1, const TPixelTarget* target = nullptr);

// The frame's Data decoded as above (its position does not matter).
TDecodedPicture DecodeFramePicture(const TMJPGFrame& frame, TPixelLayout layout = TPixelLayout::BGRX32,
                                   int reduction = 1, const TPixelTarget* target = nullptr);

// The largest reduction (1, 2, 4 or 8) whose picture is still at least
// `width` x `height` pixels: a picture of `pictureWidth` x `pictureHeight`
// shown at that size or smaller loses nothing by being decoded reduced.
// 1 when either wanted size is not positive.
int ReductionFor(int pictureWidth, int pictureHeight, int width, int height);
// The size of a picture decoded with `reduction` (rounded up, as libjpeg does).
int ReducedSize(int size, int reduction);

// Width and height from the picture's header, without decoding it.
bool ReadJPEGSize(const uint8_t* data, size_t size, int& width, int& height);
// The same for the frame's Data; false for a frame without a picture.
bool ReadFramePictureSize(const TMJPGFrame& frame, int& width, int& height);
