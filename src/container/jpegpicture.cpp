// libjpeg-turbo decoding with its fatal errors turned into EJPEGError. The
// error handler longjmps back into DecodeInto, a function that holds only
// plain data between setjmp and longjmp; the exception is raised after
// libjpeg's state has been released, so no longjmp crosses a C++ frame.
#include "jpegpicture.h"

#include "cmykcolour.h"
#include "mjpgframe.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace {

struct TErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnFatalError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnOutputMessage(j_common_ptr)
{
    // Warnings of corrupt data are not printed; the picture shows what it can.
}

// Each scan of a picture in several scans is a pass over all of its blocks,
// and a scan can take as little as ten bytes: a small file of many scans
// would keep a large picture decoding for minutes. Encoders write about ten.
constexpr int MaxScans = 100;

void OnProgress(j_common_ptr cinfo)
{
    const int scans = reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number;
    if (scans > MaxScans) {
        auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "more than %d scans", MaxScans);
        std::longjmp(err->jump, 1);
    }
}

struct TDecodeJob {
    const uint8_t* data;
    size_t size;
    TPixelLayout layout;
    bool headerOnly;
    int reduction = 1;
    const TPixelTarget* target = nullptr;
    // results
    int width = 0, height = 0, bytesPerLine = 0;
    uint8_t* pixels = nullptr; // malloc'ed, or the target's
    bool inTarget = false;
    uint32_t palette[256] = {};
    int paletteSize = 0;
    char error[JMSG_LENGTH_MAX] = {0};
};

