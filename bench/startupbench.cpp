// bench_startup: how soon the player shows its window with the first frame
// of a fragment, against a bare Qt program showing an empty window of the
// same size, both in one X session of the benchmark's own (Xvfb with
// openbox), runs of the two interleaved:
//   RATIO startup_vs_bare_qt   median time from starting "mjpgplayer FILE"
//       to its first picture painted / the same for the bare window
// usage: bench_startup --player PATH --bare PATH --fragment FILE [--runs N]
#include "benchsupport.h"
#include "xsession.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Milliseconds from the start to the first picture painted; its line in
// `line`. Negative when it did not come.
double TimeToFirstPaint(const TXSession& session, const std::vector<std::string>& argv, std::string& line)
{
    const auto start = TClock::now();
    TStarted started = StartIn(session, argv, {"MJPG_REPORT_FIRST_PAINT=1"});
    const bool painted = WaitForLine(started, "first picture painted", line, 30);
    const double ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
    Stop(started);
    return painted ? ms : -1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string player = TakeOption(argc, argv, "player");
    const std::string bare = TakeOption(argc, argv, "bare");
    const std::string fragment = TakeOption(argc, argv, "fragment");
    const int runs = std::stoi(TakeOption(argc, argv, "runs", "5"));
    if (player.empty() || bare.empty() || fragment.empty() || runs < 1) {
        std::fprintf(stderr, "usage: bench_startup --player PATH --bare PATH --fragment FILE [--runs N]\n");
        return 2;
    }
    if (!HaveXSession()) {
        std::fprintf(stderr, "bench_startup: needs Xvfb and openbox\n");
        return 1;
    }
    const TXSession session;
    if (session.Display().empty())
        return 1;
    // A first run of each warms the file cache and gives the window's size.
    std::string line;
    if (TimeToFirstPaint(session, {player, fragment}, line) < 0) {
        std::fprintf(stderr, "bench_startup: %s showed no picture\n", player.c_str());
        return 1;
    }
    const std::string size = line.substr(line.rfind(' ') + 1);
    const std::vector<std::string> bareArgv = {bare, "--size", size};
    if (TimeToFirstPaint(session, bareArgv, line) < 0) {
        std::fprintf(stderr, "bench_startup: %s showed no window\n", bare.c_str());
        return 1;
    }
    std::vector<double> playerMs;
    std::vector<double> bareMs;
    for (int i = 0; i < runs; ++i) {
        const double p = TimeToFirstPaint(session, {player, fragment}, line);
        const double b = TimeToFirstPaint(session, bareArgv, line);
        if (p < 0 || b < 0) {
            std::fprintf(stderr, "bench_startup: a run showed nothing\n");
            return 1;
        }
        playerMs.push_back(p);
        bareMs.push_back(b);
    }
    const double p = Median(playerMs);
    const double b = Median(bareMs);
    PrintDetail("startup: the player's window " + size + " with its first frame after " + std::to_string(p) +
                " ms, a bare Qt window after " + std::to_string(b) + " ms (medians of " + std::to_string(runs) + ")");
    PrintRatio("startup_vs_bare_qt", p / b);
    return 0;
}
