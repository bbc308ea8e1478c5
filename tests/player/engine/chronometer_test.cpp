// The chronometer's arithmetic: unsigned 32-bit microseconds that wrap,
// milliseconds and seconds derived from one reading, truncation toward zero.
#include "player/engine/chronometer.h"

#include <memory>

#include <gtest/gtest.h>

TEST(ChronometerTest, TicksToMicroseconds)
{
    struct Case {
        int64_t TicksPerSecond;
        int64_t Ticks;
        uint32_t Mks;
    };
    const Case cases[] = {
        {1'000'000, 0, 0},
        {1'000'000, 40'000, 40'000},
        {1'000'000, 4'294'967'295, 4'294'967'295u},
        // 71 minutes 34.967296 seconds: the count starts again from 0
        {1'000'000, 4'294'967'296, 0},
        {1'000'000, 4'294'967'297, 1},
        {1'000'000, 4'294'967'296 + 40'000, 40'000},
        // fractions are dropped: 2.9 microseconds read as 2
        {10'000'000, 29, 2},
        {1'000'000'000, 2'900, 2},
        {1'000'000'000, 999, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TicksToMks(c.Ticks, MksPerTick(c.TicksPerSecond)), c.Mks)
            << c.Ticks << " ticks at " << c.TicksPerSecond << " a second";
    }
}

TEST(ChronometerTest, MillisecondsAndSecondsFollowTheWrappedMicroseconds)
{
    struct Case {
        uint32_t Mks, Ms, S;
    };
    const Case cases[] = {
        {0, 0, 0},
        {999, 0, 0},
        {1'000, 1, 0},
        {39'999, 39, 0},
        {40'000, 40, 0},
        {999'999, 999, 0},
        {1'000'000, 1'000, 1},
        {1'999'999, 1'999, 1},
        {4'294'967'295u, 4'294'967, 4'294},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MksToMs(c.Mks), c.Ms) << c.Mks;
        EXPECT_EQ(MksToS(c.Mks), c.S) << c.Mks;
    }
}

TEST(ChronometerTest, RunsFromConstruction)
{
    auto chronometer = std::make_unique<TChronometer>();
    // Measured from construction, not from the clock's epoch.
    EXPECT_EQ(chronometer->FTime_s(), 0u);
    chronometer->Reset();
    EXPECT_EQ(chronometer->FTime_s(), 0u);
    const uint32_t first = chronometer->FTime_mks();
    EXPECT_GE(chronometer->FTime_mks(), first);
}

namespace {

// Ten ticks a microsecond, moved by hand.
class TTenMegahertzClock : public TTickClock {
public:
    int64_t Now = 123'456'789;
    int64_t TicksPerSecond() const override { return 10'000'000; }
    int64_t Ticks() const override { return Now; }
};

} // namespace

TEST(ChronometerTest, ReadsTheClockItIsGiven)
{
    TTenMegahertzClock clock;
    TChronometer chronometer(clock);
    EXPECT_EQ(chronometer.FTime_mks(), 0u);
    clock.Now += 29; // 2.9 microseconds
    EXPECT_EQ(chronometer.FTime_mks(), 2u);
    clock.Now += 19'999'971; // two seconds since the reading before
    EXPECT_EQ(chronometer.FTime_mks(), 2'000'000u);
    EXPECT_EQ(chronometer.FTime_ms(), 2'000u);
    EXPECT_EQ(chronometer.FTime_s(), 2u);
    chronometer.Reset();
    EXPECT_EQ(chronometer.FTime_mks(), 0u);
    clock.Now += 10'000;
    EXPECT_EQ(chronometer.FTime_ms(), 1u);
}
