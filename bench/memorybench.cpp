// bench_memory: resident memory a loaded fragment costs. Every measurement
// loads in a fresh child process (VmRSS after loading minus VmRSS before),
// so nothing a previous load left in the allocator hides or adds memory.
// Prints RATIO rss_vs_file (added resident bytes / file size, median), and
// the memory of a fragment of a million parts without data, which must load.
#include "benchsupport.h"
#include "container/mjpgimage.h"
#include "core/streams.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TLoadResult {
    bool ok = false;
    int64_t fileSize = 0;
    int64_t added = 0; // resident bytes added by the load
    int64_t frames = 0;
    double seconds = 0;
};

TLoadResult LoadHere(const std::string& path)
{
    TLoadResult r;
    const int64_t before = ResidentBytes();
    const auto start = std::chrono::steady_clock::now();
    TFileStream file(path, TFileMode::fmOpenRead);
    TMJPGImage image(&file);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.added = ResidentBytes() - before;
    r.fileSize = file.Size();
    r.frames = image.FrameCount();
    r.ok = image.Header->IsValid();
    return r;
}

// The load in a child; a child that dies (out of memory included) gives !ok.
TLoadResult LoadInChild(const std::string& path)
{
    TLoadResult r;
    const bool ran = RunInChild(r, [&] {
        try {
            r = LoadHere(path);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_memory: %s\n", e.what());
        }
    });
    if (!ran) {
        std::fprintf(stderr, "bench_memory: loading %s failed in the child\n", path.c_str());
        return {};
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string fixture = TakeOption(argc, argv, "fixture");
    const std::string empty = TakeOption(argc, argv, "empty");
    const int repetitions = std::atoi(TakeOption(argc, argv, "repetitions", "5").c_str());
    if (fixture.empty() || argc != 1 || repetitions < 1) {
        std::fprintf(stderr, "usage: bench_memory --fixture FILE.mjpg [--empty FILE.mjpg] [--repetitions N]\n");
        return 2;
    }
    std::vector<double> ratios;
    for (int i = 0; i < repetitions; ++i) {
        const TLoadResult r = LoadInChild(fixture);
        if (!r.ok || r.fileSize <= 0)
            return 1;
        ratios.push_back(static_cast<double>(r.added) / static_cast<double>(r.fileSize));
        std::printf("load %d: %lld frames, file %.1f MB, resident +%.1f MB, ratio %.4f, %.3f s\n", i + 1,
                    static_cast<long long>(r.frames), r.fileSize / 1e6, r.added / 1e6, ratios.back(), r.seconds);
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];

    int rc = 0;
    if (!empty.empty()) {
        const TLoadResult r = LoadInChild(empty);
        char text[256];
        if (r.ok && r.frames > 0) {
            std::snprintf(text, sizeof text,
                          "empty_parts: %lld frames, file %.1f MB, resident +%.1f MB (%.0f bytes a frame), %.3f s",
                          static_cast<long long>(r.frames), r.fileSize / 1e6, r.added / 1e6,
                          static_cast<double>(r.added) / r.frames, r.seconds);
        } else {
            std::snprintf(text, sizeof text, "empty_parts: did not load");
            rc = 1;
        }
        PrintDetail(text);
    }
    PrintRatio("rss_vs_file", median);
    return rc;
}
