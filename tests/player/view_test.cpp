// The picture's place on the video panel: fitted, zoomed or stretched.
#include "playerfixture.h"
#include "children.h"

#include "player/videolayout.h"

TEST(VideoBoundsTest, LayoutsOnThePanel)
{
    struct Case {
        QSize Panel;
        int32_t Width, Height;
        bool Fixed;
        double Zoom;
        QRect Expected;
    };
    const Case cases[] = {
        // fitted, reduced or enlarged until two opposite sides touch
        {{632, 480}, 704, 576, false, 0.0, {23, 0, 586, 480}},
        {{632, 480}, 352, 288, false, 0.0, {23, 0, 586, 480}},
        {{632, 480}, 640, 480, false, 0.0, {0, 3, 632, 474}},
        // fitted to height first, then corrected to width
        {{1000, 950}, 100, 90, false, 0.0, {0, 25, 1000, 900}},
        {{632, 480}, 1920, 1080, false, 0.0, {0, 62, 632, 355}},
        // fixed zoom, beyond the panel with negative offsets
        {{632, 480}, 704, 576, true, 0.5, {140, 96, 352, 288}},
        {{632, 480}, 704, 576, true, 1.0, {-36, -48, 704, 576}},
        {{632, 480}, 704, 576, true, 2.0, {-388, -336, 1408, 1152}},
        {{632, 480}, 353, 289, true, 0.5, {228, 168, 176, 144}},
        // an empty panel
        {{0, 0}, 704, 576, false, 0.0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        QRect bounds;
        ASSERT_TRUE(VideoBounds(c.Width, c.Height, c.Panel, c.Fixed, c.Zoom, bounds));
        EXPECT_EQ(bounds, c.Expected) << c.Width << "x" << c.Height << " on " << c.Panel.width() << "x"
                                      << c.Panel.height() << " zoom " << c.Zoom;
    }
}

TEST(VideoBoundsTest, PictureWithoutSizeIsNotLaidOut)
{
    const std::pair<int32_t, int32_t> sizes[] = {{0, 576}, {704, 0}, {-704, 576}, {704, -1}, {0, 0}};
    for (const auto& [w, h] : sizes) {
        for (bool fixed : {false, true}) {
            QRect bounds(1, 2, 3, 4);
            EXPECT_FALSE(VideoBounds(w, h, QSize(632, 480), fixed, 1.0, bounds)) << w << "x" << h;
            EXPECT_EQ(bounds, QRect(1, 2, 3, 4));
        }
    }
}

TEST(VideoBoundsTest, PauseBoxIsCentred)
{
    EXPECT_EQ(CenteredBox(QSize(632, 480), QSize(64, 64)), QRect(284, 208, 64, 64));
    EXPECT_EQ(CenteredBox(QSize(40, 30), QSize(64, 64)), QRect(-12, -17, 64, 64));
}

class ViewTest : public PlayerTest {
protected:
    void SetUp() override
    {
        Form.resize(800, 600);
        Form.show();
        QCoreApplication::processEvents();
    }

    QRect Expected(int32_t w, int32_t h) const
    {
        QRect bounds;
        EXPECT_TRUE(VideoBounds(w, h, Child<QWidget>(Form, "pnlVideo")->size(), Form.Settings().FixedZoom, Form.Settings().ZoomFactor, bounds));
        return bounds;
    }

    TFragmentPlan Sized(int32_t w, int32_t h) const
    {
        TFragmentPlan plan = Frames(2);
        plan.Width = w;
        plan.Height = h;
        return plan;
    }
};

TEST_F(ViewTest, LoadLaysOutForTheHeaderSize)
{
    ASSERT_TRUE(Load(Sized(704, 576)));
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), Expected(704, 576));
    EXPECT_TRUE(Child<TPictureView>(Form, "imgVideo")->Stretch());
    EXPECT_EQ(Child<TPauseBox>(Form, "pbxPause")->geometry(), CenteredBox(Child<QWidget>(Form, "pnlVideo")->size(), QSize(64, 64)));
}

TEST_F(ViewTest, ResizingRelaysThePicture)
{
    ASSERT_TRUE(Load(Sized(704, 576)));
    Form.resize(500, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), Expected(704, 576));
    EXPECT_EQ(Child<TPauseBox>(Form, "pbxPause")->geometry(), CenteredBox(Child<QWidget>(Form, "pnlVideo")->size(), QSize(64, 64)));
}

