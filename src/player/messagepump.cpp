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
    FWake.start(std::chrono::milliseconds((mks - 1000) / 1000));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    FWake.stop();
}
