// TPositionSlider: the player's position slider. While a fragment plays its
// value changes with every frame, yet across a long fragment the handle
// moves a pixel only every few frames: a new value repaints the slider only
// when the handle (and with it everything the style draws from the value)
// lands somewhere else on screen. The value, its signals and what
// accessibility tools read change with every frame as before.
#pragma once

#include <QRect>
#include <QSlider>

class TPositionSlider : public QSlider {
    Q_OBJECT
public:
    explicit TPositionSlider(QWidget* parent);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the style puts the handle for the slider as it stands now.
    QRect HandleRect() const;

    QRect FPaintedHandle; // the handle as last painted
};
