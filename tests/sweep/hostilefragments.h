// Hostile MJPG fragments for the bad-input sweep: crafted byte strings with
// absurd header values, broken or oversized pictures, lying part lengths,
// NUL bytes where text belongs and enormous part counts.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// What opening the file must give.
enum class THostileLoad {
    Loads,  // a fragment with a valid header: no message, the window has it
    Silent, // not a fragment: no message, nothing loaded
};

struct THostileCase {
    const char* Name; // also the file name
    std::string (*Make)();
    THostileLoad Load;
};

// Test names and messages show the case by its name.
inline void PrintTo(const THostileCase& hostile, std::ostream* out)
{
    *out << hostile.Name;
}

// Every crafted case, each a few kilobytes to a few megabytes.
const std::vector<THostileCase>& HostileCases();

// Building blocks, shared with the memory-limit test.
namespace hostile {

// "MJPG/1.0 ..." and the header lines with these values, boundary "--b".
std::string Header(int32_t width, int32_t height, int32_t fps, int32_t frames = 1);
// One part with this data and its true Content-Length.
std::string Part(const std::string& data);
// The part's opening lines for `length` bytes of data that follow.
std::string PartHead(int64_t length);
// A small valid JPEG picture (solid colour from `seed`).
std::string SmallJpeg(int seed = 0);
// The small picture with its frame header claiming width x height.
std::string JpegClaiming(int width, int height);

} // namespace hostile
