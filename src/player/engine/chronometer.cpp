// The stopwatch over a tick counter; the system's is std::chrono::steady_clock
// (its tick count plays the part of a high-resolution performance counter).
#include "chronometer.h"

#include <chrono>

double MksPerTick(int64_t ticksPerSecond)
{
    return 1000000.0 / static_cast<double>(ticksPerSecond);
}

uint32_t TicksToMks(int64_t ticks, double mksPerTick)
{
    // Truncated toward zero to 64 bits first, so the 32-bit result wraps
    // instead of saturating.
    const auto mks = static_cast<int64_t>(static_cast<double>(ticks) * mksPerTick);
    return static_cast<uint32_t>(static_cast<uint64_t>(mks));
}

uint32_t MksToMs(uint32_t mks)
{
    return mks / 1000u;
}

uint32_t MksToS(uint32_t mks)
{
    return mks / 1000u / 1000u;
}

namespace {

using TSteadyClock = std::chrono::steady_clock;
constexpr int64_t SteadyTicksPerSecond = TSteadyClock::period::den / TSteadyClock::period::num;
static_assert(SteadyTicksPerSecond >= 1000000, "the clock must tick at least once a microsecond");

class TSystemClock final : public TTickClock {
public:
    int64_t TicksPerSecond() const override { return SteadyTicksPerSecond; }
    int64_t Ticks() const override { return static_cast<int64_t>(TSteadyClock::now().time_since_epoch().count()); }
};

} // namespace

const TTickClock& SystemClock()
{
    static const TSystemClock clock;
    return clock;
}

TChronometer::TChronometer(const TTickClock& clock)
    : FClock(clock)
    , MksPerTick(::MksPerTick(clock.TicksPerSecond()))
{
    Reset();
}

int64_t TChronometer::ReadCounter() const
{
    return FClock.Ticks();
}

void TChronometer::Reset()
{
    StartCount = ReadCounter();
}

uint32_t TChronometer::FTime_mks() const
{
    return TicksToMks(ReadCounter() - StartCount, MksPerTick);
}

uint32_t TChronometer::FTime_ms() const
{
    return MksToMs(FTime_mks());
}

uint32_t TChronometer::FTime_s() const
{
    return MksToS(FTime_mks());
}
