// bench_load: loading a large fragment through TFileStream and TMJPGImage
// against reading the same file into one fresh buffer, the page cache warm.
// Prints RATIO load_vs_read (load time / read time, medians).
#include "benchsupport.h"
#include "container/mjpgimage.h"
#include "core/streams.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string gPath;
int64_t gFileSize = 0;
int32_t gFrames = -1;

// malloc + read of the whole file: the fastest any loader could be while
// it keeps the bytes in fresh memory.
uint8_t* ReadWholeFile(const std::string& path, int64_t& size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    ::fstat(fd, &st);
    size = st.st_size;
    auto* buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
    int64_t done = 0;
    while (buffer && done < size) {
        const ssize_t n = ::read(fd, buffer + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    if (done != size) {
        std::free(buffer);
        return nullptr;
    }
    return buffer;
}

// Hands freed heap pages back to the system, so every load writes into
// fresh memory as the read does. Otherwise the allocator may keep the last
// load's pages (whether it does depends on what else sits on the heap) and
// the next load skips the page faults that set the pace of a first load.
void ReleaseFreedMemory()
{
    ::malloc_trim(0);
}

void ReadFreshBuffer(benchmark::State& state)
{
    for (auto _ : state) {
        int64_t size = 0;
        uint8_t* buffer = ReadWholeFile(gPath, size);
        if (!buffer) {
            state.SkipWithError("cannot read the fixture");
            break;
        }
        benchmark::DoNotOptimize(buffer);
        state.PauseTiming();
        std::free(buffer);
        ReleaseFreedMemory();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * gFileSize);
}

void LoadImage(benchmark::State& state)
{
    for (auto _ : state) {
        TFileStream file(gPath, TFileMode::fmOpenRead);
        auto image = std::make_unique<TMJPGImage>(&file);
        benchmark::DoNotOptimize(image.get());
        state.PauseTiming();
        const bool ok = image->Header->IsValid() && image->FrameCount() == gFrames;
        image.reset();
        ReleaseFreedMemory();
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("the fragment did not load whole");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * gFileSize);
}

} // namespace

int main(int argc, char** argv)
{
    gPath = TakeOption(argc, argv, "fixture");
    const int repetitions = std::atoi(TakeOption(argc, argv, "repetitions", "31").c_str());
    if (gPath.empty() || repetitions < 1) {
        std::fprintf(stderr, "usage: bench_load --fixture FILE.mjpg [--repetitions N] [benchmark flags]\n");
        return 2;
    }
    // One load before timing: warms the page cache and gives the frame count
    // every timed load must reach.
    try {
        TFileStream file(gPath, TFileMode::fmOpenRead);
        TMJPGImage image(&file);
        gFrames = image.FrameCount();
        gFileSize = file.Size();
        if (!image.Header->IsValid() || gFrames <= 0) {
            std::fprintf(stderr, "bench_load: %s is not a fragment with frames\n", gPath.c_str());
            return 3;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_load: %s\n", e.what());
        return 3;
    }
    int64_t size = 0;
    std::free(ReadWholeFile(gPath, size));
    std::printf("fixture %s: %.1f MB, %d frames\n", gPath.c_str(), gFileSize / 1e6, gFrames);

    benchmark::RegisterBenchmark("read_fresh_buffer", ReadFreshBuffer)
        ->Iterations(1)->Repetitions(repetitions)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load_image", LoadImage)
        ->Iterations(1)->Repetitions(repetitions)->Unit(benchmark::kMillisecond);
    const auto medians = RunInterleaved(argc, argv);
    const double ratio = MedianRatio(medians, "load_vs_read", "load_image", "read_fresh_buffer");
    if (ratio <= 0)
        return 1;
    PrintRatio("load_vs_read", ratio);
    return 0;
}
