// The position slider's repaints.
#include "positionslider.h"

#include <QStyle>
#include <QStyleOptionSlider>

TPositionSlider::TPositionSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
}

QRect TPositionSlider::HandleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void TPositionSlider::sliderChange(SliderChange change)
{
    // The style draws the groove's filled part and the handle from the
    // handle's rectangle alone: a value that leaves it where it was painted
    // leaves every pixel as it is.
    if (change == SliderValueChange && !FPaintedHandle.isNull() && HandleRect() == FPaintedHandle)
        return;
    QSlider::sliderChange(change);
}

void TPositionSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    FPaintedHandle = HandleRect();
}
