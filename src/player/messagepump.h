// TMessagePump: the playback loop's use of the Qt message queue. Each pass
// handles what is pending; between frames the loop rests in the event
// dispatcher (woken by input, painting, posted events or a precise timer at
// the frame's due time) instead of spinning.
#pragma once

#include <QTimer>

#include <cstdint>

class TMessagePump {
public:
    TMessagePump();

    // Handles every pending message once.
    void ProcessOnce();
    // Rests until a message arrives or `mks` microseconds have passed. The
    // dispatcher's timers count whole milliseconds and may fire up to one
    // late, so a long rest ends a little early and the last stretch (at most
    // ShortRestMks, too short for anyone to notice) is slept precisely, here
    // when the timer woke it: a rest that nothing interrupts lasts the whole
    // time asked, in one pass of the dispatcher.
    void Wait(uint32_t mks);

    static constexpr uint32_t ShortRestMks = 2000;

private:
    QTimer FWake;
};
