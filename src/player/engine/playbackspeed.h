// The playback speeds, from a quarter of the recorded frame rate to sixteen
// times it, as the steps of one list.
#pragma once

#include <cstddef>
#include <cstdint>

enum class TPlaybackSpeed : uint8_t {
    Quarter, // x1/4
    Half,    // x1/2
    Normal,  // x1, the recorded rate
    Double,  // x2
    Times4,
    Times8,
    Times16,
};

inline constexpr size_t PlaybackSpeedCount = static_cast<size_t>(TPlaybackSpeed::Times16) + 1;

// The speed as a fraction of the recorded rate: Numerator / Denominator.
struct TSpeedRatio {
    int32_t Numerator;
    int32_t Denominator;
};

inline TSpeedRatio SpeedRatio(TPlaybackSpeed speed)
{
    switch (speed) {
    case TPlaybackSpeed::Quarter: return {1, 4};
    case TPlaybackSpeed::Half: return {1, 2};
    case TPlaybackSpeed::Normal: return {1, 1};
    case TPlaybackSpeed::Double: return {2, 1};
    case TPlaybackSpeed::Times4: return {4, 1};
    case TPlaybackSpeed::Times8: return {8, 1};
    case TPlaybackSpeed::Times16: return {16, 1};
    }
    return {1, 1};
}

// One step up or down the list, staying at its ends.
inline TPlaybackSpeed FasterSpeed(TPlaybackSpeed speed)
{
    return speed == TPlaybackSpeed::Times16 ? speed : static_cast<TPlaybackSpeed>(static_cast<int>(speed) + 1);
}

inline TPlaybackSpeed SlowerSpeed(TPlaybackSpeed speed)
{
    return speed == TPlaybackSpeed::Quarter ? speed : static_cast<TPlaybackSpeed>(static_cast<int>(speed) - 1);
}
