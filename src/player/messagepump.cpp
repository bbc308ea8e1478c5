// Pumping and resting on the Qt event dispatcher.
#include "messagepump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <chrono>
#include <thread>

TMessagePump::TMessagePump(TRestTimer timer)
{
    FWake.setSingleShot(true);
    FWake.setTimerType(Qt::PreciseTimer);
    if (timer == TRestTimer::Kernel)
        FTimer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (FTimer >= 0) {
        FTimerNotifier = std::make_unique<QSocketNotifier>(FTimer, QSocketNotifier::Read);
        QObject::connect(FTimerNotifier.get(), &QSocketNotifier::activated, FTimerNotifier.get(),
                         [this] { TimerRanOut(); });
    }
}

TMessagePump::~TMessagePump()
{
    FTimerNotifier.reset();
    if (FTimer >= 0)
        close(FTimer);
}

void TMessagePump::ProcessOnce()
{
    QCoreApplication::processEvents();
}

void TMessagePump::TimerRanOut()
{
    uint64_t expirations = 0;
    if (read(FTimer, &expirations, sizeof expirations) == sizeof expirations)
        FTimerRanOut = true;
}

void TMessagePump::Wait(uint32_t mks)
{
    if (mks <= ShortRestMks) {
        std::this_thread::sleep_for(std::chrono::microseconds(mks));
        return;
    }
    if (FTimer < 0) {
        WaitOnDispatcherTimer(mks);
        return;
    }
    itimerspec due{};
    due.it_value.tv_sec = static_cast<time_t>(mks / 1000000);
    due.it_value.tv_nsec = static_cast<long>(mks % 1000000) * 1000;
    FTimerRanOut = false;
    if (timerfd_settime(FTimer, 0, &due, nullptr) != 0) {
        WaitOnDispatcherTimer(mks);
        return;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!FTimerRanOut) {
        // Woken by something else: the timer is disarmed, which also drops
        // an expiry that came meanwhile.
        const itimerspec off{};
        timerfd_settime(FTimer, 0, &off, nullptr);
    }
}

void TMessagePump::WaitOnDispatcherTimer(uint32_t mks)
{
    const auto due = std::chrono::steady_clock::now() + std::chrono::microseconds(mks);
    // Whole milliseconds, at least one short of the time left: the timer
    // fires at most a millisecond late, so the wake comes before the frame
    // is due and the rest of the way is a short precise sleep.
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
