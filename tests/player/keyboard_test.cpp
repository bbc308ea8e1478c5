// Keys of desktop players over the player's commands: Space plays and
// pauses, Left and Right step, Home and End go to the first and last frame;
// a key whose command is not available does nothing.
#include "playerfixture.h"
#include "children.h"

#include <QApplication>
#include <QShortcut>
#include <QTest>

namespace {

class KeyboardTest : public PlayerTest {
protected:
    void SetUp() override { ASSERT_TRUE(ShowActive()) << "shortcuts need the window active"; }
};

} // namespace

TEST_F(KeyboardTest, KeysStepThroughTheFragment)
{
    ASSERT_TRUE(Load(Frames(5, -1)));
    struct TRow {
        Qt::Key Key;
        int Index;
    } rows[] = {
        {Qt::Key_Left, 0},  // at the first frame: "Кадр назад" is not available
        {Qt::Key_Right, 1},
        {Qt::Key_Right, 2},
        {Qt::Key_End, 4},
        {Qt::Key_Right, 4}, // at the last frame
        {Qt::Key_Left, 3},
        {Qt::Key_Home, 0},
    };
    for (const TRow& row : rows) {
        Press(row.Key);
        EXPECT_EQ(Form.FramePos.Index, row.Index) << QKeySequence(row.Key).toString().toStdString();
        EXPECT_EQ(ShownFrame(), row.Index);
    }
    EXPECT_EQ(Form.State, psStopped);
}

TEST_F(KeyboardTest, SpacePlaysAndPauses)
{
    ASSERT_TRUE(Load(Frames(5, -1))); // the loop spins without advancing until stopped
    std::vector<TPlayerState> seen;
    TPassObserver observer(Child(Form, "actStop"), [&](int pass) {
        seen.push_back(Form.State);
        if (pass == 2)
            Press(Qt::Key_Space); // pauses: the loop ends
    });
    Press(Qt::Key_Space);
    observer.Finish();
    EXPECT_FALSE(observer.TimedOut);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), psPlaying);
    EXPECT_EQ(Form.State, psPaused);

    // Paused: Space goes on playing; a step key during playback steps.
    const int before = Form.FramePos.Index;
    int stepped = -1;
    TPassObserver again(Child(Form, "actStop"), [&](int pass) {
        if (pass == 1)
            Press(Qt::Key_Right);
        if (pass == 2) {
            stepped = Form.FramePos.Index;
            Child(Form, "actStop")->trigger();
        }
    });
    Press(Qt::Key_Space);
    again.Finish();
    EXPECT_FALSE(again.TimedOut);
    EXPECT_EQ(stepped, before + 1);
    EXPECT_EQ(Form.State, psStopped);
}

TEST_F(KeyboardTest, NothingHappensWithoutAFragment)
{
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End})
        Press(key);
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_TRUE(Dialogs.Messages.empty());
}
