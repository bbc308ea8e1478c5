// Drawing the sample picture straight into an RGB buffer. Everything is
// integer arithmetic so a ten-second sample renders in well under a second.
#include "samplepattern.h"

#include <algorithm>
#include <stdexcept>

namespace {

struct TCanvas {
    std::vector<uint8_t>& rgb;
    int width;
    int height;

    void FillRect(int x0, int y0, int w, int h, uint8_t r, uint8_t g, uint8_t b)
    {
        const int x1 = std::min(width, x0 + w), y1 = std::min(height, y0 + h);
        x0 = std::max(0, x0);
        y0 = std::max(0, y0);
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x0) * 3;
            for (int x = x0; x < x1; ++x, p += 3) {
                p[0] = r;
                p[1] = g;
                p[2] = b;
            }
        }
    }
};

// 0..255..0 over a period of 512.
int Triangle(int v)
{
    v &= 511;
    return v < 256 ? v : 511 - v;
}

// Position bouncing between 0 and span.
int Bounce(long long travelled, int span)
{
    if (span <= 0)
        return 0;
    const long long period = 2LL * span;
    const long long v = travelled % period;
    return static_cast<int>(v <= span ? v : period - v);
}

void DrawBackground(TCanvas& c, int index)
{
    // Colour bars over the top quarter, a diagonal gradient below; both scroll.
    static const uint8_t bars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                                       {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
    const int barBottom = c.height / 4;
    const int shift = index * 4;
    for (int y = 0; y < c.height; ++y) {
        uint8_t* p = c.rgb.data() + static_cast<size_t>(y) * c.width * 3;
        if (y < barBottom) {
            for (int x = 0; x < c.width; ++x, p += 3) {
                const int bar = static_cast<int>((static_cast<long long>(x + 2 * shift) * 8 / c.width) & 7);
                p[0] = bars[bar][0];
                p[1] = bars[bar][1];
                p[2] = bars[bar][2];
            }
            continue;
        }
        const int gy = Triangle(y * 512 / c.height + shift / 2);
        for (int x = 0; x < c.width; ++x, p += 3) {
            const int gx = x * 512 / c.width;
            p[0] = static_cast<uint8_t>(Triangle(gx + shift));
            p[1] = static_cast<uint8_t>(gy);
            p[2] = static_cast<uint8_t>(Triangle(gx + y * 256 / c.height + 3 * shift));
        }
    }
}

void DrawBox(TCanvas& c, int index, int fps)
{
    const int bw = std::max(4, c.width / 6), bh = std::max(4, c.height / 5);
    // Pixels travelled per second, independent of the frame rate.
    const long long t = static_cast<long long>(index) * 1000 / std::max(1, fps);
    const int x = Bounce(t * c.width * 2 / 5 / 1000, c.width - bw);
    const int y = Bounce(t * c.height * 3 / 10 / 1000, c.height - bh);
    c.FillRect(x, y, bw, bh, 255, 255, 255);
    const int border = std::max(1, bw / 40);
    const int cell = std::max(2, bw / 8);
    for (int cy = y + border; cy < y + bh - border; cy += cell)
        for (int cx = x + border; cx < x + bw - border; cx += cell) {
            const bool dark = (((cx - x) / cell) + ((cy - y) / cell)) % 2 == 0;
            c.FillRect(cx, cy, std::min(cell, x + bw - border - cx), std::min(cell, y + bh - border - cy),
                       dark ? 30 : 200, dark ? 60 : 40, dark ? 160 : 40);
        }
}

// Seven-segment digits: bits a..g from bit 0.
constexpr uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void DrawDigit(TCanvas& c, int x, int y, int w, int h, int digit)
{
    const int t = std::max(1, h / 9), half = h / 2, ht = t / 2;
    const struct {
        int x, y, w, h;
    } seg[7] = {
        {t, 0, w - 2 * t, t},                              // a
        {w - t, t, t, half - t - ht},                      // b
        {w - t, half + t - ht, t, half - 2 * t + ht},      // c
        {t, h - t, w - 2 * t, t},                          // d
        {0, half + t - ht, t, half - 2 * t + ht},          // e
        {0, t, t, half - t - ht},                          // f
        {t, half - ht, w - 2 * t, t},                      // g
    };
    for (int s = 0; s < 7; ++s)
        if (kSegments[digit] & (1 << s))
            c.FillRect(x + seg[s].x, y + seg[s].y, seg[s].w, seg[s].h, 255, 230, 40);
}

void DrawNumber(TCanvas& c, int index)
{
    constexpr int digits = 6;
    const int dh = std::min(c.height / 5, c.width * 23 / 100);
    if (dh < 10)
        return;
    const int dw = dh / 2, gap = dh / 6, margin = dh / 8;
    const int total = digits * dw + (digits - 1) * gap;
    const int x0 = (c.width - total) / 2;
    const int y0 = c.height - dh - c.height / 12;
    c.FillRect(x0 - margin, y0 - margin, total + 2 * margin, dh + 2 * margin, 20, 20, 20);
    int value = index % 1000000;
    for (int i = digits - 1; i >= 0; --i) {
        DrawDigit(c, x0 + i * (dw + gap), y0, dw, dh, value % 10);
        value /= 10;
    }
}

void AddNoise(TCanvas& c, int index)
{
    // Luminance noise as a camera sensor gives: realistic JPEG sizes and
    // decoding work instead of the flat areas a synthetic picture has.
    const uint32_t seed = static_cast<uint32_t>(index) * 0xC2B2AE3Du;
    for (int y = 0; y < c.height; ++y) {
        uint8_t* p = c.rgb.data() + static_cast<size_t>(y) * c.width * 3;
        const uint32_t row = static_cast<uint32_t>(y) * 0x85EBCA77u ^ seed;
        for (int x = 0; x < c.width; ++x, p += 3) {
            uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ row;
            h ^= h >> 15;
            h *= 0x2C1B3C6Du;
            h ^= h >> 12;
            const int n = static_cast<int>(h & 7) - 4;
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<uint8_t>(std::clamp(p[k] + n, 0, 255));
        }
    }
}

} // namespace

std::vector<uint8_t> RenderSampleFrame(int width, int height, int index, int fps)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("RenderSampleFrame: empty picture");
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    TCanvas canvas{rgb, width, height};
    DrawBackground(canvas, index);
    DrawBox(canvas, index, fps);
    DrawNumber(canvas, index);
    AddNoise(canvas, index);
    return rgb;
}
