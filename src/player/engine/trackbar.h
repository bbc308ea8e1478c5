// TTrackBar: the position slider as the playback engine drives it. The
// window gives the engine one over its real slider; engine tests give it one
// that behaves the same way without a widget.
#pragma once

#include <cstdint>

class TTrackBar {
public:
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual int32_t Position() const = 0;
    // Clamps the position to the range; a position that differs from the
    // one held raises the slider's change notification, which reaches the
    // engine's TrackBarChanged (re-entrantly, before this returns).
    virtual void SetPosition(int32_t position) = 0;
    // Narrowing the range may move the position, with the same notification.
    virtual void SetMinimum(int32_t minimum) = 0;
    virtual void SetMaximum(int32_t maximum) = 0;

protected:
    ~TTrackBar() = default;
};
