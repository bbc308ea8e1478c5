// The playback engine's rules without a window: searches and steps over
// frames without data, the slider, the state changes with the slider's
// disable count, and which commands are available.
#include "enginefixture.h"

#include <optional>

namespace {

using C = TPlayerCommand;
using Names = std::set<TPlayerCommand>;

const Names Common = {C::OpenFile, C::ShowDTInterval, C::ShowManager, C::HideManager,
                      C::Zoom50,   C::Zoom100,        C::Zoom200,     C::ZoomFree};

Names Plus(Names names, std::initializer_list<TPlayerCommand> more)
{
    names.insert(more.begin(), more.end());
    return names;
}

} // namespace

TEST_F(EngineTest, SearchesStopAtFramesWithData)
{
    struct Case {
        const char* Name;
        std::vector<bool> Frames;
        std::function<bool(TPlaybackEngine&)> Search;
        int32_t StartIndex; // where the position is before the search
        bool Found;
        int32_t Index;      // afterwards
    };
    using E = TPlaybackEngine;
    const std::vector<bool> gaps = {false, true, false, false, true, false};
    const Case cases[] = {
        {"first skips leading gaps", gaps, &E::SeekFirstFrame, 4, true, 1},
        {"first without data ends past the list", {false, false}, &E::SeekFirstFrame, 0, false, 2},
        {"first of no frames", {}, &E::SeekFirstFrame, -1, false, 0},
        {"last skips trailing gaps", gaps, &E::SeekLastFrame, 1, true, 4},
        {"last without data ends before the list", {false, false}, &E::SeekLastFrame, 0, false, -1},
        {"next jumps a gap", gaps, &E::SeekNextFrame, 1, true, 4},
        {"next past the last frame with data changes nothing", gaps, &E::SeekNextFrame, 4, false, 4},
        {"prior jumps a gap", gaps, &E::SeekPriorFrame, 4, true, 1},
        {"prior before the first frame with data changes nothing", gaps, &E::SeekPriorFrame, 1, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Load(c.Frames);
        Engine.SetCurrent(c.StartIndex, Engine.Image()->GetFrame(c.StartIndex));
        EXPECT_EQ(c.Search(Engine), c.Found);
        EXPECT_EQ(Engine.FramePos().Index, c.Index);
        EXPECT_EQ(Engine.FramePos().CurrentFrame, Engine.Image()->GetFrame(c.Index));
        EXPECT_EQ(Bar.Value, std::clamp(c.Index, Bar.Minimum, Bar.Maximum));
    }
}

TEST_F(EngineTest, StepsMoveTheCallersIndexOnly)
{
    Load({true, false, false, true});
    int32_t index = 0;
    EXPECT_EQ(Engine.StepForward(index), Engine.Image()->GetFrame(3));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(Engine.StepForward(index), nullptr);
    EXPECT_EQ(index, 4); // written back even when nothing is found
    EXPECT_EQ(Engine.StepBackward(index), Engine.Image()->GetFrame(3));
    index = 0;
    EXPECT_EQ(Engine.StepBackward(index), nullptr);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(Engine.FramePos().Index, 0);
}

TEST_F(EngineTest, EachSliderNotificationMovesOneFrameWithData)
{
    Load({true, false, true, true, false, false, true, true});
    ASSERT_EQ(Engine.FramePos().Index, 0);
    Host.Shown.clear();
    // A drag to 6 arrives as one notification; the engine moves one frame
    // with data and puts the slider there, whose own notification finds
    // them equal.
    Bar.SetPosition(6);
    EXPECT_EQ(Engine.FramePos().Index, 2);
    EXPECT_EQ(Bar.Value, 2);
    Bar.SetPosition(6);
    Bar.SetPosition(6);
    EXPECT_EQ(Engine.FramePos().Index, 6);
    EXPECT_EQ(Host.Shown, (std::vector<int32_t>{2, 3, 6}));
    // Past the last frame with data: no frame, the slider disabled.
    Bar.SetPosition(7);
    Bar.SetPosition(7);
    EXPECT_EQ(Engine.FramePos().Index, 7);
    Bar.Maximum = 9;
    Bar.SetPosition(9);
    EXPECT_EQ(Engine.FramePos().Index, 8);
    EXPECT_EQ(Engine.FramePos().CurrentFrame, nullptr);
    EXPECT_FALSE(Bar.IsOn);
    Bar.SetPosition(0); // a disabled slider moves nothing
    EXPECT_EQ(Engine.FramePos().Index, 8);
}

TEST_F(EngineTest, CommandsFollowTheTablesOfAvailability)
{
    struct Case {
        const char* Situation;
        std::optional<std::vector<bool>> Frames; // none: no fragment at all
        std::function<void(TPlaybackEngine&)> Reach;
        Names Expected;
    };
    const Names stoppedFrame = {C::Play, C::PlayBack, C::SaveFrame, C::PrintReport, C::SaveFile,
                                C::Stretch, C::NormalSize};
    auto with = [&](Names names, std::initializer_list<TPlayerCommand> more) {
        names.insert(stoppedFrame.begin(), stoppedFrame.end());
        return Plus(std::move(names), more);
    };
    const Case cases[] = {
        {"no fragment", std::nullopt, [](TPlaybackEngine&) {}, Common},
        {"stopped at the first frame", AllWithData(3), [](TPlaybackEngine&) {},
         with(Common, {C::NextFrame, C::LastFrame})},
        {"stopped in the middle", AllWithData(3), [](TPlaybackEngine& e) { e.NextFrame(); },
         with(Common, {C::FirstFrame, C::PriorFrame, C::NextFrame, C::LastFrame})},
        {"stopped at the last frame", AllWithData(3), [](TPlaybackEngine& e) { e.LastFrame(); },
         with(Common, {C::FirstFrame, C::PriorFrame})},
        {"playing (as computed when it starts)", AllWithData(3), [](TPlaybackEngine& e) { e.SetState(psPlaying); },
         Plus({C::ShowManager, C::HideManager, C::Zoom50, C::Zoom100, C::Zoom200, C::ZoomFree},
              {C::NextFrame, C::LastFrame, C::Play, C::PlayBack, C::Pause, C::Stop, C::Stretch,
               C::NormalSize})},
        {"paused", AllWithData(3), [](TPlaybackEngine& e) { e.SetState(psPaused); },
         with(Common, {C::NextFrame, C::LastFrame, C::Pause, C::Stop})},
        {"downloading", AllWithData(3), [](TPlaybackEngine& e) { e.SetLoading(true); },
         {C::ShowManager, C::HideManager, C::Zoom50, C::Zoom100, C::Zoom200, C::ZoomFree, C::Stretch,
          C::NormalSize}},
        {"a fragment without frames", std::vector<bool>{}, [](TPlaybackEngine&) {}, Plus(Common, {C::SaveFile})},
        {"frames without data", std::vector<bool>{false, false}, [](TPlaybackEngine&) {},
         Plus(Common, {C::FirstFrame, C::PriorFrame, C::SaveFile})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Situation);
        Load(c.Frames.value_or(AllWithData(1)));
        Engine.SetLoading(false);
        if (!c.Frames) {
            Engine.CloseImage();
            Engine.UpdateActions();
        }
        c.Reach(Engine);
        EXPECT_EQ(Host.EnabledCommands(), c.Expected);
    }
}

TEST_F(EngineTest, WithAFragmentTheCancelCommandIsLeftToTheArchiveFunctions)
{
    Load(AllWithData(2));
    EXPECT_FALSE(Engine.Availability().Get(TPlayerCommand::CancelLoad).has_value());
    Engine.CloseImage();
    EXPECT_EQ(Engine.Availability().Get(TPlayerCommand::CancelLoad), false);
}

TEST_F(EngineTest, StateChangesMoveTheSlidersDisableCount)
{
    EXPECT_EQ(Engine.FramePos().DisableCount, 1); // as the window is created
    Load(AllWithData(3));
    EXPECT_EQ(Engine.State(), psStopped);
    EXPECT_EQ(Engine.FramePos().DisableCount, 0);
    EXPECT_TRUE(Bar.IsOn);

    struct Step {
        const char* What;
        std::function<void()> Do;
        TPlayerState State;
        int32_t Count;
        int StateChanges; // reports to the host by this step
    };
    const Step steps[] = {
        {"the same state changes nothing", [&] { Engine.SetState(psStopped); }, psStopped, 0, 0},
        {"playing disables", [&] { Engine.SetState(psPlaying); }, psPlaying, 1, 1},
        {"pausing enables", [&] { Engine.SetState(psPaused); }, psPaused, 0, 1},
        {"loading disables once per call", [&] { Engine.SetLoading(true); Engine.SetLoading(true); }, psEmpty, 2, 2},
        {"loaded enables once", [&] { Engine.SetLoading(false); }, psStopped, 1, 1},
        {"after a cancel the player stays empty",
         [&] { Engine.SetLoadCancelled(true); Engine.SetLoading(false); }, psEmpty, 2, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.What);
        const int before = Host.StateChanges;
        step.Do();
        EXPECT_EQ(Engine.State(), step.State);
        EXPECT_EQ(Engine.FramePos().DisableCount, step.Count);
        EXPECT_EQ(Host.StateChanges - before, step.StateChanges);
    }
}

TEST_F(EngineTest, EnteringTheHeldStateStillRefreshesTheCommands)
{
    Load(AllWithData(3));
    Host.Enabled.clear();
    Engine.EnterState(psStopped);
    EXPECT_TRUE(Host.Enabled[TPlayerCommand::Play]);
    Engine.CloseImage();
    Engine.SetState(psEmpty);
    Host.Enabled[TPlayerCommand::Play] = true;
    Engine.EnterState(psEmpty);
    EXPECT_FALSE(Host.Enabled[TPlayerCommand::Play]);
}
