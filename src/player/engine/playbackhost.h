// TPlaybackHost: what the playback engine asks of the window that shows it.
// The engine decides; the host shows pictures, applies availability to its
// actions, runs actions, pumps its message queue and supplies the clock
// that paces playback.
#pragma once

#include "chronometer.h"
#include "commands.h"

#include <cstdint>

class TMJPGFrame;

class TPlaybackHost {
public:
    // Puts the frame's picture on screen; null clears it. Errors stay inside.
    virtual void ShowFrame(TMJPGFrame* frame) = 0;
    // The frame the running loop shows next: a chance to decode it while the
    // loop waits.
    virtual void PrepareFrame(TMJPGFrame* frame) = 0;
    // After a step: the frame at `index` is the one a further step in the
    // same direction shows, a chance to decode it once the window is idle
    // (by its index: the frame is looked up again then).
    virtual void PrepareNeighbour(int32_t index) { (void)index; }
    virtual void ApplyAvailability(const TCommandAvailability& availability) = 0;
    // Executes the command's action: its handler runs only if the action is
    // enabled at that moment.
    virtual void Execute(TPlayerCommand command) = 0;
    // State or Loading was set.
    virtual void StateChanged() = 0;
    // Handles every pending message once, then returns.
    virtual void ProcessMessages() = 0;
    // Rests until a message arrives or `mks` microseconds have passed,
    // whichever comes first; handles what arrived. Returning early is fine.
    virtual void WaitForMessages(uint32_t mks) = 0;
    // The clock the engine's chronometer reads; it must outlive the engine.
    virtual const TTickClock& Clock() { return SystemClock(); }

protected:
    ~TPlaybackHost() = default;
};
