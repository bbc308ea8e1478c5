// TPlaybackEngine: the player's playback engine, without a widget. It holds
// the loaded fragment and the current frame, searches and steps over the
// frames that carry a picture, plays forwards and backwards at the header's
// frame rate or at a speed from x1/4 to x16, pauses and stops, keeps the
// player's state and the slider's disable count, and decides which
// commands are available. What it shows and which actions it enables it
// reports to its host (the player window), whose clock paces playback.
#pragma once

#include "chronometer.h"
#include "commands.h"
#include "framepos.h"
#include "playbackhost.h"
#include "playbackspeed.h"
#include "playerstate.h"

#include "container/mjpgimage.h"

#include <cstdint>
#include <memory>

class TPlaybackEngine {
public:
    explicit TPlaybackEngine(TPlaybackHost& host) : FHost(host) {}
    TPlaybackEngine(const TPlaybackEngine&) = delete;
    TPlaybackEngine& operator=(const TPlaybackEngine&) = delete;

    // ---- Fields (the window shows them under the same names) ----
    const std::unique_ptr<TMJPGImage>& Image() const { return FImage; }
    const TFramePosition& FramePos() const { return FFramePos; }
    const TPlayerState& State() const { return FState; }
    const TPlayerState& StateBeforePause() const { return FStateBeforePause; }
    // Playback does nothing without one.
    const std::unique_ptr<TChronometer>& Chronometer() const { return FChronometer; }
    // An archive download for the player is running.
    const bool& Loading() const { return FLoading; }
    // The user cancelled it.
    const bool& LoadCancelled() const { return FLoadCancelled; }
    void SetLoadCancelled(bool cancelled) { FLoadCancelled = cancelled; }

    // The engine's part of the window's creation: no fragment, psEmpty, the
    // slider bound and disabled (count 1), a chronometer on the host's
    // clock, no download.
    void Create(TTrackBar* trackBar);
    void CreateChronometer();
    void FreeChronometer();

    // ---- Fragments ----
    // Takes the fragment; nothing is shown yet.
    void SetImage(std::unique_ptr<TMJPGImage> image);
    // Frees the fragment and forgets the position (count 0, slider disabled);
    // the state and the speed stay.
    void CloseImage();
    // After a load: slider range, first frame with data shown, psStopped.
    void ShowLoaded();
    // SetState, and the commands brought up to date even when the state is
    // already the one asked for (a fragment came or went meanwhile).
    void EnterState(TPlayerState state);
    // Makes the frame at `index` current (the slider follows); shows nothing.
    void SetCurrent(int32_t index, TMJPGFrame* frame) { FFramePos.SetCurrent(index, frame); }

    // ---- Searches ----
    bool SeekFirstFrame();
    bool SeekLastFrame();
    bool SeekNextFrame();
    bool SeekPriorFrame();
    TMJPGFrame* StepForward(int32_t& index) const;
    TMJPGFrame* StepBackward(int32_t& index) const;
    // Slider range 0 .. FrameCount - 1 and position 0, in that order.
    void InitTrackBar();

    // ---- Commands ----
    void FirstFrame();
    void PriorFrame();
    void NextFrame();
    void LastFrame();
    // The slider's change notification: one frame with data towards it.
    void TrackBarChanged();
    // Play and Play back run their loop until the state changes or the end
    // is reached, pumping the host's messages on every pass.
    void Play();
    void PlayBack();
    void Pause();
    void Stop();

    // ---- Speed ----
    // x1 at creation; it stays when another fragment is loaded. A change
    // during playback takes effect from the next frame.
    TPlaybackSpeed Speed() const { return FSpeed; }
    void SetSpeed(TPlaybackSpeed speed);

    // ---- State and availability ----
    void SetState(TPlayerState state);
    void SetLoading(bool loading);
    void UpdateActions();
    void UpdateCommonActions();
    TCommandAvailability Availability() const;

    // A pass of the loop rests at most this long, whatever the frame rate.
    static constexpr uint32_t MaxRestMks = 1000000;
    // Away from x1 no more pictures are shown in a second than a display
    // shows; the frames due in between are passed over.
    static constexpr uint32_t MaxShownPerSecond = 60;

private:
    // Where playback away from x1 stands: the frames due are counted from
    // a base (the start, a change of speed, a step or a move of the slider)
    // on the chronometer's time since that base, widened to 64 bits.
    struct TPace {
        TPlaybackSpeed Speed = TPlaybackSpeed::Normal;
        int32_t Fps = 0;
        uint32_t LastReadMks = 0;
        uint64_t ElapsedMks = 0;  // since the base
        int64_t Shown = 0;        // frames with data moved over since the base
        int32_t Index = 0;        // where the loop left the position
        uint64_t NextDueMks = 0;  // when the next picture is shown
    };

    void PlayLoop(TPlayerState direction);
    void Rebase(TPace& pace);
    uint64_t PaceElapsed(TPace& pace) const;
    uint64_t DueMks(const TPace& pace, int64_t frames) const;
    int64_t FramesDue(const TPace& pace, uint64_t elapsedMks) const;
    // The frame with data `frames` steps away from `index` in the direction
    // of play, or the last one before the end; `index` follows. Null when
    // there is not even one.
    TMJPGFrame* FrameAhead(int32_t& index, int64_t frames, bool forward) const;
    // Away from x1: shows the frame due now once the next picture is due.
    // False at the end of the fragment.
    bool AdvanceAtSpeed(TPace& pace, bool forward);
    void PrepareNextFrame(TPlayerState direction, const TPace& pace);
    // After a step while not playing: the host may decode the frame a
    // further step in the same direction shows.
    void PrepareNeighbour(bool forward);
    // Waits for a message or until the next frame is due.
    void RestUntilDue(uint32_t intervalMs, TPace& pace);
    void ApplyStateToTrackBar(TPlayerState state);
    void CommonAvailability(TCommandAvailability& availability) const;
    int32_t FrameCount() const;
    TMJPGFrame* FrameAt(int32_t index) const;

    TPlaybackHost& FHost;
    std::unique_ptr<TMJPGImage> FImage;
    TFramePosition FFramePos;
    TPlayerState FState = psEmpty;
    TPlayerState FStateBeforePause = psEmpty;
    std::unique_ptr<TChronometer> FChronometer;
    bool FLoading = false;
    bool FLoadCancelled = false;
    TPlaybackSpeed FSpeed = TPlaybackSpeed::Normal;
};
