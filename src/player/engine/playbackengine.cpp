// The playback engine: searches, steps, the playback loop, Pause and Stop,
// the state changes and the availability of the commands.
#include "playbackengine.h"

#include "core/failures.h"

#include "frameinterval.h"
#include "trackbar.h"

#include <algorithm>

int32_t TPlaybackEngine::FrameCount() const
{
    return Image ? Image->FrameCount() : 0;
}

TMJPGFrame* TPlaybackEngine::FrameAt(int32_t index) const
{
    return Image ? Image->GetFrame(index) : nullptr;
}

// ---- Fragments ----

void TPlaybackEngine::SetImage(std::unique_ptr<TMJPGImage> image)
{
    Image = std::move(image);
}

void TPlaybackEngine::CloseImage()
{
    Image.reset();
    FramePos.ResetPosition();
}

void TPlaybackEngine::ShowLoaded()
{
    InitTrackBar();
    SeekFirstFrame();
    FHost.ShowFrame(FramePos.CurrentFrame);
    EnterState(psStopped);
}

void TPlaybackEngine::EnterState(TPlayerState state)
{
    if (State == state)
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
    FramePos.SetCurrent(i, FrameAt(i));
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
    FramePos.SetCurrent(i, FrameAt(i));
    return i >= 0;
}

bool TPlaybackEngine::SeekNextFrame()
{
    const int32_t count = FrameCount();
    int32_t i = FramePos.Index + 1;
    for (; i < count; ++i) {
        TMJPGFrame* frame = FrameAt(i);
        if (!frame || frame->HasData())
            break;
    }
    if (i >= count)
        return false;
    FramePos.SetCurrent(i, FrameAt(i));
    return true;
}