// Plain C-style body: every resource is released on both paths before return.
bool DecodeInto(TDecodeJob& job)
{
    jpeg_decompress_struct cinfo;
    TErrorManager jerr;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = OnFatalError;
    jerr.pub.output_message = OnOutputMessage;
    jerr.message[0] = 0;
    uint8_t* volatile pixels = nullptr;
    volatile bool ownPixels = true;       // false: the job's target
    uint8_t* volatile cmykRow = nullptr;  // four-colour pictures: one row of inks
    uint8_t* volatile colours = nullptr;  // four-colour pictures on a palette: the colours before quantising
    if (setjmp(jerr.jump)) {
        if (ownPixels)
            std::free(pixels);
        std::free(cmykRow);
        std::free(colours);
        jpeg_destroy_decompress(&cinfo);
        std::snprintf(job.error, sizeof job.error, "%s", jerr.message);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_progress_mgr progress{};
    progress.progress_monitor = OnProgress;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, job.data, static_cast<unsigned long>(job.size));
    jpeg_read_header(&cinfo, TRUE);
    job.width = static_cast<int>(cinfo.image_width);
    job.height = static_cast<int>(cinfo.image_height);
    if (job.headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    if (static_cast<uint64_t>(cinfo.image_width) * cinfo.image_height > MaxPicturePixels) {
        std::snprintf(job.error, sizeof job.error, "picture of %ux%u pixels is too large",
                      cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned int>(job.reduction);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    cinfo.buffered_image = FALSE;
    // libjpeg gives four-colour pictures only as CMYK: they are turned into
    // colours here, row by row.
    const bool fourColours = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool adobeInverted = cinfo.saw_Adobe_marker;
    int bytesPerPixel = 4;
    switch (job.layout) {
    case TPixelLayout::BGRX32:
        cinfo.out_color_space = JCS_EXT_BGRX;
        break;
    case TPixelLayout::BGR24:
        cinfo.out_color_space = JCS_EXT_BGR;
        bytesPerPixel = 3;
        break;
    case TPixelLayout::Indexed8:
        cinfo.out_color_space = JCS_RGB;
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = 236;
        cinfo.two_pass_quantize = TRUE;
        cinfo.dither_mode = JDITHER_FS;
        bytesPerPixel = 1;
        break;
    }
    if (fourColours) {
        cinfo.out_color_space = JCS_CMYK;
        cinfo.quantize_colors = FALSE;
    }
    jpeg_start_decompress(&cinfo);
    const size_t width = cinfo.output_width, height = cinfo.output_height;
    const size_t bpl = (width * bytesPerPixel + 3) & ~size_t(3);
    const TPixelTarget* target = job.target;
    if (target && target->Pixels && job.layout != TPixelLayout::Indexed8 && !fourColours &&
        static_cast<size_t>(target->Width) == width && static_cast<size_t>(target->Height) == height &&
        static_cast<size_t>(target->BytesPerLine) == bpl) {
        pixels = target->Pixels;
        ownPixels = false;
    } else {
        pixels = static_cast<uint8_t*>(std::malloc(bpl * height + 1));
    }
    // Colours of a four-colour picture go straight into the pixels, or first
    // into 24-bit rows when they are to be quantised.
    const size_t colourBpl = (width * 3 + 3) & ~size_t(3);
    if (fourColours) {
        cmykRow = static_cast<uint8_t*>(std::malloc(width * 4 + 1));
        if (job.layout == TPixelLayout::Indexed8)
            colours = static_cast<uint8_t*>(std::malloc(colourBpl * height + 1));
    }
    if (!pixels || (fourColours && !cmykRow) || (fourColours && job.layout == TPixelLayout::Indexed8 && !colours)) {
        std::snprintf(job.error, sizeof job.error, "not enough memory for the picture");
        if (ownPixels)
            std::free(pixels);
        std::free(cmykRow);
        std::free(colours);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        if (fourColours) {
            rows[0] = cmykRow;
            if (jpeg_read_scanlines(&cinfo, rows, 1) == 0)
                break;
            if (colours)
                CMYKRowToBGR(cmykRow, static_cast<int>(width), adobeInverted, colours + colourBpl * first, 3);
            else
                CMYKRowToBGR(cmykRow, static_cast<int>(width), adobeInverted, pixels + bpl * first, bytesPerPixel);
            continue;
        }
        JDIMENSION n = 0;
        for (; n < 16 && first + n < cinfo.output_height; ++n)
            rows[n] = pixels + bpl * (first + n);
        if (jpeg_read_scanlines(&cinfo, rows, n) == 0)
            break;
    }
    // A picture cut short keeps the rows decoded so far and grey below them.
    const size_t decodedRows = cinfo.output_scanline;
    if (colours) {
        if (decodedRows < height)
            std::memset(colours + colourBpl * decodedRows, 0x80, colourBpl * (height - decodedRows));
        QuantizeToFixedPalette(colours, static_cast<int>(width), static_cast<int>(height), colourBpl, pixels, bpl);
        FixedPalette(job.palette);
        job.paletteSize = FixedPaletteSize;
    } else if (job.layout == TPixelLayout::Indexed8) {
        job.paletteSize = cinfo.actual_number_of_colors;
        for (int i = 0; i < job.paletteSize; ++i) {
            const uint32_t r = cinfo.colormap[0][i], g = cinfo.colormap[1][i], b = cinfo.colormap[2][i];
            job.palette[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
        if (decodedRows < height)
            std::memset(pixels + bpl * decodedRows, 0x80, bpl * (height - decodedRows));
    } else if (decodedRows < height) {
        std::memset(pixels + bpl * decodedRows, 0x80, bpl * (height - decodedRows));
    }
    job.width = static_cast<int>(width);
    job.height = static_cast<int>(height);
    job.bytesPerLine = static_cast<int>(bpl);
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::free(cmykRow);
    std::free(colours);
    job.pixels = pixels;
    job.inTarget = !ownPixels;
    return true;
}

} // namespace

TDecodedPicture DecodeJPEG(const uint8_t* data, size_t size, TPixelLayout layout, int reduction,
                           const TPixelTarget* target)
{
    if (!data || size == 0)
        throw EJPEGError("JPEG error: empty picture");
    if (reduction != 1 && reduction != 2 && reduction != 4 && reduction != 8)
        throw EJPEGError("JPEG error: no reduction by " + std::to_string(reduction));
    TDecodeJob job{data, size, layout, false, reduction, target};
    if (!DecodeInto(job))
        throw EJPEGError(std::string("JPEG error: ") + job.error);
    TDecodedPicture picture;
    picture.Width = job.width;
    picture.Height = job.height;
    picture.BytesPerLine = job.bytesPerLine;
    picture.Layout = layout;
    if (job.inTarget)
        picture.InTarget = true;
    else
        picture.Pixels.reset(job.pixels);
    if (layout == TPixelLayout::Indexed8)
        picture.Palette.assign(job.palette, job.palette + job.paletteSize);
    return picture;
}

TDecodedPicture DecodeFramePicture(const TMJPGFrame& frame, TPixelLayout layout, int reduction,
                                   const TPixelTarget* target)
{
    return DecodeJPEG(frame.Bytes().Memory(), static_cast<size_t>(frame.Bytes().Size()), layout, reduction, target);
}

int ReducedSize(int size, int reduction)
{
    return reduction > 0 ? (size + reduction - 1) / reduction : size;
}

int ReductionFor(int pictureWidth, int pictureHeight, int width, int height)
{
    if (width <= 0 || height <= 0)
        return 1;
    int reduction = 1;
    for (int next : {2, 4, 8}) {
        if (ReducedSize(pictureWidth, next) < width || ReducedSize(pictureHeight, next) < height)
            break;
        reduction = next;
    }
    return reduction;
}

bool ReadJPEGSize(const uint8_t* data, size_t size, int& width, int& height)
{
    if (!data || size == 0)
        return false;
    TDecodeJob job{data, size, TPixelLayout::BGRX32, true};
    if (!DecodeInto(job))
        return false;
    width = job.width;
    height = job.height;
    return true;
}

bool ReadFramePictureSize(const TMJPGFrame& frame, int& width, int& height)
{
    return ReadJPEGSize(frame.Bytes().Memory(), static_cast<size_t>(frame.Bytes().Size()), width, height);
}
