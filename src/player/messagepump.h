// TMessagePump: the playback loop's use of the Qt message queue. Each pass
// handles what is pending; between frames the loop rests in the event
// dispatcher (woken by input, painting, posted events or a precise timer at
// the frame's due time) instead of spinning.
#pragma once

#include <QTimer>

#include <cstdint>
#include <memory>

class QSocketNotifier;

class TMessagePump {
public:
    // What ends a rest: the kernel's timer where it can be made (the
    // dispatcher's own otherwise), or always the dispatcher's.
    enum class TRestTimer { Kernel, Dispatcher };

    explicit TMessagePump(TRestTimer timer = TRestTimer::Kernel);
    ~TMessagePump();
    TMessagePump(const TMessagePump&) = delete;
    TMessagePump& operator=(const TMessagePump&) = delete;

    // Handles every pending message once.
    void ProcessOnce();
    // Rests until a message arrives or `mks` microseconds have passed. A
    // rest that nothing interrupts lasts the whole time asked and ends with
    // one wake-up: the kernel's timer (timerfd) counts microseconds and
    // wakes the dispatcher when it runs out. A rest of at most ShortRestMks
    // is slept precisely. Where no such timer can be made, the dispatcher's
    // own timer (whole milliseconds, up to one late) ends the rest a little
    // early and the last stretch is slept.
    void Wait(uint32_t mks);

    static constexpr uint32_t ShortRestMks = 2000;

private:
    void WaitOnDispatcherTimer(uint32_t mks);
    void TimerRanOut();

    int FTimer = -1; // the timerfd, or -1
    std::unique_ptr<QSocketNotifier> FTimerNotifier;
    bool FTimerRanOut = false;
    QTimer FWake;
};
