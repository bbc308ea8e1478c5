// Pumping and resting on the Qt event dispatcher.
#include "messagepump.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <thread>

TMessagePump::TMessagePump()
{
    FWake.setSingleShot(true);
    FWake.setTimerType(Qt::PreciseTimer);
}

void TMessagePump::ProcessOnce()
{
    QCoreApplication::processEvents();
}

void TMessagePump::Wait(uint32_t mks)
{
    if (mks <= ShortRestMks) {
        std::this_thread::sleep_for(std::chrono::microseconds(mks));
        return;
    }
    // Whole milliseconds, at least one short of the time left: the timer
    // fires at most a millisecond late, so the wake comes before the frame
    // is due and the rest of the way is a short precise sleep.
    const auto due = std::chrono::steady_clock::now() + std::chrono::microseconds(mks);
    FWake.start(std::chrono::milliseconds((mks - 1000) / 1000));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // A single-shot timer is inactive once it has fired.
    const bool wokenByTimer = !FWake.isActive();
    FWake.stop();
    // Woken by its own timer, the rest ends here with a precise sleep rather
    // than with one more pass of the caller's loop (a pass of the event
    // dispatcher for nothing) before the same sleep.
    if (wokenByTimer) {
        const auto left = due - std::chrono::steady_clock::now();
        if (left > std::chrono::microseconds::zero() && left <= std::chrono::microseconds(ShortRestMks))
            std::this_thread::sleep_for(left);
    }
}
