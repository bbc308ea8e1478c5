// mjpgsample: writes a sample fragment of generated frames, each showing its
// frame number, so there is always something to open and to measure with.
#include "core/cp1251.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "core/replacingfile.h"
#include "samplefragment.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

void Usage()
{
    std::fprintf(stderr,
                 "usage: mjpgsample [--width N] [--height N] [--fps N] [--seconds N] [--quality 1..100]\n"
                 "                  [--camera TEXT] [--begin \"dd.mm.yyyy hh:nn:ss\"] OUT\n"
                 "Writes a fragment of a moving test picture with the frame number in every frame.\n"
                 "Defaults: 704 x 576, 25 fps, 10 s, quality 80, camera \"Камера 1\".\n");
}

bool ParseInt(const char* text, int low, int high, int& value)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high)
        return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    TSampleOptions options = DefaultSampleOptions();
    TDateTime begin = options.BeginTime;
    int seconds = options.FrameCount / options.FPS;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const int first = i;
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        bool ok = true;
        if (arg == "--width" && hasValue)
            ok = ParseInt(argv[++i], 8, 8192, options.Width);
        else if (arg == "--height" && hasValue)
            ok = ParseInt(argv[++i], 8, 8192, options.Height);
        else if (arg == "--fps" && hasValue)
            ok = ParseInt(argv[++i], 1, 1000, options.FPS);
        else if (arg == "--seconds" && hasValue)
            ok = ParseInt(argv[++i], 0, 86400, seconds);
        else if (arg == "--quality" && hasValue)
            ok = ParseInt(argv[++i], 1, 100, options.Quality);
        else if (arg == "--camera" && hasValue)
            options.Camera = Utf8ToCp1251(argv[++i]);
        else if (arg == "--begin" && hasValue)
            ok = TryStrToDateTime(argv[++i], begin);
        else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-')
            ok = false;
        else if (out.empty())
            out = arg;
        else
            ok = false;
        if (!ok) {
            std::string given = arg;
            for (int k = first + 1; k <= i; ++k)
                given += std::string(" ") + argv[k];
            std::fprintf(stderr, "mjpgsample: bad argument \"%s\"\n", given.c_str());
            Usage();
            return 2;
        }
    }
    if (out.empty()) {
        Usage();
        return 2;
    }
    if (static_cast<long long>(seconds) * options.FPS > 1000000) {
        std::fprintf(stderr, "mjpgsample: more than a million frames asked\n");
        return 2;
    }
    options.FrameCount = seconds * options.FPS;
    SetSampleTimes(options, begin, seconds);

    // Written beside the target and renamed, so an interrupted run never
    // leaves a truncated sample that looks finished.
    try {
        const auto image = BuildSampleImage(options);
        TReplacingFile file(out);
        image->SaveToStream(&file.Stream());
        file.Commit();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mjpgsample: %s\n", e.what());
        return 3;
    }
    return 0;
}
