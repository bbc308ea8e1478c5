// The bare libjpeg-turbo decode.
#include "baredecoder.h"

#include <cstdio>
#include <cstdlib>

namespace {

void FailHard(j_common_ptr cinfo)
{
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    std::fprintf(stderr, "bare decode: libjpeg: %s\n", message);
    std::abort();
}

} // namespace

TBareDecoder::TBareDecoder()
{
    FInfo.err = jpeg_std_error(&FError);
    FError.error_exit = FailHard;
    jpeg_create_decompress(&FInfo);
}

TBareDecoder::~TBareDecoder()
{
    jpeg_destroy_decompress(&FInfo);
}

void TBareDecoder::Decode(const TSharedBytes& data)
{
    jpeg_mem_src(&FInfo, data.Memory(), static_cast<unsigned long>(data.Size()));
    jpeg_read_header(&FInfo, TRUE);
    FInfo.dct_method = JDCT_ISLOW;
    FInfo.do_fancy_upsampling = TRUE;
    FInfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&FInfo);
    const size_t bpl = static_cast<size_t>(FInfo.output_width) * 4;
    if (FPixels.size() < bpl * FInfo.output_height) {
        FPixels.resize(bpl * FInfo.output_height);
        FRows.resize(FInfo.output_height);
    }
    for (JDIMENSION y = 0; y < FInfo.output_height; ++y)
        FRows[y] = FPixels.data() + bpl * y;
    while (FInfo.output_scanline < FInfo.output_height)
        jpeg_read_scanlines(&FInfo, FRows.data() + FInfo.output_scanline, FInfo.output_height - FInfo.output_scanline);
    jpeg_finish_decompress(&FInfo);
}
