// The BMP file layout: BITMAPFILEHEADER, BITMAPINFOHEADER, palette (8-bit
// only), then rows bottom-up, each padded to a multiple of four bytes.
#include "bitmapfile.h"

#include <cstring>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

void WriteBitmapFile(TStream& stream, const TDecodedPicture& picture)
{
    const bool indexed = picture.Layout == TPixelLayout::Indexed8;
    const int bitsPerPixel = indexed ? 8 : 24;
    const uint32_t width = static_cast<uint32_t>(picture.Width);
    const uint32_t height = static_cast<uint32_t>(picture.Height);
    // In 64 bits: a row of a very wide picture must not wrap before the
    // size check below refuses it.
    const uint64_t rowSize = ((uint64_t(width) * bitsPerPixel + 31) / 32) * 4;
    const uint32_t paletteEntries = indexed ? static_cast<uint32_t>(picture.Palette.size()) : 0;
    const uint32_t offset = 14 + 40 + paletteEntries * 4;
    const uint64_t imageSize = rowSize * height;
    if (offset + imageSize > 0xFFFFFFFFull)
        throw EWriteError("Рисунок слишком велик для файла BMP");

    std::vector<uint8_t> head;
    head.reserve(offset);
    head.push_back('B');
    head.push_back('M');
    Put32(head, static_cast<uint32_t>(offset + imageSize));
    Put32(head, 0);
    Put32(head, offset);
    Put32(head, 40);
    Put32(head, width);
    Put32(head, height); // positive: rows bottom-up
    Put16(head, 1);
    Put16(head, static_cast<uint32_t>(bitsPerPixel));
    Put32(head, 0); // BI_RGB
    Put32(head, static_cast<uint32_t>(imageSize));
    Put32(head, 3780); // 96 dpi
    Put32(head, 3780);
    Put32(head, paletteEntries);
    Put32(head, 0);
    for (uint32_t i = 0; i < paletteEntries; ++i) {
        const uint32_t c = picture.Palette[i];
        head.push_back(static_cast<uint8_t>(c));       // blue
        head.push_back(static_cast<uint8_t>(c >> 8));  // green
        head.push_back(static_cast<uint8_t>(c >> 16)); // red
        head.push_back(0);
    }
    stream.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));

    std::vector<uint8_t> row(static_cast<size_t>(rowSize), 0);
    const uint8_t* pixels = picture.Pixels.get();
    for (uint32_t y = height; y-- > 0;) {
        const uint8_t* src = pixels + size_t(y) * picture.BytesPerLine;
        switch (picture.Layout) {
        case TPixelLayout::BGR24:
        case TPixelLayout::Indexed8:
            std::memcpy(row.data(), src, size_t(width) * (bitsPerPixel / 8));
            break;
        case TPixelLayout::BGRX32:
            for (uint32_t x = 0; x < width; ++x)
                std::memcpy(row.data() + x * 3, src + x * 4, 3);
            break;
        }
        stream.WriteBuffer(row.data(), static_cast<int64_t>(rowSize));
    }
}
