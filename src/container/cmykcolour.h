// Four-colour JPEG pictures (CMYK, and YCCK, which libjpeg turns into CMYK)
// shown in RGB, and the palette such a picture gets on a display of 8 bits
// per pixel, where libjpeg's own colour quantiser cannot take four colours.
#pragma once

#include <cstddef>
#include <cstdint>

// One row of C M Y K samples into B G R (and 0xFF when outBytesPerPixel is
// 4). Adobe's programs store the inks inverted (255 - ink) and mark the file
// with their marker: `adobeInverted` then reads them that way.
void CMYKRowToBGR(const uint8_t* cmyk, int width, bool adobeInverted, uint8_t* out, int outBytesPerPixel);

constexpr int FixedPaletteSize = 236;

// The 236 colours: the 216 of a 6 x 6 x 6 cube and 20 greys between its
// steps, as 0xFFRRGGBB.
void FixedPalette(uint32_t palette[FixedPaletteSize]);

// A B G R picture as indexes into the fixed palette, with Floyd-Steinberg
// dithering.
void QuantizeToFixedPalette(const uint8_t* bgr, int width, int height, size_t bgrBytesPerLine, uint8_t* indexes,
                            size_t indexBytesPerLine);
