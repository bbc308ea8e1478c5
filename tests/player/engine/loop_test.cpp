// The playback loop without a window, on a clock the test drives: every
// frame with data in order, one per interval and never sooner, rests between
// frames instead of spinning, Pause and resume through the commands, and the
// rates that never advance.
#include "enginefixture.h"

namespace {

// Milliseconds between two readings of the test's clock.
double MsBetween(uint64_t a, uint64_t b)
{
    return static_cast<double>(b - a) / 1000.0;
}

} // namespace

TEST_F(EngineTest, PlayShowsEveryFrameWithDataInOrderThenStops)
{
    Load({true, false, true, true, false, true, false});
    Host.Shown.clear();
    Engine.Play();
    EXPECT_EQ(Host.Shown, (std::vector<int32_t>{2, 3, 5}));
    EXPECT_EQ(Engine.State(), psStopped);
    EXPECT_EQ(Engine.FramePos().Index, 5);
    // Above 1000 fps a frame is due on every pass: nothing to rest for.
    EXPECT_TRUE(Host.Rests.empty());

    // From the last entry of the list playback starts over; the first frame
    // is not shown until the loop advances past it.
    Engine.LastFrame();
    Engine.SetState(psStopped);
    ASSERT_EQ(Engine.FramePos().Index, 5);
    Host.Shown.clear();
    Engine.SetCurrent(6, nullptr);
    Engine.Play();
    EXPECT_EQ(Host.Shown, (std::vector<int32_t>{2, 3, 5}));
}

