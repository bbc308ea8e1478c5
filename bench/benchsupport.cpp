// Interleaved runs, medians and ratio lines over Google Benchmark; memory
// figures from /proc; fork and a pipe for a measurement in a child.
#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Keeps the median of every benchmark while the console shows the rest.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, TMedianTime> Medians;

    // Colours only for a terminal: the bench script's log stays plain text.
    TMedianReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            const double scale = ToNanoseconds(run.time_unit);
            Medians[run.run_name.function_name] = {run.GetAdjustedRealTime() * scale,
                                                   run.GetAdjustedCPUTime() * scale};
        }
    }

private:
    static double ToNanoseconds(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kNanosecond: return 1;
        case benchmark::kMicrosecond: return 1e3;
        case benchmark::kMillisecond: return 1e6;
        case benchmark::kSecond: return 1e9;
        }
        return 1;
    }
};

} // namespace

std::map<std::string, TMedianTime> RunInterleaved(int argc, char** argv)
{
    // Defaults first: flags given on the command line come later and win.
    std::vector<char*> args{argv[0]};
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_display_aggregates_only=true";
    args.push_back(interleave);
    args.push_back(aggregates);
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        std::exit(2);
    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::fflush(stdout);
    return reporter.Medians;
}

void PrintRatio(const std::string& name, double value)
{
    std::printf("RATIO %s %.3f\n", name.c_str(), value);
    std::fflush(stdout);
}

void PrintDetail(const std::string& text)
{
    std::printf("detail %s\n", text.c_str());
    std::fflush(stdout);
}

double MedianRatio(const std::map<std::string, TMedianTime>& medians, const std::string& name,
                   const std::string& measured, const std::string& reference)
{
    const auto m = medians.find(measured), r = medians.find(reference);
    if (m == medians.end() || r == medians.end() || r->second.CPU <= 0 || r->second.Real <= 0) {
        PrintDetail(name + ": no median for " + measured + " or " + reference);
        return 0;
    }
    const double cpu = m->second.CPU / r->second.CPU;
    const double real = m->second.Real / r->second.Real;
    char text[512];
    std::snprintf(text, sizeof text, "%s: %s / %s  cpu %.3f ms / %.3f ms = %.3f  wall %.3f ms / %.3f ms = %.3f",
                  name.c_str(), measured.c_str(), reference.c_str(), m->second.CPU / 1e6, r->second.CPU / 1e6,
                  cpu, m->second.Real / 1e6, r->second.Real / 1e6, real);
    PrintDetail(text);
    return cpu;
}

int64_t StatusBytes(const std::string& key)
{
    const std::string prefix = key + ":";
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atoll(line.c_str() + prefix.size()) * 1024; // the value is in kB
    return 0;
}

bool RunInChild(void* result, size_t size, const std::function<void()>& work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::close(fds[0]);
        work();
        const ssize_t n = ::write(fds[1], result, size);
        ::_exit(n == static_cast<ssize_t>(size) ? 0 : 1);
    }
    ::close(fds[1]);
    const ssize_t n = ::read(fds[0], result, size);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (n == static_cast<ssize_t>(size) && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    std::fprintf(stderr, "the child process failed (wait status %d)\n", status);
    return false;
}

std::string TakeOption(int& argc, char** argv, const std::string& name, const std::string& fallback)
{
    const std::string flag = "--" + name;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int used = 0;
        std::string value;
        if (arg.rfind(flag + "=", 0) == 0) {
            value = arg.substr(flag.size() + 1);
            used = 1;
        } else if (arg == flag && i + 1 < argc) {
            value = argv[i + 1];
            used = 2;
        }
        if (used) {
            for (int k = i; k + used <= argc; ++k)
                argv[k] = argv[k + used];
            argc -= used;
            return value;
        }
    }
    return fallback;
}

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int TakeRepetitions(int& argc, char** argv, const std::string& program)
{
    const int repetitions = std::atoi(TakeOption(argc, argv, "repetitions", "3").c_str());
    if (repetitions >= 1)
        return repetitions;
    std::fprintf(stderr, "usage: %s [--repetitions N]\n", program.c_str());
    return 0;
}
