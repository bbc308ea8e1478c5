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
    for (QAction* item : Child<QMenu>(form, "pmSpeed")->actions()) {
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
        EXPECT_EQ(Child<QToolButton>(Form, "tbtnSpeed")->text().toStdString(), caption);
    }
};

} // namespace

TEST_F(SpeedTest, TheButtonFollowsTheZoomButtonAndListsTheSpeeds)
{
    ASSERT_NE(Child<QToolButton>(Form, "tbtnSpeed"), nullptr);
    EXPECT_EQ(Child<QToolButton>(Form, "tbtnSpeed")->objectName().toStdString(), "tbtnSpeed");
    const QList<QAction*> entries = Child<QToolBar>(Form, "tbrView")->actions();
    int zoom = -1, speed = -1;
    for (int i = 0; i < entries.size(); ++i) {
        if (Child<QToolBar>(Form, "tbrView")->widgetForAction(entries[i]) == Child<QToolButton>(Form, "tbtnZoomFragment"))
            zoom = i;
        if (Child<QToolBar>(Form, "tbrView")->widgetForAction(entries[i]) == Child<QToolButton>(Form, "tbtnSpeed"))
            speed = i;
    }
    EXPECT_EQ(speed, zoom + 1);
    EXPECT_EQ(Child<QToolButton>(Form, "tbtnSpeed")->menu(), Child<QMenu>(Form, "pmSpeed"));
    EXPECT_EQ(Child<QToolButton>(Form, "tbtnSpeed")->toolTip().toStdString(), "Скорость воспроизведения");
    const QList<QAction*> items = Child<QMenu>(Form, "pmSpeed")->actions();
    ASSERT_EQ(items.size(), static_cast<qsizetype>(std::size(SpeedCaptions)));
    for (int i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->text().toStdString(), SpeedCaptions[i]);
        EXPECT_TRUE(items[i]->isCheckable());
        EXPECT_EQ(items[i]->property("category").toString(), QStringLiteral("Speed"));
    }
    ExpectSpeed("×1");
    EXPECT_EQ(Form.Speed(), TPlaybackSpeed::Normal);

    // Not without a fragment; with one, also while playing.
    EXPECT_FALSE(Child<QToolButton>(Form, "tbtnSpeed")->isEnabled());
    ASSERT_TRUE(Load(Frames(4, -1)));
    EXPECT_TRUE(Child<QToolButton>(Form, "tbtnSpeed")->isEnabled());
    bool enabledWhilePlaying = false;
    TPassObserver observer(Child(Form, "actStop"), [&](int) {
        enabledWhilePlaying = Child<QToolButton>(Form, "tbtnSpeed")->isEnabled() && Child(Form, "actSpeed16")->isEnabled();
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

namespace {

// Chooses an entry of a drop-down button's menu as a user does: the menu
// opened under its button, a click on the entry.
void ChooseFromMenu(QToolButton* button, QAction* entry)
{
    QMenu* menu = button->menu();
    ASSERT_NE(menu, nullptr);
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    const QRect place = menu->actionGeometry(entry);
    ASSERT_FALSE(place.isEmpty()) << entry->text().toStdString();
    QTest::mouseClick(menu, Qt::LeftButton, {}, place.center());
    QCoreApplication::processEvents();
    EXPECT_FALSE(menu->isVisible());
}

// The checked entries of a menu.
std::vector<QAction*> Checked(const QMenu* menu)
{
    std::vector<QAction*> checked;
    for (QAction* entry : menu->actions())
        if (entry->isChecked())
            checked.push_back(entry);
    return checked;
}

} // namespace

TEST_F(SpeedTest, EveryEntryOfTheSpeedMenuSetsItsSpeedAndCheckMark)
{
    ASSERT_TRUE(Load(Frames(3)));
    const struct {
        const char* Caption;
        TPlaybackSpeed Speed;
    } rows[] = {
        {"×¼", TPlaybackSpeed::Quarter}, {"×½", TPlaybackSpeed::Half},    {"×1", TPlaybackSpeed::Normal},
        {"×2", TPlaybackSpeed::Double},  {"×4", TPlaybackSpeed::Times4},  {"×8", TPlaybackSpeed::Times8},
        {"×16", TPlaybackSpeed::Times16},
    };
    const QList<QAction*> entries = Child<QMenu>(Form, "pmSpeed")->actions();
    ASSERT_EQ(entries.size(), static_cast<qsizetype>(std::size(rows)));
    // Each entry from another one, backwards and forwards, and chosen again.
    std::vector<int> order;
    for (int i = static_cast<int>(std::size(rows)) - 1; i >= 0; --i)
        order.push_back(i);
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i)
        order.insert(order.end(), {i, i});
    for (int i : order) {
        SCOPED_TRACE(rows[i].Caption);
        ASSERT_EQ(entries[i]->text().toStdString(), rows[i].Caption);
        ChooseFromMenu(Child<QToolButton>(Form, "tbtnSpeed"), entries[i]);
        EXPECT_EQ(Form.Speed(), rows[i].Speed);
        EXPECT_EQ(Checked(Child<QMenu>(Form, "pmSpeed")), std::vector<QAction*>{entries[i]});
        ExpectSpeed(rows[i].Caption);
    }
}

TEST_F(SpeedTest, EveryEntryOfTheZoomMenuSetsItsZoomAndCheckMark)
{
    ASSERT_TRUE(Load(Frames(3)));
    const int32_t width = Form.Image->Header->Width;
    const int32_t height = Form.Image->Header->Height;
    const struct {
        const char* Caption;
        bool Fixed;
        double Factor;
    } rows[] = {
        {"50%", true, 0.5}, {"100%", true, 1.0}, {"200%", true, 2.0}, {"По размеру окна", false, 0.0},
    };
    std::vector<QAction*> entries;
    for (QAction* entry : Child<QMenu>(Form, "pmFrameZoom")->actions())
        if (!entry->isSeparator())
            entries.push_back(entry);
    ASSERT_EQ(entries.size(), std::size(rows));
    auto* picture = Child<TPictureView>(Form, "imgVideo");
    auto* panel = Child<QWidget>(Form, "pnlVideo");
    for (int i : {3, 2, 1, 0, 0, 1, 1, 2, 3, 3}) {
        SCOPED_TRACE(rows[i].Caption);
        ASSERT_EQ(entries[i]->text().toStdString(), rows[i].Caption);
        ChooseFromMenu(Child<QToolButton>(Form, "tbtnZoomFragment"), entries[i]);
        EXPECT_EQ(Form.Settings().FixedZoom, rows[i].Fixed);
        EXPECT_EQ(Form.Settings().ZoomFactor, rows[i].Factor);
        EXPECT_EQ(Checked(Child<QMenu>(Form, "pmFrameZoom")), std::vector<QAction*>{entries[i]});
        if (rows[i].Fixed) {
            EXPECT_EQ(picture->size(), QSize(static_cast<int>(width * rows[i].Factor),
                                             static_cast<int>(height * rows[i].Factor)));
        } else {
            EXPECT_TRUE(picture->size().width() == panel->width() || picture->size().height() == panel->height());
        }
    }
    // The speed stays whatever the zoom.
    EXPECT_EQ(Form.Speed(), TPlaybackSpeed::Normal);
}
