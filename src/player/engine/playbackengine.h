// TPlaybackEngine: the player's playback engine, without a widget. It holds
// the loaded fragment and the current frame, searches and steps over the
// frames that carry a picture, plays forwards and backwards at the header's
// frame rate, pauses and stops, keeps the player's state and the slider's
// disable count, and decides which commands are available. What it shows
// and which actions it enables it reports to its host (the player window).
#pragma once

#include "chronometer.h"
#include "commands.h"
#include "framepos.h"
#include "playbackhost.h"
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
    std::unique_ptr<TMJPGImage> Image;
    TFramePosition FramePos;
    TPlayerState State = psEmpty;
    TPlayerState StateBeforePause = psEmpty;
    std::unique_ptr<TChronometer> Chronometer; // playback does nothing without one
    bool Loading = false;       // an archive download for the player is running
    bool LoadCancelled = false; // the user cancelled it

    // ---- Fragments ----
    // Takes the fragment; nothing is shown yet.
    void SetImage(std::unique_ptr<TMJPGImage> image);
    // Frees the fragment and forgets the position (count 0, slider disabled);
    // the state stays.
    void CloseImage();
    // After a load: slider range, first frame with data shown, psStopped.
    void ShowLoaded();
    // SetState, and the commands brought up to date even when the state is
    // already the one asked for (a fragment came or went meanwhile).
    void EnterState(TPlayerState state);

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

    // ---- State and availability ----
    void SetState(TPlayerState state);
    void SetLoading(bool loading);
    void UpdateActions();
    void UpdateCommonActions();
    TCommandAvailability Availability() const;

    // A pass of the loop rests at most this long, whatever the frame rate.
    static constexpr uint32_t MaxRestMks = 1000000;

private:
    void PlayLoop(TPlayerState direction);
    void PrepareNextFrame(TPlayerState direction);
    // Waits for a message or until the next frame is due.
    void RestUntilDue(uint32_t intervalMs);
    void ApplyStateToTrackBar(TPlayerState state);
    void CommonAvailability(TCommandAvailability& availability) const;
    int32_t FrameCount() const;
    TMJPGFrame* FrameAt(int32_t index) const;

    TPlaybackHost& FHost;
};
