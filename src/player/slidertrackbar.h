// TSliderTrackBar: the window's position slider as the engine's TTrackBar.
// Setting a position goes through QSlider::setValue, so the slider clamps it
// and raises valueChanged (the window's trbFramePositionChange) as a user's
// move would.
#pragma once

#include "player/engine/trackbar.h"

class QSlider;

class TSliderTrackBar : public TTrackBar {
public:
    explicit TSliderTrackBar(QSlider* slider) : FSlider(slider) {}

    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    int32_t Position() const override;
    void SetPosition(int32_t position) override;
    void SetMinimum(int32_t minimum) override;
    void SetMaximum(int32_t maximum) override;

private:
    QSlider* FSlider;
};
