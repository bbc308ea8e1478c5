// The playback speed in the window: the drop-down button after the zoom
// button with its seven choices and the current one checked and shown, its
// keys ("]" faster, "[" slower, Backspace x1), its availability, a speed
// that stays when another fragment is opened, and playback at x16 that
// passes over frames up to the last one.
#include "playerfixture.h"
#include "children.h"

#include "core/streams.h"
#include "manager/fragment.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

const char* const SpeedCaptions[] = {"×¼", "×½", "×1", "×2", "×4", "×8", "×16"};

// The caption of the checked choice, and how many are checked.
std::pair<std::string, int> CheckedSpeed(const TVPlayerForm& form)
{
    std::string caption;
    int checked = 0;
    for (QAction* item : form.pmSpeed->actions()) {
        if (item->isChecked()) {
            caption = item->text().toStdString();
            ++checked;
        }
    }
    return {caption, checked};
}

class SpeedTest : public PlayerTest {
protected:
    void ExpectSpeed(const char* caption)
    {
        EXPECT_EQ(CheckedSpeed(Form), std::make_pair(std::string(caption), 1));
        EXPECT_EQ(Form.tbtnSpeed->text().toStdString(), caption);
    }
};

} // namespace

TEST_F(SpeedTest, TheButtonFollowsTheZoomButtonAndListsTheSpeeds)
{
    ASSERT_NE(Form.tbtnSpeed, nullptr);
    EXPECT_EQ(Form.tbtnSpeed->objectName().toStdString(), "tbtnSpeed");
    const QList<QAction*> entries = Form.tbrView->actions();
    int zoom = -1, speed = -1;
    for (int i = 0; i < entries.size(); ++i) {
        if (Form.tbrView->widgetForAction(entries[i]) == Form.tbtnZoomFragment)
            zoom = i;
        if (Form.tbrView->widgetForAction(entries[i]) == Form.tbtnSpeed)
            speed = i;
    }
    EXPECT_EQ(speed, zoom + 1);
    EXPECT_EQ(Form.tbtnSpeed->menu(), Form.pmSpeed);
    EXPECT_EQ(Form.tbtnSpeed->toolTip().toStdString(), "Скорость воспроизведения");
    const QList<QAction*> items = Form.pmSpeed->actions();
    ASSERT_EQ(items.size(), static_cast<qsizetype>(std::size(SpeedCaptions)));
    for (int i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->text().toStdString(), SpeedCaptions[i]);
        EXPECT_TRUE(items[i]->isCheckable());
        EXPECT_EQ(items[i]->property("category").toString(), QStringLiteral("Speed"));
    }
    ExpectSpeed("×1");
    EXPECT_EQ(Form.Speed(), TPlaybackSpeed::Normal);

    // Not without a fragment; with one, also while playing.
    EXPECT_FALSE(Form.tbtnSpeed->isEnabled());
    ASSERT_TRUE(Load(Frames(4, -1)));
    EXPECT_TRUE(Form.tbtnSpeed->isEnabled());
    bool enabledWhilePlaying = false;
    TPassObserver observer(Child(Form, "actStop"), [&](int) {
        enabledWhilePlaying = Form.tbtnSpeed->isEnabled() && Child(Form, "actSpeed16")->isEnabled();
        Child(Form, "actStop")->trigger();
    });
    Child(Form, "actPlay")->trigger();
    EXPECT_TRUE(enabledWhilePlaying);

    items[5]->trigger();
    ExpectSpeed("×8");
    EXPECT_EQ(Form.Speed(), TPlaybackSpeed::Times8);
}

TEST_F(SpeedTest, TheSpeedStaysWhenAnotherFragmentIsOpened)
{
    ASSERT_TRUE(Load(Frames(3)));
    Child(Form, "actSpeed4")->trigger();
    // Another stream, a fetched archive fragment, a file.
    ASSERT_TRUE(Load(Frames(5)));
    ExpectSpeed("×4");
    TFragment fetched;
    auto bytes = BuildFragment(Frames(2));
    fetched.Data = TSharedBytes::Take(*bytes);
    ASSERT_TRUE(Form.LoadFragment(&fetched));
    ExpectSpeed("×4");
    ASSERT_TRUE(Form.LoadFile(WriteFragmentFile(QStringLiteral("speed.mjpg"), Frames(2))));
    ExpectSpeed("×4");
    EXPECT_EQ(Form.Speed(), TPlaybackSpeed::Times4);
}

TEST_F(SpeedTest, AtSixteenTimesFramesArePassedOverUpToTheLastOne)
{
    // 25 fps at x16: 400 frames a second, at most 60 pictures. (The solid
    // pictures tell indexes up to 24.)
    constexpr int Count = 24;
    ASSERT_TRUE(Load(Frames(Count, 25)));
    Child(Form, "actSpeed16")->trigger();
    std::vector<int> seen;
    TPassObserver observer(Child(Form, "actStop"), [&](int) {
        if (seen.empty() || seen.back() != Form.FramePos.Index)
            seen.push_back(Form.FramePos.Index);
    });
    Child(Form, "actPlay")->trigger();
    observer.Finish();
    EXPECT_FALSE(observer.TimedOut);
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.Index, Count - 1);
    EXPECT_EQ(ShownFrame(), Count - 1);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_LT(seen.size(), static_cast<size_t>(Count / 2)) << "frames passed over";
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

namespace {

class SpeedKeysTest : public SpeedTest {
protected:
    void SetUp() override { ASSERT_TRUE(ShowActive()) << "shortcuts need the window active"; }
};

} // namespace

TEST_F(SpeedKeysTest, BracketsStepThroughTheSpeedsAndBackspaceGoesBackToNormal)
{
    Press(Qt::Key_BracketRight);
    ExpectSpeed("×1"); // nothing without a fragment
    ASSERT_TRUE(Load(Frames(3)));
    const struct {
        Qt::Key Key;
        const char* Speed;
    } rows[] = {
        {Qt::Key_BracketRight, "×2"}, {Qt::Key_BracketRight, "×4"},  {Qt::Key_BracketRight, "×8"},
        {Qt::Key_BracketRight, "×16"}, {Qt::Key_BracketRight, "×16"}, {Qt::Key_Backspace, "×1"},
        {Qt::Key_BracketLeft, "×½"},  {Qt::Key_BracketLeft, "×¼"},  {Qt::Key_BracketLeft, "×¼"},
        {Qt::Key_Backspace, "×1"},
    };
    for (const auto& row : rows) {
        Press(row.Key);
        SCOPED_TRACE(QKeySequence(row.Key).toString().toStdString());
        ExpectSpeed(row.Speed);
    }
}
