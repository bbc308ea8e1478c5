// CMYK to RGB, and a fixed palette with error diffusion.
#include "cmykcolour.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr int CubeLevels = 6;
constexpr int CubeStep = 51; // 0, 51, ..., 255
constexpr int CubeSize = CubeLevels * CubeLevels * CubeLevels;
constexpr int Greys = FixedPaletteSize - CubeSize; // 20

// The greys lie between the cube's grey steps: four inside each of its five gaps.
int GreyValue(int i)
{
    const int gap = i / 4, within = i % 4;
    return gap * CubeStep + (within + 1) * CubeStep / 5;
}

int CubeIndex(int r, int g, int b)
{
    return (r * CubeLevels + g) * CubeLevels + b;
}

int Clamp(int v)
{
    return std::clamp(v, 0, 255);
}

} // namespace

void CMYKRowToBGR(const uint8_t* cmyk, int width, bool adobeInverted, uint8_t* out, int outBytesPerPixel)
{
    for (int x = 0; x < width; ++x, cmyk += 4, out += outBytesPerPixel) {
        // The share of light each ink lets through, in 0..255.
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!adobeInverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<uint8_t>((y * k + 127) / 255);
        out[1] = static_cast<uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<uint8_t>((c * k + 127) / 255);
        if (outBytesPerPixel == 4)
            out[3] = 0xFF;
    }
}

void FixedPalette(uint32_t palette[FixedPaletteSize])
{
    for (int r = 0; r < CubeLevels; ++r)
        for (int g = 0; g < CubeLevels; ++g)
            for (int b = 0; b < CubeLevels; ++b)
                palette[CubeIndex(r, g, b)] = 0xFF000000u | uint32_t(r * CubeStep) << 16 |
                                              uint32_t(g * CubeStep) << 8 | uint32_t(b * CubeStep);
    for (int i = 0; i < Greys; ++i) {
        const uint32_t v = uint32_t(GreyValue(i));
        palette[CubeSize + i] = 0xFF000000u | v << 16 | v << 8 | v;
    }
}

void QuantizeToFixedPalette(const uint8_t* bgr, int width, int height, size_t bgrBytesPerLine, uint8_t* indexes,
                            size_t indexBytesPerLine)
{
    uint32_t palette[FixedPaletteSize];
    FixedPalette(palette);
    // Errors carried to this row and the next, per channel, with a pixel of
    // room on either side.
    std::vector<int> current(static_cast<size_t>(width + 2) * 3, 0), next(current.size(), 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = bgr + bgrBytesPerLine * static_cast<size_t>(y);
        uint8_t* row = indexes + indexBytesPerLine * static_cast<size_t>(y);
        std::fill(next.begin(), next.end(), 0);
        for (int x = 0; x < width; ++x) {
            int* err = &current[static_cast<size_t>(x + 1) * 3];
            const int want[3] = {Clamp(in[x * 3 + 2] + err[0] / 16), Clamp(in[x * 3 + 1] + err[1] / 16),
                                 Clamp(in[x * 3] + err[2] / 16)};
            // The nearest cube colour, and the nearest grey when that is closer.
            int index = CubeIndex((want[0] + CubeStep / 2) / CubeStep, (want[1] + CubeStep / 2) / CubeStep,
                                  (want[2] + CubeStep / 2) / CubeStep);
            auto distance = [&](int i) {
                const uint32_t p = palette[i];
                const int dr = want[0] - int(p >> 16 & 0xFF), dg = want[1] - int(p >> 8 & 0xFF),
                          db = want[2] - int(p & 0xFF);
                return dr * dr + dg * dg + db * db;
            };
            const int grey = (want[0] + want[1] + want[2]) / 3;
            int nearestGrey = CubeSize;
            for (int i = 1; i < Greys; ++i)
                if (std::abs(GreyValue(i) - grey) < std::abs(GreyValue(nearestGrey - CubeSize) - grey))
                    nearestGrey = CubeSize + i;
            if (distance(nearestGrey) < distance(index))
                index = nearestGrey;
            row[x] = static_cast<uint8_t>(index);
            const uint32_t chosen = palette[index];
            const int got[3] = {int(chosen >> 16 & 0xFF), int(chosen >> 8 & 0xFF), int(chosen & 0xFF)};
            for (int c = 0; c < 3; ++c) {
                const int e = want[c] - got[c];
                current[static_cast<size_t>(x + 2) * 3 + c] += e * 7;
                next[static_cast<size_t>(x) * 3 + c] += e * 3;
                next[static_cast<size_t>(x + 1) * 3 + c] += e * 5;
                next[static_cast<size_t>(x + 2) * 3 + c] += e * 1;
            }
        }
        std::swap(current, next);
    }
}