bool TPlaybackEngine::SeekPriorFrame()
{
    int32_t i = FramePos.Index - 1;
    for (; i >= 0; --i) {
        TMJPGFrame* frame = FrameAt(i);
        if (!frame || frame->HasData())
            break;
    }
    if (i < 0)
        return false;
    FramePos.SetCurrent(i, FrameAt(i));
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
    TTrackBar* bar = FramePos.TrackBar;
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
    if (!Image)
        return;
    SeekFirstFrame();
    FHost.ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

void TPlaybackEngine::LastFrame()
{
    if (!Image)
        return;
    SeekLastFrame();
    FHost.ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

void TPlaybackEngine::NextFrame()
{
    if (!Image)
        return;
    if (SeekNextFrame())
        FHost.ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

void TPlaybackEngine::PriorFrame()
{
    if (!Image)
        return;
    if (SeekPriorFrame())
        FHost.ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

void TPlaybackEngine::TrackBarChanged()
{
    TTrackBar* bar = FramePos.TrackBar;
    if (!bar || !bar->Enabled() || !Image)
        return;
    // One frame with data towards the slider per notification; the slider
    // is then put on the frame reached (whose notification finds them equal).
    int32_t i = FramePos.Index;
    const int32_t position = bar->Position();
    TMJPGFrame* frame = nullptr;
    if (i < position)
        frame = StepForward(i);
    else if (position < i)
        frame = StepBackward(i);
    else
        return;
    FramePos.SetCurrent(i, frame);
    FHost.ShowFrame(FramePos.CurrentFrame);
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
    if (!Image || !Chronometer)
        return;
    const bool forward = direction == psPlaying;
    // At the end of the list playback starts over from the other end; the
    // frame found is not shown until the loop advances.
    if (forward && FramePos.Index == Image->FrameCount() - 1)
        SeekFirstFrame();
    else if (!forward && FramePos.Index == 0)
        SeekLastFrame();
    if (!FramePos.CurrentFrame) {
        UpdateActions();
        return;
    }
    FramePos.ResetTrackBar();
    SetState(direction);
    Chronometer->Reset();
    try {
        int32_t interval = 0;
        if (FrameIntervalMs(Image->Header->FPS, interval)) {
            // Compared as unsigned: a negative rate is never due.
            const auto due = static_cast<uint32_t>(interval);
            while (State == direction) {
                // A frame is shown once its interval has passed; the period
                // counts from the moment it is on screen.
                if (Chronometer->FTime_ms() >= due) {
                    if (!(forward ? SeekNextFrame() : SeekPriorFrame()))
                        break;
                    FHost.ShowFrame(FramePos.CurrentFrame);
                    Chronometer->Reset();
                }
                FHost.ProcessMessages();
                if (State != direction)
                    break;
                PrepareNextFrame(direction);
                RestUntilDue(due);
            }
        }
    } catch (...) {
        // Any failure ends playback quietly; its reason goes to the log.
        NoteCurrentFailure("playback");
    }
    if (State != psPaused)
        SetState(psStopped);
}

void TPlaybackEngine::PrepareNextFrame(TPlayerState direction)
{
    int32_t index = FramePos.Index;
    TMJPGFrame* next = direction == psPlaying ? StepForward(index) : StepBackward(index);
    if (next)
        FHost.PrepareFrame(next);
}

void TPlaybackEngine::RestUntilDue(uint32_t intervalMs)
{
    // Due when the whole milliseconds elapsed reach the interval, that is
    // when the microseconds reach interval * 1000.
    const uint64_t dueMks = static_cast<uint64_t>(intervalMs) * 1000;
    const uint32_t elapsed = Chronometer->FTime_mks();
    if (elapsed >= dueMks)
        return;
    FHost.WaitForMessages(static_cast<uint32_t>(std::min<uint64_t>(dueMks - elapsed, MaxRestMks)));
}

void TPlaybackEngine::Pause()
{
    if (State == psPaused) {
        if (StateBeforePause == psPlaying)
            FHost.Execute(TPlayerCommand::Play);
        else if (StateBeforePause == psPlayingBack)
            FHost.Execute(TPlayerCommand::PlayBack);
        return;
    }
    StateBeforePause = State;
    SetState(psPaused);
}

void TPlaybackEngine::Stop()
{
    if (Image) {
        SeekFirstFrame();
        FHost.ShowFrame(FramePos.CurrentFrame);
    }
    SetState(psStopped);
}

// ---- State and availability ----

void TPlaybackEngine::ApplyStateToTrackBar(TPlayerState state)
{
    if (state == psStopped || state == psPaused)
        FramePos.EnableTrackBar();
    else
        FramePos.DisableTrackBar();
}

void TPlaybackEngine::SetState(TPlayerState state)
{
    if (state == State)
        return;
    State = state;
    ApplyStateToTrackBar(state);
    UpdateActions();
    FHost.StateChanged();
}

void TPlaybackEngine::SetLoading(bool loading)
{
    Loading = loading;
    // Assigned even when it does not change: each call moves the slider's
    // disable count once more.
    State = (loading || LoadCancelled) ? psEmpty : psStopped;
    ApplyStateToTrackBar(State);
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
    const bool playing = IsPlaying(State);
    availability.Set(C::OpenFile, !Loading && !playing);
    availability.Set(C::ShowDTInterval, !Loading && !playing);
    for (C command : {C::ShowManager, C::HideManager, C::Zoom50, C::Zoom100, C::Zoom200, C::ZoomFree})
        availability.Set(command, true);
}

TCommandAvailability TPlaybackEngine::Availability() const
{
    using C = TPlayerCommand;
    TCommandAvailability availability;
    if (!Image) {
        for (size_t i = 0; i < PlayerCommandCount; ++i)
            availability.Set(static_cast<C>(i), false);
        CommonAvailability(availability);
        return availability;
    }
    // With a fragment the cancel command is left to the archive functions.
    CommonAvailability(availability);
    const int32_t index = FramePos.Index;
    const bool playing = IsPlaying(State);
    const bool frame = FramePos.CurrentFrame != nullptr;
    const bool running = playing || State == psPaused;
    const bool backwards = index > 0 && !Loading;
    const bool forwards = index < Image->FrameCount() - 1 && !Loading;

    availability.Set(C::FirstFrame, backwards);
    availability.Set(C::PriorFrame, backwards);
    availability.Set(C::NextFrame, forwards);
    availability.Set(C::LastFrame, forwards);
    availability.Set(C::Play, frame && !Loading);
    availability.Set(C::PlayBack, frame && !Loading);
    availability.Set(C::Pause, frame && running && !Loading);
    availability.Set(C::Stop, frame && running && !Loading);
    availability.Set(C::SaveFrame, frame && !playing && !Loading);
    availability.Set(C::PrintReport, frame && !playing && !Loading);
    availability.Set(C::SaveFile, !Loading && !playing);
    availability.Set(C::Stretch, frame);
    availability.Set(C::NormalSize, frame);
    return availability;
}
