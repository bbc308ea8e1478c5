// The frame position and its slider.
#include "framepos.h"

#include "trackbar.h"

void TFramePosition::SetIndex(int32_t index)
{
    Index = index;
    if (TrackBar)
        SyncTrackBar();
}

void TFramePosition::SetFrame(TMJPGFrame* frame)
{
    CurrentFrame = frame;
    if (TrackBar)
        SyncTrackBar();
}

void TFramePosition::SetCurrent(int32_t index, TMJPGFrame* frame)
{
    Index = index;
    CurrentFrame = frame;
    if (TrackBar)
        SyncTrackBar();
}

void TFramePosition::SetTrackBar(TTrackBar* trackBar)
{
    TrackBar = trackBar;
    if (TrackBar)
        SyncTrackBar();
}

void TFramePosition::SyncTrackBar()
{
    // Enabled first: the change notification raised by the new position
    // must see the slider's final state.
    TrackBar->SetEnabled(CurrentFrame != nullptr && DisableCount == 0);
    TrackBar->SetPosition(Index);
}

void TFramePosition::DisableTrackBar()
{
    ++DisableCount;
    if (TrackBar)
        TrackBar->SetEnabled(DisableCount == 0);
}

void TFramePosition::EnableTrackBar()
{
    if (DisableCount > 0)
        --DisableCount;
    if (TrackBar)
        TrackBar->SetEnabled(DisableCount == 0 && CurrentFrame != nullptr);
}

void TFramePosition::ResetTrackBar()
{
    DisableCount = 0;
    if (TrackBar)
        TrackBar->SetEnabled(true);
}

void TFramePosition::ResetPosition()
{
    Index = -1;
    CurrentFrame = nullptr;
    DisableCount = 0;
    if (TrackBar)
        SyncTrackBar();
}
