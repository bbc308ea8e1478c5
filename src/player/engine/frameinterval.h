// The period of one frame during playback.
#pragma once

#include <cstdint>

// Milliseconds per frame for the header's frame rate, truncated toward zero
// (25 -> 40, 30 -> 33, above 1000 -> 0). A negative rate gives a negative
// interval, which the playback loop compares as unsigned and so never
// reaches. False for a rate of 0: there is no interval and playback stops.
inline bool FrameIntervalMs(int32_t fps, int32_t& interval)
{
    if (fps == 0)
        return false;
    interval = 1000 / fps;
    return true;
}
