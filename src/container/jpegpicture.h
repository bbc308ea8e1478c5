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
};

// Pictures that claim more pixels than this are refused before allocating.
constexpr uint64_t MaxPicturePixels = 100'000'000;

// Decodes one JPEG picture at full size with the accurate integer DCT and
// fancy upsampling; Indexed8 quantises to 236 colours in two passes with
// Floyd-Steinberg dithering. Four-colour pictures (CMYK, YCCK; inverted when
// Adobe's marker says so) come out in colour like the others; on Indexed8
// they get the fixed 236-colour palette of cmykcolour.h, dithered the same
// way. Raises EJPEGError; never prints. A scaleDenominator of 2, 4 or 8
// decodes the picture at 1/2, 1/4 or 1/8 of its size (libjpeg's scaled
// decoding, each side rounded up), much faster than decoding it whole.
TDecodedPicture DecodeJPEG(const uint8_t* data, size_t size, TPixelLayout layout = TPixelLayout::BGRX32,
                           unsigned scaleDenominator = 1);

// The frame's Data decoded as above (its position does not matter).
TDecodedPicture DecodeFramePicture(const TMJPGFrame& frame, TPixelLayout layout = TPixelLayout::BGRX32);

// Width and height from the picture's header, without decoding it.
bool ReadJPEGSize(const uint8_t* data, size_t size, int& width, int& height);
