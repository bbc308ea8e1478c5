// The playback engine: searches, steps, the playback loop, Pause and Stop,
// the state changes and the availability of the commands.
#include "playbackengine.h"

#include "core/failures.h"

#include "frameinterval.h"
#include "trackbar.h"

#include <algorithm>
#include <cstdint>

int32_t TPlaybackEngine::FrameCount() const
{
    return FImage ? FImage->FrameCount() : 0;
}

TMJPGFrame* TPlaybackEngine::FrameAt(int32_t index) const
{
    return FImage ? FImage->GetFrame(index) : nullptr;
}

// ---- Creation ----

void TPlaybackEngine::Create(TTrackBar* trackBar)
{
    FImage.reset();
    FState = psEmpty;
    FFramePos.SetTrackBar(trackBar);
    FFramePos.DisableTrackBar();
    FStateBeforePause = psEmpty;
    CreateChronometer();
    FLoading = false;
    FLoadCancelled = false;
}

void TPlaybackEngine::CreateChronometer()
{
    FChronometer = std::make_unique<TChronometer>(FHost.Clock());
}

void TPlaybackEngine::FreeChronometer()
{
    FChronometer.reset();
}

// ---- Fragments ----

void TPlaybackEngine::SetImage(std::unique_ptr<TMJPGImage> image)
{
    FImage = std::move(image);
}

void TPlaybackEngine::CloseImage()
{
    FImage.reset();
    FFramePos.ResetPosition();
}

void TPlaybackEngine::ShowLoaded()
{
    InitTrackBar();
    SeekFirstFrame();
    FHost.ShowFrame(FFramePos.CurrentFrame);
    EnterState(psStopped);
}

void TPlaybackEngine::EnterState(TPlayerState state)
{
    if (FState == state)
        UpdateActions();
    else
        SetState(state);
}

// ---- Searches ----

bool TPlaybackEngine::SeekFirstFrame()
{
    const int32_t count = FrameCount();
    int32_t i = 0;
    for (; i < count; ++i) {
        TMJPGFrame* frame = FrameAt(i);
        if (!frame || frame->HasData())
            break;
    }
    FFramePos.SetCurrent(i, FrameAt(i));
    return i < count;
}

bool TPlaybackEngine::SeekLastFrame()
{
    int32_t i = FrameCount() - 1;
    for (; i >= 0; --i) {
        TMJPGFrame* frame = FrameAt(i);
        if (!frame || frame->HasData())
            break;
    }
    FFramePos.SetCurrent(i, FrameAt(i));
    return i >= 0;
}

bool TPlaybackEngine::SeekNextFrame()
{
    const int32_t count = FrameCount();
    int32_t i = FFramePos.Index + 1;
    for (; i < count; ++i) {
        TMJPGFrame* frame = FrameAt(i);
        if (!frame || frame->HasData())
            break;
    }
    if (i >= count)
        return false;
    FFramePos.SetCurrent(i, FrameAt(i));
    return true;
}

bool TPlaybackEngine::SeekPriorFrame()
{
    int32_t i = FFramePos.Index - 1;
    for (; i >= 0; --i) {
        TMJPGFrame* frame = FrameAt(i);
        if (!frame || frame->HasData())
            break;
    }
    if (i < 0)
        return false;
    FFramePos.SetCurrent(i, FrameAt(i));
    return true;
}

TMJPGFrame* TPlaybackEngine::StepForward(int32_t& index) const
{
    const int32_t count = FrameCount();
    TMJPGFrame* frame = nullptr;
    do {
        ++index;
        frame = FrameAt(index);
    } while (index < count && frame && !frame->HasData());
    return frame;
}

TMJPGFrame* TPlaybackEngine::StepBackward(int32_t& index) const
{
    TMJPGFrame* frame = nullptr;
    do {
        --index;
        frame = FrameAt(index);
    } while (index >= 0 && frame && !frame->HasData());
    return frame;
}

void TPlaybackEngine::InitTrackBar()
{
    TTrackBar* bar = FFramePos.TrackBar;
    if (!bar)
        return;
    // A slider cannot have a maximum below its minimum: a fragment without
    // frames keeps the range 0..0 (the slider is disabled then anyway).
    bar->SetMinimum(0);
    bar->SetMaximum(std::max(FrameCount() - 1, 0));
    bar->SetPosition(0);
}

// ---- Step commands and slider ----

void TPlaybackEngine::FirstFrame()
{
    if (!FImage)
        return;
    SeekFirstFrame();
    FHost.ShowFrame(FFramePos.CurrentFrame);
    UpdateActions();
}

