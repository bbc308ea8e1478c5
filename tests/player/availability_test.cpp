// Which commands are available: with no fragment, loaded, playing, paused,
// and in the fragment's corner cases (while a fetch runs: archive_test.cpp).
#include "playerfixture.h"
#include "children.h"

namespace {

using Names = std::set<std::string>;

const Names Common = {"actOpenFile", "actShowDTInterval", "actShowManager", "actHideManager",
                      "actZoom50",   "actZoom100",        "actZoom200",     "actZoomFree"};
const Names AlwaysOn = {"actShowManager", "actHideManager", "actZoom50", "actZoom100", "actZoom200", "actZoomFree"};

Names Plus(Names names, std::initializer_list<const char*> more)
{
    for (const char* name : more)
        names.insert(name);
    return names;
}

} // namespace

TEST_F(PlayerTest, EmptyWindowOffersOnlyOpenArchiveAndZoom)
{
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_EQ(Enabled(), Common);
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
    EXPECT_EQ(Form.FramePos.DisableCount, 1);
}

TEST_F(PlayerTest, AvailabilityFollowsPositionAndState)
{
    struct Case {
        const char* Situation;
        std::function<void(TVPlayerForm&)> Reach;
        Names Expected;
    };
    // Five frames with pictures; FPS -1 keeps a playing loop on its frame.
    const Case cases[] = {
        {"stopped at the first frame", [](TVPlayerForm&) {},
         Plus(Common, {"actNextFrame", "actLastFrame", "actPlay", "actPlayBack", "actSaveFrame", "actPrintReport",
                       "actSaveFile", "actStretch", "actNormalSize"})},
        {"stopped in the middle", [](TVPlayerForm& form) { Child(form, "actNextFrame")->trigger(); },
         Plus(Common, {"actFirstFrame", "actPriorFrame", "actNextFrame", "actLastFrame", "actPlay", "actPlayBack",
                       "actSaveFrame", "actPrintReport", "actSaveFile", "actStretch", "actNormalSize"})},
        {"stopped at the last frame", [](TVPlayerForm& form) { Child(form, "actLastFrame")->trigger(); },
         Plus(Common, {"actFirstFrame", "actPriorFrame", "actPlay", "actPlayBack", "actSaveFrame", "actPrintReport",
                       "actSaveFile", "actStretch", "actNormalSize"})},
        {"paused in the middle",
         [](TVPlayerForm& form) {
             Child(form, "actNextFrame")->trigger();
             TPassObserver observer(Child(form, "actStop"), [&](int) { Child(form, "actPause")->trigger(); });
             Child(form, "actPlay")->trigger();
         },
         Plus(Common, {"actFirstFrame", "actPriorFrame", "actNextFrame", "actLastFrame", "actPlay", "actPlayBack",
                       "actPause", "actStop", "actSaveFrame", "actPrintReport", "actSaveFile", "actStretch",
                       "actNormalSize"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Situation);
        TVPlayerForm form;
        ASSERT_TRUE(LoadInto(form, Frames(5, -1)));
        c.Reach(form);
        EXPECT_EQ(EnabledActions(form), c.Expected);
    }
}

TEST_F(PlayerTest, PlayingOffersPauseAndStopButNoFileCommands)
{
    ASSERT_TRUE(Load(Frames(5, -1)));
    Names seen;
    bool sliderEnabled = true;
    TPassObserver observer(Child(Form, "actStop"), [&](int) {
        seen = Enabled();
        sliderEnabled = Child<QSlider>(Form, "trbFramePosition")->isEnabled();
        Child(Form, "actStop")->trigger();
    });
    Child(Form, "actPlay")->trigger();
    ASSERT_FALSE(observer.TimedOut);
    // The availability computed when playback started, at the first frame.
    EXPECT_EQ(seen, Plus(AlwaysOn, {"actNextFrame", "actLastFrame", "actPlay", "actPlayBack", "actPause", "actStop",
                                    "actStretch", "actNormalSize"}));
    EXPECT_FALSE(sliderEnabled);
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_TRUE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
}

TEST_F(PlayerTest, FirstFramesWithoutPictures)
{
    ASSERT_TRUE(Load(Frames({false, false, true, true})));
    EXPECT_EQ(Form.FramePos.Index, 2);
    EXPECT_EQ(ShownFrame(), 2);
    EXPECT_TRUE(Child(Form, "actFirstFrame")->isEnabled());
    EXPECT_TRUE(Child(Form, "actPriorFrame")->isEnabled());
    // Prior finds nothing before it: nothing moves, the picture stays.
    Child(Form, "actPriorFrame")->trigger();
    EXPECT_EQ(Form.FramePos.Index, 2);
    EXPECT_EQ(ShownFrame(), 2);
    EXPECT_TRUE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
    EXPECT_EQ(Child<QSlider>(Form, "trbFramePosition")->value(), 2);
}

TEST_F(PlayerTest, NoFrameCarriesAPicture)
{
    ASSERT_TRUE(Load(Frames({false, false, false})));
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.Index, 3);
    EXPECT_EQ(Form.FramePos.CurrentFrame, nullptr);
    EXPECT_EQ(ShownFrame(), -1);
    EXPECT_EQ(Enabled(), Plus(Common, {"actFirstFrame", "actPriorFrame", "actSaveFile"}));
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
    for (QAction* step : {Child(Form, "actFirstFrame"), Child(Form, "actPriorFrame")}) {
        step->trigger();
        EXPECT_EQ(ShownFrame(), -1);
        EXPECT_EQ(Form.FramePos.CurrentFrame, nullptr);
    }
}

TEST_F(PlayerTest, FragmentWithoutFrames)
{
    ASSERT_TRUE(Load(Frames(0)));
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
    EXPECT_EQ(ShownFrame(), -1);
    EXPECT_EQ(Enabled(), Plus(Common, {"actSaveFile"}));
}
