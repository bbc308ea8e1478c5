// Playing forwards and backwards, pausing, stopping, stepping during
// playback, and the slider. Each loop is watched pass by pass; the fixtures'
// frame rate of 2000 makes every pass show the next frame, a rate of -1 makes
// the loop spin without advancing.
#include "playerfixture.h"
#include "children.h"

#include "capturedlog.h"

#include "player/engine/frameinterval.h"

#include <vector>

TEST(FrameIntervalTest, MillisecondsPerFrame)
{
    const std::pair<int32_t, int32_t> cases[] = {
        {25, 40}, {30, 33}, {7, 142}, {1000, 1}, {1001, 0}, {2000, 0}, {-1, -1000}, {-2000, 0},
    };
    for (const auto& [fps, expected] : cases) {
        int32_t interval = 12345;
        ASSERT_TRUE(FrameIntervalMs(fps, interval)) << fps;
        EXPECT_EQ(interval, expected) << fps;
    }
    int32_t interval = 0;
    EXPECT_FALSE(FrameIntervalMs(0, interval));
}

namespace {

// Plays (or plays back) and records the frame index seen on each pass until
// `passes` passes were seen, then stops. Returns the indexes.
std::vector<int> PlayPasses(TVPlayerForm& form, QAction* play, int passes)
{
    std::vector<int> seen;
    TPassObserver observer(Child(form, "actStop"), [&](int pass) {
        seen.push_back(form.FramePos.Index);
        EXPECT_EQ(FrameOfPicture(Child<TPictureView>(form, "imgVideo")->Picture()), form.FramePos.Index);
        if (pass == passes)
            Child(form, "actStop")->trigger();
    });
    play->trigger();
    EXPECT_FALSE(observer.TimedOut);
    return seen;
}

} // namespace

TEST_F(PlayerTest, PlayShowsEveryFrameWithAPictureUpToTheEnd)
{
    ASSERT_TRUE(Load(Frames({true, false, true, true, false, true, false})));
    std::vector<int> seen;
    TPassObserver observer(Child(Form, "actStop"), [&](int) {
        seen.push_back(Form.FramePos.Index);
        EXPECT_EQ(ShownFrame(), Form.FramePos.Index);
        EXPECT_EQ(Form.State, psPlaying);
    });
    Child(Form, "actPlay")->trigger();
    observer.Finish();
    EXPECT_EQ(seen, (std::vector<int>{2, 3, 5}));
    // The end stops by itself and leaves the last picture on it.
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.Index, 5);
    EXPECT_EQ(ShownFrame(), 5);
    EXPECT_TRUE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
    EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->value(), 5);
}

TEST_F(PlayerTest, PlayBackShowsFramesInReverse)
{
    ASSERT_TRUE(Load(Frames({true, false, true, true, false})));
    Child(Form, "actLastFrame")->trigger();
    ASSERT_EQ(Form.FramePos.Index, 3);
    std::vector<int> seen;
    TPassObserver observer(Child(Form, "actStop"), [&](int) {
        seen.push_back(Form.FramePos.Index);
        EXPECT_EQ(ShownFrame(), Form.FramePos.Index);
    });
    Child(Form, "actPlayBack")->trigger();
    observer.Finish();
    EXPECT_EQ(seen, (std::vector<int>{2, 0}));
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(ShownFrame(), 0);
}

TEST_F(PlayerTest, PlayAtTheLastEntryStartsOver)
{
    const std::vector<bool> frames = {false, true, true, true};
    // The rewind moves the slider but keeps the last picture for one interval.
    {
        ASSERT_TRUE(Load(Frames(frames, -1)));
        Child(Form, "actLastFrame")->trigger();
        int index = -2, slider = -2, shown = -2;
        TPassObserver observer(Child(Form, "actStop"), [&](int) {
            index = Form.FramePos.Index;
            slider = Child<QSlider>(Form, "trbFramePosition")->value();
            shown = ShownFrame();
            Child(Form, "actStop")->trigger();
        });
        Child(Form, "actPlay")->trigger();
        EXPECT_EQ(index, 1);
        EXPECT_EQ(slider, 1);
        EXPECT_EQ(shown, 3);
    }
    // Then the second frame with a picture comes first.
    ASSERT_TRUE(Load(Frames(frames)));
    Child(Form, "actLastFrame")->trigger();
    EXPECT_EQ(PlayPasses(Form, Child(Form, "actPlay"), 2), (std::vector<int>{2, 3}));
}

TEST_F(PlayerTest, PlayBackAtIndexZeroStartsFromTheEnd)
{
    const std::vector<bool> frames = {true, true, true, false};
    {
        ASSERT_TRUE(Load(Frames(frames, -1)));
        int index = -2, shown = -2;
        TPassObserver observer(Child(Form, "actStop"), [&](int) {
            index = Form.FramePos.Index;
            shown = ShownFrame();
            Child(Form, "actStop")->trigger();
        });
        Child(Form, "actPlayBack")->trigger();
        EXPECT_EQ(index, 2);
        EXPECT_EQ(shown, 0);
    }
    ASSERT_TRUE(Load(Frames(frames)));
    EXPECT_EQ(PlayPasses(Form, Child(Form, "actPlayBack"), 2), (std::vector<int>{1, 0}));
}