void TPlaybackEngine::LastFrame()
{
    if (!FImage)
        return;
    SeekLastFrame();
    FHost.ShowFrame(FFramePos.CurrentFrame);
    UpdateActions();
}

void TPlaybackEngine::NextFrame()
{
    if (!FImage)
        return;
    if (SeekNextFrame()) {
        FHost.ShowFrame(FFramePos.CurrentFrame);
        PrepareNeighbour(true);
    }
    UpdateActions();
}

void TPlaybackEngine::PriorFrame()
{
    if (!FImage)
        return;
    if (SeekPriorFrame()) {
        FHost.ShowFrame(FFramePos.CurrentFrame);
        PrepareNeighbour(false);
    }
    UpdateActions();
}

void TPlaybackEngine::PrepareNeighbour(bool forward)
{
    // The running loop decodes its own next frame.
    if (IsPlaying(FState))
        return;
    int32_t index = FFramePos.Index;
    if (forward ? StepForward(index) : StepBackward(index))
        FHost.PrepareNeighbour(index);
}

void TPlaybackEngine::TrackBarChanged()
{
    TTrackBar* bar = FFramePos.TrackBar;
    if (!bar || !bar->Enabled() || !FImage)
        return;
    // One frame with data towards the slider per notification; the slider
    // is then put on the frame reached (whose notification finds them equal).
    int32_t i = FFramePos.Index;
    const int32_t position = bar->Position();
    TMJPGFrame* frame = nullptr;
    const bool forward = i < position;
    if (forward)
        frame = StepForward(i);
    else if (position < i)
        frame = StepBackward(i);
    else
        return;
    FFramePos.SetCurrent(i, frame);
    FHost.ShowFrame(FFramePos.CurrentFrame);
    if (frame)
        PrepareNeighbour(forward);
    UpdateActions();
}

// ---- Playing ----

void TPlaybackEngine::Play()
{
    PlayLoop(psPlaying);
}

void TPlaybackEngine::PlayBack()
{
    PlayLoop(psPlayingBack);
}

void TPlaybackEngine::PlayLoop(TPlayerState direction)
{
    if (!FImage || !FChronometer)
        return;
    const bool forward = direction == psPlaying;
    // At the end of the list playback starts over from the other end; the
    // frame found is not shown until the loop advances.
    if (forward && FFramePos.Index == FImage->FrameCount() - 1)
        SeekFirstFrame();
    else if (!forward && FFramePos.Index == 0)
        SeekLastFrame();
    if (!FFramePos.CurrentFrame) {
        UpdateActions();
        return;
    }
    FFramePos.ResetTrackBar();
    SetState(direction);
    FChronometer->Reset();
    try {
        int32_t interval = 0;
        if (FrameIntervalMs(FImage->Header->FPS, interval)) {
            // Compared as unsigned: a negative rate is never due.
            const auto due = static_cast<uint32_t>(interval);
            TPace pace;
            pace.Fps = FImage->Header->FPS;
            pace.Speed = FSpeed;
            pace.Index = FFramePos.Index;
            if (pace.Speed != TPlaybackSpeed::Normal)
                Rebase(pace);
            while (FState == direction) {
                if (pace.Speed == TPlaybackSpeed::Normal) {
                    // A frame is shown once its interval has passed; the
                    // period counts from the moment it is on screen.
                    if (FChronometer->FTime_ms() >= due) {
                        if (!(forward ? SeekNextFrame() : SeekPriorFrame()))
                            break;
                        FHost.ShowFrame(FFramePos.CurrentFrame);
                        FChronometer->Reset();
                    }
                } else if (!AdvanceAtSpeed(pace, forward)) {
                    break;
                }
                FHost.ProcessMessages();
                if (FState != direction)
                    break;
                // A new speed, or a step or the slider away from x1, counts
                // the frames due afresh from the frame now current.
                if (pace.Speed != FSpeed || (pace.Speed != TPlaybackSpeed::Normal && pace.Index != FFramePos.Index)) {
                    pace.Speed = FSpeed;
                    FChronometer->Reset();
                    Rebase(pace);
                }
                PrepareNextFrame(direction, pace);
                RestUntilDue(due, pace);
            }
        }
    } catch (...) {
        // Any failure ends playback quietly; its reason goes to the log.
        NoteCurrentFailure("playback");
    }
    if (FState != psPaused)
        SetState(psStopped);
}

void TPlaybackEngine::Rebase(TPace& pace)
{
    pace.LastReadMks = FChronometer->FTime_mks();
    pace.ElapsedMks = 0;
    pace.Shown = 0;
    pace.Index = FFramePos.Index;
    pace.NextDueMks = DueMks(pace, 1);
}

