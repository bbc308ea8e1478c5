// bench_fixtures: the large fragments the benchmarks load, in the writer's
// form. "frames" repeats a few encoded sample frames up to a size (real JPEG
// parts, generated in a second); "empty" writes a fragment of nothing but
// parts without data, the worst case for per-frame overhead.
#include "benchsupport.h"
#include "fixtures/fragmentbuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct TFixtureOptions {
    int Width = 704;
    int Height = 576;
    int Quality = 80;
};

const std::string Boundary = "mjpgsample";

// Writes the header, then parts[i % parts.size()] for i below count.
void WriteFragment(const std::string& out, const fixture::THeaderLines& header, const std::vector<std::string>& parts,
                   int64_t count)
{
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << header.Text();
    for (int64_t i = 0; i < count && file; ++i)
        file << parts[static_cast<size_t>(i % static_cast<int64_t>(parts.size()))];
    if (!file.flush())
        throw std::runtime_error("cannot write " + out);
}

fixture::THeaderLines Header(const TFixtureOptions& options, int64_t count)
{
    return {.Camera = "\xCA\xE0\xEC\xE5\xF0\xE0 1", // "Камера 1" in code page 1251
            .Width = options.Width,
            .Height = options.Height,
            .FPS = 25,
            .Frames = count,
            .Boundary = Boundary};
}

int WriteFrames(const std::string& out, int64_t bytes, const TFixtureOptions& options, int distinct)
{
    std::vector<std::string> parts;
    int64_t perCycle = 0;
    for (int i = 0; i < distinct; ++i) {
        parts.push_back(fixture::PartText(fixture::MakeFrame({.Index = i,
                                                              .Width = options.Width,
                                                              .Height = options.Height,
                                                              .Quality = options.Quality,
                                                              .Look = fixture::TFrameLook::Scene}),
                                          Boundary));
        perCycle += static_cast<int64_t>(parts.back().size());
    }
    const int64_t count = std::max<int64_t>(1, bytes * distinct / perCycle);
    WriteFragment(out, Header(options, count), parts, count);
    std::printf("%s: %lld frames of %dx%d\n", out.c_str(), static_cast<long long>(count), options.Width,
                options.Height);
    return 0;
}

int WriteEmptyParts(const std::string& out, int64_t count, const TFixtureOptions& options)
{
    WriteFragment(out, Header(options, count), {fixture::PartText("", Boundary)}, count);
    std::printf("%s: %lld parts without data\n", out.c_str(), static_cast<long long>(count));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    TFixtureOptions options;
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