TEST_F(PlayerTest, PlayAtTheLastPictureBeforeEmptyEntriesStopsAtOnce)
{
    ASSERT_TRUE(Load(Frames({true, true, false})));
    Child(Form, "actLastFrame")->trigger();
    ASSERT_EQ(Form.FramePos.Index, 1);
    int passes = 0;
    TPassObserver observer(Child(Form, "actStop"), [&](int) { ++passes; });
    Child(Form, "actPlay")->trigger();
    observer.Finish();
    EXPECT_EQ(passes, 0);
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.Index, 1);
}

TEST_F(PlayerTest, PauseAndResumeKeepTheDirection)
{
    struct Case {
        const char* Direction;
        bool Forward;
        std::vector<int> BeforePause; // indexes seen until Pause
        int Resumed;                  // first index after resuming
    };
    const Case cases[] = {
        {"forwards", true, {1, 2, 3}, 4},
        {"backwards", false, {6, 5, 4}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Direction);
        ASSERT_TRUE(Load(Frames(8)));
        if (!c.Forward)
            Child(Form, "actLastFrame")->trigger();
        QAction* play = c.Forward ? Child(Form, "actPlay") : Child(Form, "actPlayBack");
        std::vector<int> seen;
        {
            TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
                seen.push_back(Form.FramePos.Index);
                if (pass == 3)
                    Child(Form, "actPause")->trigger();
            });
            play->trigger();
            observer.Finish();
        }
        EXPECT_EQ(seen, c.BeforePause);
        EXPECT_EQ(Form.State, psPaused);
        EXPECT_EQ(Form.Session().Engine().StateBeforePause(), c.Forward ? psPlaying : psPlayingBack);
        EXPECT_EQ(Form.FramePos.Index, c.BeforePause.back());
        EXPECT_TRUE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
        EXPECT_EQ(Form.FramePos.DisableCount, 0);

        // Pause again resumes from the paused frame in the same direction.
        int resumed = -1;
        TPlayerState stateResumed = psEmpty;
        TPassObserver observer(Child(Form, "actStop"), [&](int) {
            resumed = Form.FramePos.Index;
            stateResumed = Form.State;
            Child(Form, "actStop")->trigger();
        });
        Child(Form, "actPause")->trigger();
        EXPECT_EQ(resumed, c.Resumed);
        EXPECT_EQ(stateResumed, c.Forward ? psPlaying : psPlayingBack);
        EXPECT_EQ(Form.State, psStopped);
    }
}

TEST_F(PlayerTest, StopReturnsToTheFirstPicture)
{
    struct Case {
        const char* When;
        bool PauseFirst;
    };
    for (const Case& c : {Case{"while playing", false}, Case{"while paused", true}}) {
        SCOPED_TRACE(c.When);
        ASSERT_TRUE(Load(Frames({false, true, true, true, true, true})));
        TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
            if (pass == 3)
                (c.PauseFirst ? Child(Form, "actPause") : Child(Form, "actStop"))->trigger();
        });
        Child(Form, "actPlay")->trigger();
        observer.Finish();
        if (c.PauseFirst) {
            ASSERT_EQ(Form.State, psPaused);
            EXPECT_EQ(Form.FramePos.Index, 4);
            EXPECT_EQ(ShownFrame(), 4);
            Child(Form, "actStop")->trigger();
        }
        EXPECT_EQ(Form.State, psStopped);
        EXPECT_EQ(Form.FramePos.Index, 1);
        EXPECT_EQ(ShownFrame(), 1);
        EXPECT_TRUE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
        EXPECT_EQ(Form.FramePos.DisableCount, 0);
        EXPECT_FALSE(Child(Form, "actStop")->isEnabled());
    }
}

TEST_F(PlayerTest, NextDuringPlaybackJumpsAheadAndPlaybackGoesOn)
{
    ASSERT_TRUE(Load(Frames(8)));
    std::vector<int> seen;
    TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
        seen.push_back(Form.FramePos.Index);
        EXPECT_EQ(ShownFrame(), Form.FramePos.Index);
        if (pass == 2)
            Child(Form, "actNextFrame")->trigger();
        if (pass == 4)
            Child(Form, "actStop")->trigger();
    });
    Child(Form, "actPlay")->trigger();
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 4, 5}));
}

TEST_F(PlayerTest, PlayWhilePlayingNestsAndBothLoopsEnd)
{
    ASSERT_TRUE(Load(Frames(20)));
    bool sliderEnabledInside = false;
    TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
        if (pass == 2)
            Child(Form, "actPlay")->trigger(); // a second loop inside the first
        if (pass == 4) {
            sliderEnabledInside = Child<QSlider>(Form, "trbFramePosition")->isEnabled();
            Child(Form, "actStop")->trigger();
        }
    });
    Child(Form, "actPlay")->trigger();
    EXPECT_TRUE(sliderEnabledInside); // the state did not change, the count stayed reset
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.Index, 0);
}