uint64_t TPlaybackEngine::PaceElapsed(TPace& pace) const
{
    // The loop reads the chronometer at least once a MaxRestMks, so the
    // 32-bit microseconds never wrap twice between two reads.
    const uint32_t now = FChronometer->FTime_mks();
    pace.ElapsedMks += static_cast<uint32_t>(now - pace.LastReadMks);
    pace.LastReadMks = now;
    return pace.ElapsedMks;
}

uint64_t TPlaybackEngine::DueMks(const TPace& pace, int64_t frames) const
{
    // Frame k is due k / (FPS * speed) seconds after the base, rounded up
    // to the microsecond; a negative rate is never due.
    if (pace.Fps <= 0)
        return UINT64_MAX;
    const TSpeedRatio ratio = SpeedRatio(pace.Speed);
    const auto numerator = static_cast<unsigned __int128>(frames) * 1000000u * static_cast<uint32_t>(ratio.Denominator);
    const auto denominator = static_cast<unsigned __int128>(static_cast<uint32_t>(pace.Fps)) *
                             static_cast<uint32_t>(ratio.Numerator);
    return static_cast<uint64_t>((numerator + denominator - 1) / denominator);
}

int64_t TPlaybackEngine::FramesDue(const TPace& pace, uint64_t elapsedMks) const
{
    if (pace.Fps <= 0)
        return 0;
    const TSpeedRatio ratio = SpeedRatio(pace.Speed);
    const auto numerator = static_cast<unsigned __int128>(elapsedMks) * static_cast<uint32_t>(pace.Fps) *
                           static_cast<uint32_t>(ratio.Numerator);
    const auto denominator = static_cast<unsigned __int128>(1000000u) * static_cast<uint32_t>(ratio.Denominator);
    return static_cast<int64_t>(numerator / denominator);
}

TMJPGFrame* TPlaybackEngine::FrameAhead(int32_t& index, int64_t frames, bool forward) const
{
    // Passing over a frame only looks whether it has data: nothing is decoded.
    TMJPGFrame* reached = nullptr;
    int32_t i = index;
    for (int64_t step = 0; step < frames; ++step) {
        TMJPGFrame* frame = forward ? StepForward(i) : StepBackward(i);
        if (!frame)
            break;
        reached = frame;
        index = i;
    }
    return reached;
}

bool TPlaybackEngine::AdvanceAtSpeed(TPace& pace, bool forward)
{
    const uint64_t now = PaceElapsed(pace);
    if (now < pace.NextDueMks)
        return true;
    // The frame due now: the next one, or further when the loop is late by
    // more than a frame or the pictures would come faster than a display
    // shows them.
    const int64_t due = std::max(FramesDue(pace, now), pace.Shown + 1);
    int32_t index = FFramePos.Index;
    TMJPGFrame* frame = FrameAhead(index, due - pace.Shown, forward);
    if (!frame)
        return false;
    FFramePos.SetCurrent(index, frame);
    FHost.ShowFrame(FFramePos.CurrentFrame);
    pace.Shown = due;
    pace.Index = FFramePos.Index;
    const uint64_t shownAt = PaceElapsed(pace);
    constexpr uint64_t MinPeriodMks = (1000000 + MaxShownPerSecond - 1) / MaxShownPerSecond;
    pace.NextDueMks = std::max(DueMks(pace, pace.Shown + 1), shownAt + MinPeriodMks);
    return true;
}

void TPlaybackEngine::PrepareNextFrame(TPlayerState direction, const TPace& pace)
{
    int32_t index = FFramePos.Index;
    TMJPGFrame* next = nullptr;
    if (pace.Speed == TPlaybackSpeed::Normal) {
        next = direction == psPlaying ? StepForward(index) : StepBackward(index);
    } else {
        // The frame that will be due when the next picture is.
        const int64_t due = std::max(FramesDue(pace, pace.NextDueMks), pace.Shown + 1);
        next = FrameAhead(index, due - pace.Shown, direction == psPlaying);
    }
    if (next)
        FHost.PrepareFrame(next);
}

void TPlaybackEngine::RestUntilDue(uint32_t intervalMs, TPace& pace)
{
    uint64_t leftMks = 0;
    if (pace.Speed == TPlaybackSpeed::Normal) {
        // Due when the whole milliseconds elapsed reach the interval, that
        // is when the microseconds reach interval * 1000.
        const uint64_t dueMks = static_cast<uint64_t>(intervalMs) * 1000;
        const uint32_t elapsed = FChronometer->FTime_mks();
        if (elapsed >= dueMks)
            return;
        leftMks = dueMks - elapsed;
    } else {
        const uint64_t now = PaceElapsed(pace);
        if (now >= pace.NextDueMks)
            return;
        leftMks = pace.NextDueMks - now;
    }
    FHost.WaitForMessages(static_cast<uint32_t>(std::min<uint64_t>(leftMks, MaxRestMks)));
}

