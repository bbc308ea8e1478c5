// TFramePosition: the current frame of the loaded fragment and the position
// slider bound to it. Every setter keeps the slider in step; none of them
// shows a picture.
#pragma once

#include <cstdint>

class TMJPGFrame;
class TTrackBar;

struct TFramePosition {
    int32_t Index = -1;                   // -1 when there is none; FrameCount after a failed forward search
    int32_t DisableCount = 0;             // outstanding requests that keep the slider disabled
    TMJPGFrame* CurrentFrame = nullptr;   // the frame at Index, or null; not owned
    TTrackBar* TrackBar = nullptr;        // not owned

    void SetIndex(int32_t index);
    void SetFrame(TMJPGFrame* frame);
    void SetCurrent(int32_t index, TMJPGFrame* frame);
    void SetTrackBar(TTrackBar* trackBar);

    // Slider enabled when there is a frame and nothing keeps it disabled,
    // then the slider's position := Index (which raises its change
    // notification when the position differs).
    void SyncTrackBar();
    void DisableTrackBar();
    void EnableTrackBar();
    // Count 0 and the slider enabled, whether or not there is a frame.
    void ResetTrackBar();
    // No frame, count 0; the slider ends disabled.
    void ResetPosition();
};
