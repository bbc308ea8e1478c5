// The player's one-byte state. Other windows test its numeric values (2 and
// 3 mean playing), so the values are fixed.
#pragma once

#include <cstdint>

enum TPlayerState : uint8_t {
    psEmpty = 0,       // no fragment shown
    psStopped = 1,     // a fragment is loaded and nothing plays
    psPlaying = 2,     // playing forwards
    psPlayingBack = 3, // playing backwards
    psPaused = 4,      // playback interrupted by Pause, the frame stays shown
};

inline bool IsPlaying(TPlayerState state)
{
    return state == psPlaying || state == psPlayingBack;
}
