// bench_decode: DecodeFramePicture into the view's 32-bit layout against a
// bare libjpeg-turbo decode at the same settings (accurate integer DCT,
// fancy upsampling, JCS_EXT_BGRX) into one reused buffer, for 704 x 576 and
// 1920 x 1080 frames. Prints RATIO decode_vs_libjpeg, the worse of the two.
#include "benchsupport.h"
#include "container/jpegpicture.h"
#include "container/mjpgimage.h"
#include "fixtures/fragmentbuilder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct TFrameSet {
    std::string name;
    std::unique_ptr<TMJPGImage> image;
    const TMJPGFrame& frame(size_t i) const { return *image->FrameList[i]; }
    size_t count() const { return image->FrameList.size(); }
};

// A few sample frames some way apart: the decoder sees changing data, as in
// playback, rather than one picture over and over.
TFrameSet MakeFrames(int width, int height, int count)
{
    fixture::TFragmentBuilder fragment({.Width = width, .Height = height, .Frames = count});
    for (int i = 0; i < count; ++i)
        fragment.Part(fixture::MakeFrame(
            {.Index = i * 7, .Width = width, .Height = height, .Quality = 80, .Look = fixture::TFrameLook::Scene}));
    return {std::to_string(width) + "x" + std::to_string(height),
            std::make_unique<TMJPGImage>(fragment.Stream().get())};
}

void FailHard(j_common_ptr cinfo)
{
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    std::fprintf(stderr, "bench_decode: libjpeg: %s\n", message);
    std::abort();
}

// The reference: one decompressor and one output buffer for every frame.
class TBareDecoder {
public:
    TBareDecoder()
    {
        FInfo.err = jpeg_std_error(&FError);
        FError.error_exit = FailHard;
        jpeg_create_decompress(&FInfo);
    }
    ~TBareDecoder() { jpeg_destroy_decompress(&FInfo); }

    void Decode(const TMemoryStream& data)
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
            jpeg_read_scanlines(&FInfo, FRows.data() + FInfo.output_scanline,
                                FInfo.output_height - FInfo.output_scanline);
        jpeg_finish_decompress(&FInfo);
    }
    const uint8_t* Pixels() const { return FPixels.data(); }

private:
    jpeg_decompress_struct FInfo{};
    jpeg_error_mgr FError{};
    std::vector<uint8_t> FPixels;
    std::vector<JSAMPROW> FRows;
};

void BareDecode(benchmark::State& state, const TFrameSet* set)
{
    TBareDecoder decoder;
    size_t i = 0;
    for (auto _ : state) {
        decoder.Decode(*set->frame(i).Data);
        benchmark::DoNotOptimize(decoder.Pixels());
        i = (i + 1) % set->count();
    }
}

void FrameDecode(benchmark::State& state, const TFrameSet* set)
{
    size_t i = 0;
    for (auto _ : state) {
        TDecodedPicture picture = DecodeFramePicture(set->frame(i), TPixelLayout::BGRX32);
        benchmark::DoNotOptimize(picture.Pixels.get());
        i = (i + 1) % set->count();
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int repetitions = std::atoi(TakeOption(argc, argv, "repetitions", "25").c_str());
    if (repetitions < 1) {
        std::fprintf(stderr, "usage: bench_decode [--repetitions N] [benchmark flags]\n");
        return 2;
    }
    const TFrameSet sets[] = {MakeFrames(704, 576, 8), MakeFrames(1920, 1080, 8)};
    for (const TFrameSet& set : sets) {
        const TMemoryStream& first = *set.frame(0).Data;
        std::printf("frames %s: %zu of about %lld bytes\n", set.name.c_str(), set.count(),
                    static_cast<long long>(first.Size()));
        benchmark::RegisterBenchmark(("libjpeg_bgrx/" + set.name).c_str(), BareDecode, &set)
            ->Repetitions(repetitions)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("frame_picture/" + set.name).c_str(), FrameDecode, &set)
            ->Repetitions(repetitions)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
    }
    const auto medians = RunInterleaved(argc, argv);
    double worst = 0;
    for (const TFrameSet& set : sets) {
        const double ratio = MedianRatio(medians, "decode_vs_libjpeg " + set.name, "frame_picture/" + set.name,
                                         "libjpeg_bgrx/" + set.name);
        if (ratio <= 0)
            return 1;
        worst = std::max(worst, ratio);
    }
    PrintRatio("decode_vs_libjpeg", worst);
    return 0;
}
