// The playback engine under test without a window: a slider that behaves as
// the window's does (clamps, notifies the engine when its position changes),
// a host that records what the engine shows and enables, runs a script on
// every pass of the loop and supplies a clock that moves only when the loop
// rests (or the test moves it), and fragments whose frames carry a few bytes
// or none.
#pragma once

#include "fixtures/fragmentbuilder.h"
#include "player/engine/playbackengine.h"
#include "player/engine/trackbar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

class TFakeTrackBar : public TTrackBar {
public:
    TPlaybackEngine* Engine = nullptr;
    bool IsOn = true;
    int32_t Value = 0, Minimum = 0, Maximum = 99;
    int Notifications = 0;

    bool Enabled() const override { return IsOn; }
    void SetEnabled(bool enabled) override { IsOn = enabled; }
    int32_t Position() const override { return Value; }
    void SetPosition(int32_t position) override { Move(position); }
    void SetMinimum(int32_t minimum) override
    {
        Minimum = minimum;
        Maximum = std::max(Maximum, minimum);
        Move(Value);
    }
    void SetMaximum(int32_t maximum) override
    {
        Maximum = maximum;
        Minimum = std::min(Minimum, maximum);
        Move(Value);
    }

private:
    void Move(int32_t position)
    {
        const int32_t clamped = std::clamp(position, Minimum, Maximum);
        if (clamped == Value)
            return;
        Value = clamped;
        ++Notifications;
        if (Engine)
            Engine->TrackBarChanged();
    }
};

// A microsecond clock that moves only when told.
class TManualClock : public TTickClock {
public:
    uint64_t NowMks = 1'000'000;

    int64_t TicksPerSecond() const override { return 1'000'000; }
    int64_t Ticks() const override { return static_cast<int64_t>(NowMks); }
    void Advance(uint64_t mks) { NowMks += mks; }
};

class TFakeHost : public TPlaybackHost {
public:
    TPlaybackEngine* Engine = nullptr;
    TManualClock Time;
    std::vector<int32_t> Shown;                 // frame index of each ShowFrame, -1 for none
    std::vector<uint64_t> ShownAt;              // the clock's microseconds at each ShowFrame
    std::vector<uint32_t> Rests;                // the microseconds of each WaitForMessages
    std::vector<TMJPGFrame*> Prepared;          // each PrepareFrame
    std::vector<int32_t> Neighbours;            // each PrepareNeighbour
    // Shows and prepares in order: the frame index, negated minus one for a prepare.
    std::vector<int32_t> Calls;
    std::map<TPlayerCommand, bool> Enabled;     // as the window's actions would be
    int Passes = 0;                             // ProcessMessages calls
    int StateChanges = 0;
    // A rest lets the time asked for pass on the clock.
    bool AdvanceWhenResting = true;
    // What showing a picture costs on the clock (decoding, painting).
    uint64_t ShowCostMks = 0;
    // Runs on every pass of the loop (the messages a user's input would bring).
    std::function<void(int pass)> OnPass;

    const TTickClock& Clock() override { return Time; }
    void ShowFrame(TMJPGFrame* frame) override
    {
        Shown.push_back(IndexOf(frame));
        Calls.push_back(IndexOf(frame));
        ShownAt.push_back(Time.NowMks);
        Time.Advance(ShowCostMks);
    }
    void PrepareFrame(TMJPGFrame* frame) override
    {
        Prepared.push_back(frame);
        Calls.push_back(-1 - IndexOf(frame));
    }
    void PrepareNeighbour(int32_t index) override { Neighbours.push_back(index); }
    void ApplyAvailability(const TCommandAvailability& availability) override
    {
        for (size_t i = 0; i < PlayerCommandCount; ++i)
            if (const auto enabled = availability.Get(static_cast<TPlayerCommand>(i)))
                Enabled[static_cast<TPlayerCommand>(i)] = *enabled;
    }
    void Execute(TPlayerCommand command) override
    {
        if (!Enabled[command])
            return;
        ++Executed[command];
        if (command == TPlayerCommand::Play)
            Engine->Play();
        else if (command == TPlayerCommand::PlayBack)
            Engine->PlayBack();
    }
    void StateChanged() override { ++StateChanges; }
    void ProcessMessages() override
    {
        ++Passes;
        if (OnPass)
            OnPass(Passes);
    }
    void WaitForMessages(uint32_t mks) override
    {
        Rests.push_back(mks);
        if (AdvanceWhenResting)
            Time.Advance(mks);
    }

    // The enabled commands of the design's action list.
    std::set<TPlayerCommand> EnabledCommands() const
    {
        std::set<TPlayerCommand> commands;
        for (const auto& [command, enabled] : Enabled)
            if (enabled && static_cast<size_t>(command) < DesignCommandCount)
                commands.insert(command);
        return commands;
    }

    std::map<TPlayerCommand, int> Executed;

    int32_t IndexOf(const TMJPGFrame* frame) const
    {
        if (!frame || !Engine->Image())
            return -1;
        for (int32_t i = 0; i < Engine->Image()->FrameCount(); ++i)
            if (Engine->Image()->GetFrame(i) == frame)
                return i;
        return -2; // not a frame of the fragment
    }
};

// A fragment whose frames carry a few bytes (true) or none (false).
inline std::unique_ptr<TMJPGImage> FragmentOf(const std::vector<bool>& withData, int64_t fps = 2000)
{
    fixture::TFragmentBuilder fragment({.FPS = fps, .Frames = static_cast<int64_t>(withData.size())});
    for (bool data : withData)
        fragment.Part(data ? "picture" : "");
    return std::make_unique<TMJPGImage>(fragment.Stream().get());
}

inline std::vector<bool> AllWithData(int count)
{
    return std::vector<bool>(static_cast<size_t>(count), true);
}

// The engine as the window sets it up (slider bound and disabled, a
// chronometer, the commands computed), then a fragment loaded.
class EngineTest : public testing::Test {
protected:
    TFakeHost Host;
    TFakeTrackBar Bar;
    TPlaybackEngine Engine{Host};

    EngineTest()
    {
        Host.Engine = &Engine;
        Bar.Engine = &Engine;
        Engine.Create(&Bar);
        Engine.UpdateActions();
    }

    void Load(const std::vector<bool>& withData, int64_t fps = 2000)
    {
        Engine.CloseImage();
        Engine.SetImage(FragmentOf(withData, fps));
        Engine.ShowLoaded();
    }

    // Runs `action` on the given pass of the playback loop.
    void OnPass(int pass, std::function<void()> action)
    {
        Host.OnPass = [pass, action = std::move(action)](int n) {
            if (n == pass)
                action();
        };
    }
};
