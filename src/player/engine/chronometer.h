// TChronometer: the stopwatch that paces playback. It reads a monotonic
// clock (the system's, or one its owner supplies, such as a test's clock
// that moves only when told) and reports the time since its last Reset in
// microseconds, milliseconds or seconds, as unsigned 32-bit numbers that
// wrap after about 71 minutes. The arithmetic is kept in free functions so
// that it can be checked without a clock.
#pragma once

#include <cstdint>

// Microseconds per clock tick for a clock of the given ticks per second.
double MksPerTick(int64_t ticksPerSecond);
// Microseconds in `ticks`, truncated toward zero, low 32 bits kept.
uint32_t TicksToMks(int64_t ticks, double mksPerTick);
uint32_t MksToMs(uint32_t mks);
uint32_t MksToS(uint32_t mks);

// A monotonic tick counter with a fixed frequency of at least one tick a
// microsecond.
class TTickClock {
public:
    virtual int64_t TicksPerSecond() const = 0;
    // Never goes backwards.
    virtual int64_t Ticks() const = 0;

protected:
    ~TTickClock() = default;
};

// The system's monotonic clock (std::chrono::steady_clock).
const TTickClock& SystemClock();

class TChronometer {
public:
    // Already running when constructed. The clock must outlive the chronometer.
    explicit TChronometer(const TTickClock& clock = SystemClock());

    void Reset();
    // Each read takes the clock anew.
    uint32_t FTime_mks() const;
    uint32_t FTime_ms() const;
    uint32_t FTime_s() const;

private:
    int64_t ReadCounter() const;

    const TTickClock& FClock;
    int64_t StartCount = 0;
    double MksPerTick = 0.0;
};
