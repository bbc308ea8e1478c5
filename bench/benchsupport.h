// What the benchmark programs share: running Google Benchmark with the
// repetitions of all benchmarks interleaved, taking medians, printing the
// ratios the bench script collects, reading the resident memory, and
// measuring in a fresh child process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <type_traits>

struct TMedianTime {
    double Real = 0; // wall clock per iteration, nanoseconds
    double CPU = 0;  // process CPU time per iteration, nanoseconds
};

// Runs every registered benchmark (each should ask for Repetitions) with the
// repetitions of all of them shuffled together, so a load that comes and
// goes on a shared machine falls on both sides of a ratio alike. Shows the
// aggregates on stdout and returns the median of each benchmark by its name.
// argv may carry Google Benchmark's own flags; they win over the defaults.
std::map<std::string, TMedianTime> RunInterleaved(int argc, char** argv);

// "RATIO name value": the line scripts/bench collects; lower is better.
void PrintRatio(const std::string& name, double value);
// A line of detail that scripts/bench shows but does not collect.
void PrintDetail(const std::string& text);

// The ratio of two medians by process CPU time (the work itself, which the
// other users of the machine disturb least); prints both clocks as detail.
// Returns 0 when either median is missing.
double MedianRatio(const std::map<std::string, TMedianTime>& medians, const std::string& name,
                   const std::string& measured, const std::string& reference);

// A "Vm..." figure of this process from /proc/self/status in bytes (the
// file gives kB); 0 when unknown.
int64_t StatusBytes(const std::string& key);
// VmRSS: the resident memory now.
inline int64_t ResidentBytes() { return StatusBytes("VmRSS"); }
// VmHWM: the peak of the resident memory.
inline int64_t PeakResidentBytes() { return StatusBytes("VmHWM"); }

// Runs `work` in a fresh child process (fork); the `size` bytes at `result`
// as `work` leaves them in the child come back here through a pipe. False,
// with the child's wait status on stderr, when the child did not hand them
// all back and exit normally.
bool RunInChild(void* result, size_t size, const std::function<void()>& work);
template <typename T>
bool RunInChild(T& result, const std::function<void()>& work)
{
    static_assert(std::is_trivially_copyable_v<T>);
    return RunInChild(&result, sizeof result, work);
}

// The CPU seconds this process has used so far.
double ProcessCpuSeconds();

// "--repetitions N" taken from argv (3 when absent); 0, after a usage line
// naming `program` on stderr, when it is not a positive number.
int TakeRepetitions(int& argc, char** argv, const std::string& program);

// Removes "--name=value" or "--name value" from argv and returns the value
// (fallback when absent).
std::string TakeOption(int& argc, char** argv, const std::string& name, const std::string& fallback = {});
