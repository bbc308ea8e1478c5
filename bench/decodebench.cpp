// bench_decode: DecodeFramePicture into the view's 32-bit layout against a
// bare libjpeg-turbo decode at the same settings (accurate integer DCT,
// fancy upsampling, JCS_EXT_BGRX) into one reused buffer, for 704 x 576 and
// 1920 x 1080 frames. Prints RATIO decode_vs_libjpeg, the worse of the two.
#include "baredecoder.h"
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

void BareDecode(benchmark::State& state, const TFrameSet* set)
{
    TBareDecoder decoder;
    size_t i = 0;
    for (auto _ : state) {
        decoder.Decode(set->frame(i).Bytes());
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

// As playback decodes: into the pixels of a picture kept from before.
void FrameDecodeInto(benchmark::State& state, const TFrameSet* set)
{
    TDecodedPicture first = DecodeFramePicture(set->frame(0), TPixelLayout::BGRX32);
    const TPixelTarget target{first.Pixels.get(), first.Width, first.Height, first.BytesPerLine};
    size_t i = 0;
    for (auto _ : state) {
        TDecodedPicture picture = DecodeFramePicture(set->frame(i), TPixelLayout::BGRX32, 1, &target);
        benchmark::DoNotOptimize(target.Pixels);
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
        const TSharedBytes& first = set.frame(0).Bytes();
        std::printf("frames %s: %zu of about %lld bytes\n", set.name.c_str(), set.count(),
                    static_cast<long long>(first.Size()));
        benchmark::RegisterBenchmark(("libjpeg_bgrx/" + set.name).c_str(), BareDecode, &set)
            ->Repetitions(repetitions)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("frame_picture/" + set.name).c_str(), FrameDecode, &set)
            ->Repetitions(repetitions)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("frame_picture_into/" + set.name).c_str(), FrameDecodeInto, &set)
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
