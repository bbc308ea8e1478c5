// The frame position and the window's slider: the disable count and the sync rule.
#include "player/engine/framepos.h"
#include "player/slidertrackbar.h"

#include "container/mjpgframe.h"

#include <QSignalSpy>
#include <QSlider>

#include <gtest/gtest.h>

namespace {

struct FramePosTest : testing::Test {
    QSlider Slider{Qt::Horizontal};
    TSliderTrackBar Bar{&Slider};
    TMJPGFrame Frame{nullptr, "abcd"};
    TFramePosition Pos;

    FramePosTest() { Slider.setRange(0, 9); }
};

} // namespace

TEST_F(FramePosTest, StartsWithoutFrameOrSlider)
{
    const TFramePosition fresh;
    EXPECT_EQ(fresh.Index, -1);
    EXPECT_EQ(fresh.DisableCount, 0);
    EXPECT_EQ(fresh.CurrentFrame, nullptr);
    EXPECT_EQ(fresh.TrackBar, nullptr);
}

TEST_F(FramePosTest, SettersSyncTheSlider)
{
    Pos.SetTrackBar(&Bar);
    EXPECT_FALSE(Slider.isEnabled()); // no frame
    EXPECT_EQ(Slider.value(), 0);     // -1 clamped to the range

    QSignalSpy changes(&Slider, &QSlider::valueChanged);
    Pos.SetCurrent(4, &Frame);
    EXPECT_TRUE(Slider.isEnabled());
    EXPECT_EQ(Slider.value(), 4);
    EXPECT_EQ(changes.count(), 1);

    Pos.SetIndex(6);
    EXPECT_EQ(Slider.value(), 6);
    Pos.SetFrame(nullptr);
    EXPECT_FALSE(Slider.isEnabled());
    Pos.SetIndex(20);
    EXPECT_EQ(Slider.value(), 9);
}

TEST_F(FramePosTest, DisableCountKeepsTheSliderOff)
{
    Pos.SetTrackBar(&Bar);
    Pos.SetCurrent(2, &Frame);
    Pos.DisableTrackBar();
    Pos.DisableTrackBar();
    EXPECT_EQ(Pos.DisableCount, 2);
    EXPECT_FALSE(Slider.isEnabled());
    Pos.SetIndex(3); // a sync does not override the count
    EXPECT_FALSE(Slider.isEnabled());
    Pos.EnableTrackBar();
    EXPECT_FALSE(Slider.isEnabled());
    Pos.EnableTrackBar();
    EXPECT_TRUE(Slider.isEnabled());
    Pos.EnableTrackBar(); // never below zero
    EXPECT_EQ(Pos.DisableCount, 0);

    // Enabling needs a frame; resetting does not.
    Pos.SetFrame(nullptr);
    Pos.DisableTrackBar();
    Pos.EnableTrackBar();
    EXPECT_FALSE(Slider.isEnabled());
    Pos.DisableTrackBar();
    Pos.ResetTrackBar();
    EXPECT_EQ(Pos.DisableCount, 0);
    EXPECT_TRUE(Slider.isEnabled());
}

TEST_F(FramePosTest, ResetPositionLeavesTheSliderDisabled)
{
    Pos.SetTrackBar(&Bar);
    Pos.SetCurrent(5, &Frame);
    Pos.DisableTrackBar();
    Pos.ResetPosition();
    EXPECT_EQ(Pos.Index, -1);
    EXPECT_EQ(Pos.CurrentFrame, nullptr);
    EXPECT_EQ(Pos.DisableCount, 0);
    EXPECT_FALSE(Slider.isEnabled());
    EXPECT_EQ(Slider.value(), 0);
}

TEST_F(FramePosTest, WithoutSliderOnlyTheFieldsChange)
{
    Pos.SetCurrent(3, &Frame);
    Pos.DisableTrackBar();
    Pos.EnableTrackBar();
    Pos.ResetTrackBar();
    EXPECT_EQ(Pos.Index, 3);
    EXPECT_EQ(Pos.CurrentFrame, &Frame);
    EXPECT_TRUE(Slider.isEnabled());
    EXPECT_EQ(Slider.value(), 0);
}
