// Playback away from x1 on the test's clock: at x1/4 and x1/2 every frame
// with data comes at its due time, at x8 and x16 the loop moves to the frame
// due now and passes over the rest (no more than 60 pictures a second), a
// loop that falls behind catches up the same way, a change of speed counts
// afresh from the frame current then, and both ends stop playback.
#include "enginefixture.h"

namespace {

std::vector<int32_t> Range(int32_t first, int32_t last, int32_t step)
{
    std::vector<int32_t> values;
    for (int32_t i = first; step > 0 ? i <= last : i >= last; i += step)
        values.push_back(i);
    return values;
}

std::vector<int32_t> Then(std::vector<int32_t> values, int32_t last)
{
    values.push_back(last);
    return values;
}

} // namespace

TEST_F(EngineTest, SpeedsShowTheFramesDueAndPassOverTheRest)
{
    struct Case {
        const char* Name;
        TPlaybackSpeed Speed;
        bool Forward;
        int Fps;
        std::vector<bool> Frames;
        std::vector<int32_t> Expected;
        std::vector<uint64_t> FirstTimes; // microseconds after the start, of the first pictures
    };
    const std::vector<bool> gaps = {true, true, false, true, true};
    const Case cases[] = {
        // 25 fps at a quarter: every 160 ms; a frame without data takes no time.
        {"x1/4 forwards", TPlaybackSpeed::Quarter, true, 25, gaps, {1, 3, 4}, {160000, 320000, 480000}},
        {"x1/2 backwards", TPlaybackSpeed::Half, false, 25, AllWithData(5), {3, 2, 1, 0}, {80000, 160000, 240000, 320000}},
        // 30 fps at x2: 60 frames a second, every one shown.
        {"x2 forwards", TPlaybackSpeed::Double, true, 30, AllWithData(8), Range(1, 7, 1), {16667, 33334, 50001}},
        // 480 frames a second, 60 pictures: every eighth, then the last one.
        {"x16 forwards", TPlaybackSpeed::Times16, true, 30, AllWithData(100), Then(Range(1, 97, 8), 99), {2084, 18751}},
        {"x8 backwards", TPlaybackSpeed::Times8, false, 30, AllWithData(100), Then(Range(98, 2, -4), 0), {4167, 20834}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Load(c.Frames, c.Fps);
        if (!c.Forward)
            Engine.LastFrame();
        Engine.SetSpeed(c.Speed);
        Host.Shown.clear();
        Host.ShownAt.clear();
        Host.Passes = 0;
        const uint64_t started = Host.Time.NowMks;
        c.Forward ? Engine.Play() : Engine.PlayBack();
        EXPECT_EQ(Host.Shown, c.Expected);
        for (size_t i = 0; i < c.FirstTimes.size() && i < Host.ShownAt.size(); ++i)
            EXPECT_EQ(Host.ShownAt[i] - started, c.FirstTimes[i]) << "picture " << i;
        for (size_t i = 1; i < Host.ShownAt.size(); ++i)
            EXPECT_GE(Host.ShownAt[i] - Host.ShownAt[i - 1], 1000000u / TPlaybackEngine::MaxShownPerSecond);
        // Resting between pictures at every speed, never spinning.
        EXPECT_LE(Host.Passes, 4 * static_cast<int>(c.Expected.size() + 1));
        EXPECT_EQ(Engine.State(), psStopped);
        EXPECT_EQ(Engine.FramePos().Index, c.Expected.back());
        EXPECT_EQ(Engine.Speed(), c.Speed); // the end keeps the speed
    }
}

// Pictures that take 50 ms to show at x2 (60 frames a second due): the loop
// moves on to the frame due when it looks, so the position keeps pace with
// the clock.
TEST_F(EngineTest, ALateLoopMovesStraightToTheFrameDueNow)
{
    Load(AllWithData(40), 30);
    Engine.SetSpeed(TPlaybackSpeed::Double);
    Host.ShowCostMks = 50000;
    Host.Shown.clear();
    Host.ShownAt.clear();
    const uint64_t started = Host.Time.NowMks;
    Engine.Play();
    ASSERT_GE(Host.Shown.size(), 3u);
    EXPECT_EQ(Host.Shown[0], 1);
    for (size_t i = 0; i < Host.Shown.size() - 1; ++i) {
        // Shown at t, it is the frame due at t: floor(t * 60 / 1e6).
        EXPECT_EQ(Host.Shown[i], static_cast<int32_t>((Host.ShownAt[i] - started) * 60 / 1000000)) << i;
        if (i > 0) {
            EXPECT_GT(Host.Shown[i] - Host.Shown[i - 1], 1) << "frames passed over";
        }
    }
    EXPECT_EQ(Host.Shown.back(), 39);
}

TEST_F(EngineTest, AChangeOfSpeedTakesEffectFromTheNextFrame)
{
    // 25 fps: 40 ms a frame at x1, 20 ms at x2.
    Load(AllWithData(12), 25);
    Host.Shown.clear();
    Host.ShownAt.clear();
    const int stateChanges = Host.StateChanges;
    Host.OnPass = [&](int pass) {
        if (pass == 3)
            Engine.SetSpeed(TPlaybackSpeed::Double); // after frame 2
        if (pass == 6)
            Engine.SetSpeed(TPlaybackSpeed::Normal); // after frame 5
        if (pass == 8)
            Engine.Pause();
    };
    const uint64_t started = Host.Time.NowMks;
    Engine.Play();
    EXPECT_EQ(Host.Shown, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
    std::vector<uint64_t> at;
    for (uint64_t t : Host.ShownAt)
        at.push_back((t - started) / 1000);
    // The due times are counted afresh from each change.
    EXPECT_EQ(at, (std::vector<uint64_t>{40, 80, 100, 120, 140, 180, 220}));
    // One loop all along: playing, then paused.
    EXPECT_EQ(Host.StateChanges - stateChanges, 2);
    EXPECT_EQ(Engine.State(), psPaused);
}

TEST_F(EngineTest, AStepDuringPlaybackAtSpeedGoesOnFromTheNewFrame)
{
    Load(AllWithData(12), 25);
    Engine.SetSpeed(TPlaybackSpeed::Double);
    Host.Shown.clear();
    OnPass(3, [&] { Engine.NextFrame(); }); // after frame 2: shows 3
    Engine.Play();
    EXPECT_EQ(Host.Shown, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST_F(EngineTest, TheSpeedStaysWithTheEngineAndCommandsFollowTheFragment)
{
    EXPECT_EQ(Engine.Speed(), TPlaybackSpeed::Normal);
    const TPlayerCommand speedCommands[] = {
        TPlayerCommand::SpeedQuarter, TPlayerCommand::SpeedHalf, TPlayerCommand::SpeedNormal,
        TPlayerCommand::SpeedDouble,  TPlayerCommand::Speed4,    TPlayerCommand::Speed8,
        TPlayerCommand::Speed16,      TPlayerCommand::SpeedUp,   TPlayerCommand::SpeedDown,
    };
    for (TPlayerCommand command : speedCommands)
        EXPECT_FALSE(Host.Enabled[command]) << "command " << static_cast<int>(command);
    Load(AllWithData(3));
    Engine.SetSpeed(TPlaybackSpeed::Times8);
    Load(AllWithData(4));
    EXPECT_EQ(Engine.Speed(), TPlaybackSpeed::Times8);
    for (TPlayerCommand command : speedCommands)
        EXPECT_TRUE(Host.Enabled[command]) << "command " << static_cast<int>(command);
    Engine.SetState(psPlaying);
    for (TPlayerCommand command : speedCommands)
        EXPECT_TRUE(Host.Enabled[command]) << "playing: " << "command " << static_cast<int>(command);
    Engine.CloseImage();
    Engine.UpdateActions();
    for (TPlayerCommand command : speedCommands)
        EXPECT_FALSE(Host.Enabled[command]) << "no fragment: " << "command " << static_cast<int>(command);
}

TEST(PlaybackSpeedTest, StepsStopAtTheEndsOfTheList)
{
    EXPECT_EQ(FasterSpeed(TPlaybackSpeed::Normal), TPlaybackSpeed::Double);
    EXPECT_EQ(FasterSpeed(TPlaybackSpeed::Times16), TPlaybackSpeed::Times16);
    EXPECT_EQ(SlowerSpeed(TPlaybackSpeed::Half), TPlaybackSpeed::Quarter);
    EXPECT_EQ(SlowerSpeed(TPlaybackSpeed::Quarter), TPlaybackSpeed::Quarter);
}

// The frame decoded ahead while the loop waits is the very frame it shows
// next, forwards and backwards at every speed, over frames without data.
TEST_F(EngineTest, TheFrameDecodedAheadIsTheFrameShownNext)
{
    std::vector<bool> frames = AllWithData(120);
    for (size_t i = 5; i < frames.size(); i += 7)
        frames[i] = false;
    for (int s = static_cast<int>(TPlaybackSpeed::Quarter); s <= static_cast<int>(TPlaybackSpeed::Times16); ++s)
        for (bool forward : {true, false}) {
            const auto speed = static_cast<TPlaybackSpeed>(s);
            SCOPED_TRACE(std::string(forward ? "forwards" : "backwards") + " at speed " + std::to_string(s));
            Load(frames, 25);
            if (!forward)
                Engine.LastFrame();
            Engine.SetSpeed(speed);
            Host.Calls.clear();
            forward ? Engine.Play() : Engine.PlayBack();
            // Every picture after the first was prepared just before, and
            // nothing else was prepared in between.
            int32_t prepared = INT32_MIN;
            int shown = 0;
            for (int32_t call : Host.Calls) {
                if (call < 0) {
                    prepared = -1 - call;
                    continue;
                }
                if (shown++ > 0) {
                    EXPECT_EQ(call, prepared) << "picture " << shown;
                }
                prepared = INT32_MIN;
            }
            EXPECT_GT(shown, 3);
        }
}

// A step while stopped names the frame a further step in the same direction
// would show, passing over frames without data.
TEST_F(EngineTest, AStepNamesItsNeighbourInItsDirection)
{
    Load({true, true, false, true, true, false, true});
    Host.Neighbours.clear();
    Engine.NextFrame();  // 1, then 3
    Engine.NextFrame();  // 3, then 4
    Engine.PriorFrame(); // 1, then 0
    Engine.PriorFrame(); // 0, none
    Engine.LastFrame();
    Engine.PriorFrame(); // 4, then 3
    EXPECT_EQ(Host.Neighbours, (std::vector<int32_t>{3, 4, 0, 3}));
}