// At a real interval the frames come one interval apart at the least, in
// order, each frame with data once; the loop rests for the time left instead
// of spinning through passes.
TEST_F(EngineTest, FramesComeNoSoonerThanTheIntervalAndTheLoopRests)
{
    constexpr int Fps = 50; // 20 ms a frame
    constexpr double IntervalMs = 1000.0 / Fps;
    struct Case {
        const char* Direction;
        std::function<void()> Play;
        std::vector<int32_t> Expected;
    };
    const std::vector<bool> frames = {true, true, false, true, true, true, false, true, true, true};
    const Case cases[] = {
        {"forwards", [&] { Engine.Play(); }, {1, 3, 4, 5, 7, 8, 9}},
        {"backwards", [&] { Engine.LastFrame(); Engine.PlayBack(); }, {8, 7, 5, 4, 3, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Direction);
        Load(frames, Fps);
        Host.Shown.clear();
        Host.ShownAt.clear();
        Host.Rests.clear();
        Host.Passes = 0;
        const uint64_t started = Host.Time.NowMks;
        c.Play();
        // Stepping to the last frame shows it before the loop starts.
        if (!Host.Shown.empty() && Host.Shown.front() == 9 && c.Expected.front() != 9) {
            Host.Shown.erase(Host.Shown.begin());
            Host.ShownAt.erase(Host.ShownAt.begin());
        }
        ASSERT_EQ(Host.Shown, c.Expected);
        EXPECT_GE(MsBetween(started, Host.ShownAt.front()), IntervalMs);
        for (size_t i = 1; i < Host.ShownAt.size(); ++i)
            EXPECT_GE(MsBetween(Host.ShownAt[i - 1], Host.ShownAt[i]), IntervalMs) << "before frame " << Host.Shown[i];
        // A spinning loop makes thousands of passes a frame; a resting one a
        // few (a wake that comes early rests again for what is left).
        EXPECT_LE(Host.Passes, 4 * static_cast<int>(c.Expected.size() + 1));
        ASSERT_FALSE(Host.Rests.empty());
        for (uint32_t rest : Host.Rests)
            EXPECT_LE(rest, 1000000u / Fps);
        EXPECT_EQ(Engine.State(), psStopped);
    }
}

TEST_F(EngineTest, PauseEndsTheLoopAndPauseAgainResumesThroughTheCommand)
{
    struct Case {
        const char* Direction;
        TPlayerCommand Resume;
        std::function<void()> Play;
        std::vector<int32_t> Expected;
    };
    const Case cases[] = {
        {"forwards", TPlayerCommand::Play, [&] { Engine.Play(); }, {1, 2, 3, 4, 5}},
        {"backwards", TPlayerCommand::PlayBack, [&] { Engine.SetCurrent(5, Engine.Image()->GetFrame(5)); Engine.PlayBack(); },
         {4, 3, 2, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Direction);
        Load(AllWithData(6));
        Host.Shown.clear();
        Host.Executed.clear();
        Host.Passes = 0;
        OnPass(2, [&] { Engine.Pause(); });
        c.Play();
        EXPECT_EQ(Engine.State(), psPaused);
        EXPECT_EQ(Engine.FramePos().DisableCount, 0);
        EXPECT_EQ(Host.Shown.size(), 2u);

        Host.OnPass = nullptr;
        Engine.Pause(); // resumes in the same direction from the paused frame
        EXPECT_EQ(Host.Executed[c.Resume], 1);
        EXPECT_EQ(Host.Shown, c.Expected);
        EXPECT_EQ(Engine.State(), psStopped);
    }
}

TEST_F(EngineTest, ResumingNeedsTheCommandToBeAvailable)
{
    Load(AllWithData(4));
    OnPass(1, [&] { Engine.Pause(); });
    Engine.Play();
    ASSERT_EQ(Engine.State(), psPaused);
    Engine.SetLoading(true); // a download makes Play unavailable
    Engine.SetState(psPaused);
    Host.Shown.clear();
    Engine.Pause();
    EXPECT_EQ(Host.Executed[TPlayerCommand::Play], 0);
    EXPECT_TRUE(Host.Shown.empty());
}

TEST_F(EngineTest, StopDuringPlaybackShowsTheFirstFrameWithData)
{
    Load({false, true, true, true, true});
    Engine.SetCurrent(2, Engine.Image()->GetFrame(2));
    OnPass(2, [&] { Engine.Stop(); });
    Host.Shown.clear();
    Engine.Play();
    EXPECT_EQ(Host.Shown, (std::vector<int32_t>{3, 4, 1}));
    EXPECT_EQ(Engine.State(), psStopped);
    EXPECT_EQ(Engine.FramePos().Index, 1);
}

TEST_F(EngineTest, RatesWithoutAUsableIntervalNeverAdvance)
{
    // 0 fps: no interval at all, the loop ends before its first pass.
    Load(AllWithData(3), 0);
    Host.Shown.clear();
    Engine.Play();
    EXPECT_TRUE(Host.Shown.empty());
    EXPECT_EQ(Host.Passes, 0);
    EXPECT_EQ(Engine.State(), psStopped);

    // A negative rate is never due: the loop rests (a bounded while at a
    // time) until Stop comes.
    Load(AllWithData(3), -25);
    Host.AdvanceWhenResting = false;
    Host.Shown.clear();
    OnPass(5, [&] { Engine.Stop(); });
    Engine.Play();
    EXPECT_EQ(Host.Shown, (std::vector<int32_t>{0})); // Stop's own first frame
    EXPECT_EQ(Host.Rests, std::vector<uint32_t>(4, TPlaybackEngine::MaxRestMks));
}

TEST_F(EngineTest, NoCurrentFrameMeansNoPlayback)
{
    Load({false, false});
    Host.Enabled.clear();
    Engine.Play();
    EXPECT_EQ(Engine.State(), psStopped);
    EXPECT_EQ(Host.Passes, 0);
    EXPECT_FALSE(Host.Enabled[TPlayerCommand::Pause]); // the commands were refreshed
    EXPECT_TRUE(Host.Enabled[TPlayerCommand::FirstFrame]);

    Load(AllWithData(2));
    Engine.FreeChronometer();
    Engine.Play();
    EXPECT_EQ(Host.Passes, 0);
}