TEST_F(ViewTest, ZoomCommandsMarkOneChoiceAndLayOut)
{
    ASSERT_TRUE(Load(Sized(704, 576)));
    const std::pair<QAction*, double> zooms[] = {
        {Child(Form, "actZoom50"), 0.5}, {Child(Form, "actZoom200"), 2.0}, {Child(Form, "actZoom100"), 1.0}, {Child(Form, "actZoomFree"), 0.0}};
    for (const auto& [action, factor] : zooms) {
        SCOPED_TRACE(action->objectName().toStdString());
        action->trigger();
        EXPECT_EQ(Form.Settings().FixedZoom, factor != 0.0);
        EXPECT_EQ(Form.Settings().ZoomFactor, factor);
        EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), Expected(704, 576));
        for (QAction* zoom : {Child(Form, "actZoom50"), Child(Form, "actZoom100"), Child(Form, "actZoom200"), Child(Form, "actZoomFree")})
            EXPECT_EQ(zoom->isChecked(), zoom == action) << zoom->objectName().toStdString();
    }
}

TEST_F(ViewTest, ZoomSurvivesALoad)
{
    Child(Form, "actZoom200")->trigger();
    ASSERT_TRUE(Load(Sized(100, 80)));
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry().size(), QSize(200, 160));
}

TEST_F(ViewTest, ZoomWithoutFragmentOnlyMovesTheMark)
{
    const QRect before = Child<TPictureView>(Form, "imgVideo")->geometry();
    Child(Form, "actZoom50")->trigger();
    EXPECT_TRUE(Child(Form, "actZoom50")->isChecked());
    EXPECT_FALSE(Child(Form, "actZoomFree")->isChecked());
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), before);
}

TEST_F(ViewTest, StretchFillsThePanelAndNormalSizeRestoresTheLayout)
{
    ASSERT_TRUE(Load(Sized(704, 576)));
    Child(Form, "actZoom50")->trigger();
    Child(Form, "actStretch")->trigger();
    EXPECT_FALSE(Form.Settings().KeepProportions);
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), Child<QWidget>(Form, "pnlVideo")->rect());
    EXPECT_TRUE(Child<TPictureView>(Form, "imgVideo")->Stretch());
    EXPECT_EQ(Child<TActionButton>(Form, "tbtnResizeFrame")->Action(), Child(Form, "actNormalSize"));
    // While stretched a zoom is marked and stored but not shown.
    Child(Form, "actZoom200")->trigger();
    EXPECT_TRUE(Child(Form, "actZoom200")->isChecked());
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), Child<QWidget>(Form, "pnlVideo")->rect());
    Form.resize(700, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), Child<QWidget>(Form, "pnlVideo")->rect());

    Child(Form, "actNormalSize")->trigger();
    EXPECT_TRUE(Form.Settings().KeepProportions);
    EXPECT_FALSE(Child<TPictureView>(Form, "imgVideo")->Stretch());
    EXPECT_EQ(Child<TActionButton>(Form, "tbtnResizeFrame")->Action(), Child(Form, "actStretch"));
    for (QAction* zoom : {Child(Form, "actZoom50"), Child(Form, "actZoom100"), Child(Form, "actZoom200"), Child(Form, "actZoomFree")})
        EXPECT_FALSE(zoom->isChecked()) << zoom->objectName().toStdString();
    EXPECT_EQ(Form.Settings().ZoomFactor, 2.0); // the last zoom applies again
    EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), Expected(704, 576));
}

TEST_F(ViewTest, NormalSizeInTheLaidOutModeChangesNothing)
{
    Child(Form, "actZoom200")->trigger();
    Child(Form, "actNormalSize")->trigger();
    EXPECT_TRUE(Child(Form, "actZoom200")->isChecked());
    EXPECT_TRUE(Child<TPictureView>(Form, "imgVideo")->Stretch());
}

TEST_F(ViewTest, HeaderWithoutSizeLeavesThePictureControlAsItWas)
{
    ASSERT_TRUE(Load(Sized(704, 576)));
    const QRect before = Child<TPictureView>(Form, "imgVideo")->geometry();
    for (const auto& [w, h] : {std::pair{0, 576}, std::pair{704, 0}, std::pair{-5, -5}}) {
        ASSERT_TRUE(Load(Sized(w, h)));
        EXPECT_EQ(Child<TPictureView>(Form, "imgVideo")->geometry(), before);
        EXPECT_EQ(ShownFrame(), 0);
    }
}
