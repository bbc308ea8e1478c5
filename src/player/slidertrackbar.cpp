// The slider adapter.
#include "slidertrackbar.h"

#include <QSlider>

bool TSliderTrackBar::Enabled() const
{
    return FSlider->isEnabled();
}

void TSliderTrackBar::SetEnabled(bool enabled)
{
    FSlider->setEnabled(enabled);
}

int32_t TSliderTrackBar::Position() const
{
    return FSlider->value();
}

void TSliderTrackBar::SetPosition(int32_t position)
{
    FSlider->setValue(position);
}

void TSliderTrackBar::SetMinimum(int32_t minimum)
{
    FSlider->setMinimum(minimum);
}

void TSliderTrackBar::SetMaximum(int32_t maximum)
{
    FSlider->setMaximum(maximum);
}
