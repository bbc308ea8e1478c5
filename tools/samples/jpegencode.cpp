// libjpeg encoding into memory.
#include "jpegencode.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace {

// Compresses rows of `components` bytes per pixel; `configure` sets what
// differs between the colour models after libjpeg's defaults.
template <typename TConfigure>
std::vector<uint8_t> Compress(const uint8_t* pixels, int width, int height, int components,
                              J_COLOR_SPACE space, int quality, TConfigure configure)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    configure(cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = static_cast<size_t>(width) * components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(pixels + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> result(out, out + outSize);
    std::free(out);
    return result;
}

} // namespace

std::vector<uint8_t> EncodeJPEG(const uint8_t* rgb, int width, int height, int quality)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("EncodeJPEG: empty picture");
    return Compress(rgb, width, height, 3, JCS_RGB, quality, [](jpeg_compress_struct&) {});
}

std::vector<uint8_t> EncodeSolidJPEG(int width, int height, uint8_t r, uint8_t g, uint8_t b, int quality)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
    return EncodeJPEG(rgb.data(), width, height, quality);
}

std::vector<uint8_t> EncodeCMYKJPEG(const uint8_t* cmyk, int width, int height, TCMYKStorage storage, int quality)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("EncodeCMYKJPEG: empty picture");
    return Compress(cmyk, width, height, 4, JCS_CMYK, quality, [storage](jpeg_compress_struct& cinfo) {
        jpeg_set_colorspace(&cinfo, storage == TCMYKStorage::AdobeYCCK ? JCS_YCCK : JCS_CMYK);
        // libjpeg marks CMYK and YCCK pictures with Adobe's marker; plain CMYK
        // goes without it.
        cinfo.write_Adobe_marker = storage != TCMYKStorage::Plain;
    });
}