TEST_F(PlayerTest, ZeroFrameRateEndsPlaybackAtOnce)
{
    ASSERT_TRUE(Load(Frames(4, 0)));
    int passes = 0;
    TPassObserver observer(Child(Form, "actStop"), [&](int) { ++passes; });
    Child(Form, "actPlay")->trigger();
    observer.Finish();
    EXPECT_EQ(passes, 0);
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.Index, 0);
}

TEST_F(PlayerTest, UndecodablePictureKeepsThePreviousOne)
{
    TFragmentPlan plan = Frames(4);
    plan.Garbage = {1};
    ASSERT_TRUE(Load(plan));
    TCapturedLog log;
    Child(Form, "actNextFrame")->trigger();
    EXPECT_EQ(Form.FramePos.Index, 1);
    EXPECT_EQ(ShownFrame(), 0);
    // No message, but the decoder's reason is kept in the log.
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_TRUE(log.Has({QStringLiteral("Не могу декодировать кадр"), QStringLiteral("JPEG")})) << log.Lines.join('\n').toStdString();
    // Playback goes on past it.
    Child(Form, "actFirstFrame")->trigger();
    std::vector<int> shown;
    TPassObserver observer(Child(Form, "actStop"), [&](int) { shown.push_back(ShownFrame()); });
    Child(Form, "actPlay")->trigger();
    observer.Finish();
    EXPECT_EQ(shown, (std::vector<int>{0, 2, 3}));
}

TEST_F(PlayerTest, SliderMovesOneFramePerNotification)
{
    ASSERT_TRUE(Load(Frames({true, false, true, true, true, true})));
    struct Step {
        int Drag;     // where the thumb is pulled
        int Index;    // the frame reached
    };
    const Step steps[] = {{5, 2}, {5, 3}, {5, 4}, {0, 3}, {0, 2}, {0, 0}, {0, 0}};
    for (const Step& step : steps) {
        Child<QSlider>(Form, "trbFramePosition")->setSliderPosition(step.Drag);
        EXPECT_EQ(Form.FramePos.Index, step.Index) << "drag to " << step.Drag;
        EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->value(), step.Index);
        EXPECT_EQ(ShownFrame(), step.Index);
    }
    EXPECT_FALSE(Child(Form, "actPriorFrame")->isEnabled());
}

TEST_F(PlayerTest, SliderPastTheLastPictureLeavesNoFrame)
{
    ASSERT_TRUE(Load(Frames({true, true, false})));
    Child<QSlider>(Form, "trbFramePosition")->setSliderPosition(1);
    ASSERT_EQ(Form.FramePos.Index, 1);
    Child<QSlider>(Form, "trbFramePosition")->setSliderPosition(2);
    EXPECT_EQ(Form.FramePos.Index, 3);
    EXPECT_EQ(Form.FramePos.CurrentFrame, nullptr);
    EXPECT_EQ(ShownFrame(), -1);
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
}

TEST_F(PlayerTest, ClosingThePlayingWindowStopsPlayback)
{
    ASSERT_TRUE(Load(Frames(10)));
    Form.show();
    TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
        if (pass == 2)
            Form.close();
    });
    Child(Form, "actPlay")->trigger();
    observer.Finish();
    EXPECT_FALSE(observer.TimedOut);
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.Index, 0);
}

TEST_F(PlayerTest, StateChangesAreSignalled)
{
    std::vector<TPlayerState> states;
    QObject::connect(&Form, &TVPlayerForm::StateChanged, [&] { states.push_back(Form.State); });
    ASSERT_TRUE(Load(Frames(3)));
    TPassObserver guard(Child(Form, "actStop"), [](int) {});
    Child(Form, "actPlay")->trigger();
    EXPECT_EQ(states, (std::vector<TPlayerState>{psStopped, psPlaying, psStopped}));
}

TEST_F(PlayerTest, PlaybackScalesTheQuickWayAndAStillPictureSmoothly)
{
    ASSERT_TRUE(Load(Frames({true, true, true, true})));
    EXPECT_TRUE(Child<TPictureView>(Form, "imgVideo")->SmoothScaling());
    std::vector<bool> smooth;
    TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
        smooth.push_back(Child<TPictureView>(Form, "imgVideo")->SmoothScaling());
        if (pass == 2)
            Child(Form, "actPause")->trigger();
    });
    Child(Form, "actPlay")->trigger();
    observer.Finish();
    EXPECT_EQ(smooth, (std::vector<bool>{false, false}));
    EXPECT_EQ(Form.State, psPaused);
    EXPECT_TRUE(Child<TPictureView>(Form, "imgVideo")->SmoothScaling());
}