void TPlaybackEngine::Pause()
{
    if (FState == psPaused) {
        if (FStateBeforePause == psPlaying)
            FHost.Execute(TPlayerCommand::Play);
        else if (FStateBeforePause == psPlayingBack)
            FHost.Execute(TPlayerCommand::PlayBack);
        return;
    }
    FStateBeforePause = FState;
    SetState(psPaused);
}

void TPlaybackEngine::SetSpeed(TPlaybackSpeed speed)
{
    // A running loop sees the new speed after its next pass.
    FSpeed = speed;
}

void TPlaybackEngine::Stop()
{
    if (FImage) {
        SeekFirstFrame();
        FHost.ShowFrame(FFramePos.CurrentFrame);
    }
    SetState(psStopped);
}

// ---- State and availability ----

void TPlaybackEngine::ApplyStateToTrackBar(TPlayerState state)
{
    if (state == psStopped || state == psPaused)
        FFramePos.EnableTrackBar();
    else
        FFramePos.DisableTrackBar();
}

void TPlaybackEngine::SetState(TPlayerState state)
{
    if (state == FState)
        return;
    FState = state;
    ApplyStateToTrackBar(state);
    UpdateActions();
    FHost.StateChanged();
}

void TPlaybackEngine::SetLoading(bool loading)
{
    FLoading = loading;
    // Assigned even when it does not change: each call moves the slider's
    // disable count once more.
    FState = (loading || FLoadCancelled) ? psEmpty : psStopped;
    ApplyStateToTrackBar(FState);
    UpdateActions();
    FHost.StateChanged();
}

void TPlaybackEngine::UpdateActions()
{
    FHost.ApplyAvailability(Availability());
}

void TPlaybackEngine::UpdateCommonActions()
{
    TCommandAvailability availability;
    CommonAvailability(availability);
    FHost.ApplyAvailability(availability);
}

void TPlaybackEngine::CommonAvailability(TCommandAvailability& availability) const
{
    using C = TPlayerCommand;
    const bool playing = IsPlaying(FState);
    availability.Set(C::OpenFile, !FLoading && !playing);
    availability.Set(C::ShowDTInterval, !FLoading && !playing);
    for (C command : {C::ShowManager, C::HideManager, C::Zoom50, C::Zoom100, C::Zoom200, C::ZoomFree})
        availability.Set(command, true);
}

TCommandAvailability TPlaybackEngine::Availability() const
{
    using C = TPlayerCommand;
    TCommandAvailability availability;
    if (!FImage) {
        for (size_t i = 0; i < PlayerCommandCount; ++i)
            availability.Set(static_cast<C>(i), false);
        CommonAvailability(availability);
        return availability;
    }
    // With a fragment the cancel command is left to the archive functions.
    CommonAvailability(availability);
    const int32_t index = FFramePos.Index;
    const bool playing = IsPlaying(FState);
    const bool frame = FFramePos.CurrentFrame != nullptr;
    const bool running = playing || FState == psPaused;
    const bool backwards = index > 0 && !FLoading;
    const bool forwards = index < FImage->FrameCount() - 1 && !FLoading;

    availability.Set(C::FirstFrame, backwards);
    availability.Set(C::PriorFrame, backwards);
    availability.Set(C::NextFrame, forwards);
    availability.Set(C::LastFrame, forwards);
    availability.Set(C::Play, frame && !FLoading);
    availability.Set(C::PlayBack, frame && !FLoading);
    // Space plays or pauses, as these two allow.
    availability.Set(C::PlayPause, frame && !FLoading);
    availability.Set(C::Pause, frame && running && !FLoading);
    availability.Set(C::Stop, frame && running && !FLoading);
    availability.Set(C::SaveFrame, frame && !playing && !FLoading);
    availability.Set(C::PrintReport, frame && !playing && !FLoading);
    availability.Set(C::SaveFile, !FLoading && !playing);
    availability.Set(C::Stretch, frame);
    availability.Set(C::NormalSize, frame);
    // The speed can be chosen whenever there is a fragment, also while it plays.
    for (size_t i = static_cast<size_t>(C::SpeedQuarter); i <= static_cast<size_t>(C::SpeedDown); ++i)
        availability.Set(static_cast<C>(i), true);
    return availability;
}
