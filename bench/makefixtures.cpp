// bench_fixtures: the large fragments the benchmarks load, written with the
// project's writer. "frames" repeats a few encoded sample frames up to a
// size (real JPEG parts, generated in a second); "empty" writes a fragment of
// nothing but parts without data, the worst case for per-frame overhead.
#include "benchsupport.h"
#include "core/streams.h"
#include "samplefragment.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

// Collects small writes and hands them to the file in large blocks.
class TBlockWriter {
public:
    explicit TBlockWriter(const std::string& path) : FFile(path, TFileMode::fmCreate) {}
    TStream& Stream() { return FBlock; }
    void Flush(bool force)
    {
        if (!force && FBlock.Size() < (8 << 20))
            return;
        FBlock.SaveToStream(FFile);
        FBlock.Clear();
    }

private:
    TFileStream FFile;
    TMemoryStream FBlock;
};

int WriteFrames(const std::string& out, int64_t bytes, const TSampleOptions& options, int distinct)
{
    std::vector<std::unique_ptr<TMJPGFrame>> frames;
    int64_t perCycle = 0;
    for (int i = 0; i < distinct; ++i) {
        frames.push_back(MakeJPEGFrame(EncodeSampleFrame(options, i), options.Boundary));
        perCycle += frames.back()->ContentLength + 64;
    }
    const int64_t count = std::max<int64_t>(1, bytes * distinct / perCycle);
    TSampleOptions header = options;
    header.FrameCount = static_cast<int>(count);
    SetSampleTimes(header, options.BeginTime, static_cast<int>(count / options.FPS));
    TMJPGHeader h;
    FillSampleHeader(h, header);
    TBlockWriter writer(out);
    h.WriteToStream(&writer.Stream());
    for (int64_t i = 0; i < count; ++i) {
        frames[static_cast<size_t>(i % distinct)]->WriteToStream(&writer.Stream());
        writer.Flush(false);
    }
    writer.Flush(true);
    std::printf("%s: %lld frames of %dx%d\n", out.c_str(), static_cast<long long>(count), options.Width,
                options.Height);
    return 0;
}

int WriteEmptyParts(const std::string& out, int64_t count, const TSampleOptions& options)
{
    TSampleOptions header = options;
    header.FrameCount = static_cast<int>(count);
    TMJPGHeader h;
    FillSampleHeader(h, header);
    TMJPGFrame empty(nullptr, options.Boundary);
    empty.ContentType = "image/jpeg";
    TBlockWriter writer(out);
    h.WriteToStream(&writer.Stream());
    for (int64_t i = 0; i < count; ++i) {
        empty.WriteToStream(&writer.Stream());
        writer.Flush(false);
    }
    writer.Flush(true);
    std::printf("%s: %lld parts without data\n", out.c_str(), static_cast<long long>(count));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    TSampleOptions options = DefaultSampleOptions();
    options.Width = std::atoi(TakeOption(argc, argv, "width", "704").c_str());
    options.Height = std::atoi(TakeOption(argc, argv, "height", "576").c_str());
    options.Quality = std::atoi(TakeOption(argc, argv, "quality", "80").c_str());
    const int64_t mb = std::atoll(TakeOption(argc, argv, "mb", "300").c_str());
    const int distinct = std::atoi(TakeOption(argc, argv, "distinct", "25").c_str());
    const int64_t count = std::atoll(TakeOption(argc, argv, "count", "1000000").c_str());
    if (argc != 3 || options.Width < 8 || options.Height < 8 || distinct < 1 || mb < 1 || count < 0) {
        std::fprintf(stderr,
                     "usage: bench_fixtures frames OUT [--mb 300] [--width 704] [--height 576] [--quality 80] "
                     "[--distinct 25]\n"
                     "       bench_fixtures empty OUT [--count 1000000]\n");
        return 2;
    }
    const std::string mode = argv[1], out = argv[2];
    try {
        if (mode == "frames")
            return WriteFrames(out, mb << 20, options, distinct);
        if (mode == "empty")
            return WriteEmptyParts(out, count, options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_fixtures: %s\n", e.what());
        return 3;
    }
    std::fprintf(stderr, "bench_fixtures: unknown mode \"%s\"\n", mode.c_str());
    return 2;
}
