// mjpgtool thumbnail: the fragment's first picture, scaled to fit a square,
// as a PNG file (for file managers that show a thumbnail of each fragment).
// The picture is decoded at 1/2, 1/4 or 1/8 of its size where that still
// covers the thumbnail, then averaged down to the thumbnail's size.
#include "commandline.h"
#include "commands.h"
#include "fragmentfiles.h"

#include "container/jpegpicture.h"
#include "container/mjpgframe.h"
#include "core/replacingfile.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <vector>

namespace {

struct TSize {
    int Width = 0;
    int Height = 0;
};

// The picture's size made to fit `side` pixels, its proportions kept; a
// smaller picture keeps its size.
TSize FitInto(TSize picture, int side)
{
    const int longer = std::max(picture.Width, picture.Height);
    if (longer <= side)
        return picture;
    const auto scaled = [&](int length) {
        return std::max(1, static_cast<int>((static_cast<int64_t>(length) * side + longer / 2) / longer));
    };
    return {scaled(picture.Width), scaled(picture.Height)};
}

// The largest of libjpeg's reductions that still gives at least `target`.
// The decoded picture (BGRX) averaged down to `target` as RGB rows: each
// pixel of the thumbnail is the mean of the pixels it covers.
std::vector<uint8_t> AveragedRgb(const TDecodedPicture& picture, TSize target)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(target.Width) * target.Height * 3);
    uint8_t* out = rgb.data();
    for (int y = 0; y < target.Height; ++y) {
        const int y0 = static_cast<int>(static_cast<int64_t>(y) * picture.Height / target.Height);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(y + 1) * picture.Height / target.Height));
        for (int x = 0; x < target.Width; ++x) {
            const int x0 = static_cast<int>(static_cast<int64_t>(x) * picture.Width / target.Width);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<int64_t>(x + 1) * picture.Width / target.Width));
            uint64_t sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                const uint8_t* row = picture.Pixels.get() + static_cast<size_t>(sy) * picture.BytesPerLine;
                for (int sx = x0; sx < x1; ++sx) {
                    const uint8_t* bgrx = row + static_cast<size_t>(sx) * 4;
                    sum[0] += bgrx[2];
                    sum[1] += bgrx[1];
                    sum[2] += bgrx[0];
                }
            }
            const uint64_t count = static_cast<uint64_t>(y1 - y0) * static_cast<uint64_t>(x1 - x0);
            for (const uint64_t channel : sum)
                *out++ = static_cast<uint8_t>((channel + count / 2) / count);
        }
    }
    return rgb;
}

// The RGB rows as the bytes of a PNG file (libpng); raises EError.
std::string PngBytes(const std::vector<uint8_t>& rgb, TSize size)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size.Width);
    image.height = static_cast<png_uint_32>(size.Height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t length = 0;
    if (!png_image_write_to_memory(&image, nullptr, &length, 0, rgb.data(), 0, nullptr))
        throw EError(std::string("PNG: ") + image.message);
    std::string bytes(length, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &length, 0, rgb.data(), 0, nullptr))
        throw EError(std::string("PNG: ") + image.message);
    bytes.resize(length);
    return bytes;
}

} // namespace

int RunThumbnail(const TArguments& cl)
{
    if (cl.Positional.size() != 2)
        throw EUsageError("thumbnail: нужны файл фрагмента и файл OUT.png");
    const std::string& in = cl.Positional[0];
    const std::string& out = cl.Positional[1];
    const int side = static_cast<int>(cl.Number("size").value_or(kThumbnailSize));

    const auto image = LoadFragmentFile(in);
    if (!image->Header->IsValid()) {
        std::cerr << "mjpgtool: \"" << in << "\" не является фрагментом MJPG; \"" << out << "\" не создан\n";
        return esInvalid;
    }
    const auto first = std::find_if(image->FrameList.begin(), image->FrameList.end(),
                                    [](const auto& frame) { return frame->Bytes().Size() > 0; });
    if (first == image->FrameList.end()) {
        std::cerr << "mjpgtool: во фрагменте \"" << in << "\" нет кадра с изображением; \"" << out << "\" не создан\n";
        return esInvalid;
    }
    const TMJPGFrame& frame = **first;
    const auto* data = frame.Bytes().Memory();
    const auto size = static_cast<size_t>(frame.Bytes().Size());
    std::vector<uint8_t> rgb;
    TSize target;
    try {
        TSize picture;
        if (!ReadJPEGSize(data, size, picture.Width, picture.Height) || picture.Width <= 0 || picture.Height <= 0)
            throw EJPEGError("JPEG error: no picture header");
        target = FitInto(picture, side);
        const TDecodedPicture decoded = DecodeJPEG(data, size, TPixelLayout::BGRX32, ReductionFor(picture.Width, picture.Height, target.Width, target.Height));
        rgb = AveragedRgb(decoded, target);
    } catch (const EJPEGError& e) {
        std::cerr << "mjpgtool: первое изображение фрагмента \"" << in << "\" не декодируется (" << e.what()
                  << "); \"" << out << "\" не создан\n";
        return esInvalid;
    }
    const std::string png = PngBytes(rgb, target);
    TReplacingFile file(out);
    file.Stream().WriteBuffer(png.data(), static_cast<int64_t>(png.size()));
    file.Commit();
    return esOk;
}
