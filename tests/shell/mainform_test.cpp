// The main window: start-up state, opening files from the menu, the enabling
// of "Открыть" and "О программе..." during playback, and ending the program.
#include "fakedialogs.h"
#include "fragmentfiles.h"
#include "passobserver.h"
#include "player/vplayerform.h"
#include "shell/mainform.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

TFragmentPlan PlayableFragment()
{
    TFragmentPlan plan;
    plan.FPS = -1; // the loop spins without advancing until the test stops it
    plan.Frames.assign(3, true);
    return plan;
}

class MainFormTest : public testing::Test {
protected:
    TFakeDialogs Dialogs;
    TMainForm Form;

    void Open(const QString& path)
    {
        Dialogs.FileAnswers.push_back(path);
        Form.actFileOpen->trigger();
    }
};

} // namespace

TEST_F(MainFormTest, StartsAsAPlainFilePlayer)
{
    ASSERT_NE(VPlayerForm, nullptr);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Проигрыватель видеофайлов MJPG"));
    EXPECT_EQ(VPlayerForm->parentWidget(), Form.pnlDock);
    EXPECT_TRUE(VPlayerForm->tbrFile->isHidden());
    EXPECT_FALSE(VPlayerForm->tbrVideoActions->isHidden());
    for (QAction* action : {VPlayerForm->actShowManager, VPlayerForm->actHideManager, VPlayerForm->actShowDTInterval})
        EXPECT_FALSE(action->isVisible()) << action->objectName().toStdString();
    EXPECT_EQ(VPlayerForm->OrganizationName, QStringLiteral("ОАО НПП \"Веларин\""));
    EXPECT_EQ(Form.StatusPanel0->text(), QStringLiteral("Файл"));
    EXPECT_TRUE(Form.StatusPanel1->text().isEmpty());
    EXPECT_TRUE(Form.actFileOpen->isEnabled());
    EXPECT_TRUE(Form.actAbout->isEnabled());
    EXPECT_EQ(Form.actFileOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(Form.OpenDialog.Title, QStringLiteral("Открыть видеофайл"));
    EXPECT_EQ(Form.OpenDialog.Filter, QStringLiteral("Видеофайлы MJPG|*.mjpg|Все файлы|*.*"));

    // The player fills the window's client area.
    Form.resize(800, 600);
    Form.show();
    EXPECT_EQ(VPlayerForm->geometry(), Form.pnlDock->rect());
}

TEST_F(MainFormTest, OpeningAFragmentShowsItsPath)
{
    const QString path = WriteFragmentFile(QStringLiteral("open.mjpg"), PlayableFragment());
    Open(path);
    EXPECT_EQ(VPlayerForm->State, psStopped);
    EXPECT_EQ(Form.StatusPanel1->text(), path);
    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(MainFormTest, NotAFragmentLeavesNoFragmentButShowsThePath)
{
    const QString path = WriteTextFile(QStringLiteral("notes.txt"), "just some text\r\n");
    Open(path);
    EXPECT_EQ(VPlayerForm->State, psEmpty);
    EXPECT_EQ(VPlayerForm->Image, nullptr);
    EXPECT_EQ(Form.StatusPanel1->text(), path);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(MainFormTest, MissingFileShowsTheSystemErrorAndKeepsTheStatus)
{
    const QString good = WriteFragmentFile(QStringLiteral("good.mjpg"), PlayableFragment());
    Open(good);
    Open(MissingPath(QStringLiteral("gone.mjpg")));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(QStringLiteral("gone.mjpg")));
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(QStringLiteral("No such file or directory")))
        << Dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(Form.StatusPanel1->text(), good);
    EXPECT_EQ(VPlayerForm->Image, nullptr); // the previous fragment is closed all the same
}

TEST_F(MainFormTest, CancelledDialogChangesNothing)
{
    const QString path = WriteFragmentFile(QStringLiteral("keep.mjpg"), PlayableFragment());
    Open(path);
    Open(QString()); // cancel
    EXPECT_EQ(Form.StatusPanel1->text(), path);
    EXPECT_EQ(VPlayerForm->State, psStopped);
}

TEST_F(MainFormTest, OpenAndAboutAreDisabledWhilePlaying)
{
    Open(WriteFragmentFile(QStringLiteral("play.mjpg"), PlayableFragment()));
    struct Seen {
        bool open, about;
    };
    std::vector<Seen> seen;
    for (QAction* play : {VPlayerForm->actPlay, VPlayerForm->actPlayBack}) {
        if (play == VPlayerForm->actPlayBack)
            VPlayerForm->actLastFrame->trigger();
        TPassObserver observer(VPlayerForm->actStop, [&](int pass) {
            seen.push_back({Form.actFileOpen->isEnabled(), Form.actAbout->isEnabled()});
            if (pass == 2)
                VPlayerForm->actPause->trigger();
        });
        play->trigger();
        observer.Finish();
        // Paused: both come back.
        EXPECT_EQ(VPlayerForm->State, psPaused);
        EXPECT_TRUE(Form.actFileOpen->isEnabled());
        EXPECT_TRUE(Form.actAbout->isEnabled());
        VPlayerForm->actStop->trigger();
        EXPECT_TRUE(Form.actFileOpen->isEnabled());
    }
    ASSERT_EQ(seen.size(), 4u);
    for (const Seen& s : seen) {
        EXPECT_FALSE(s.open);
        EXPECT_FALSE(s.about);
    }
}

TEST_F(MainFormTest, ClosingDuringPlaybackStopsItAndEndsTheProgram)
{
    Open(WriteFragmentFile(QStringLiteral("close.mjpg"), PlayableFragment()));
    Form.show();
    TPassObserver observer(VPlayerForm->actStop, [&](int pass) {
        if (pass == 2)
            Form.close();
    });
    VPlayerForm->actPlay->trigger();
    observer.Finish();
    EXPECT_FALSE(observer.TimedOut);
    EXPECT_EQ(VPlayerForm->State, psStopped);
    EXPECT_TRUE(Form.Terminated);
    EXPECT_FALSE(Form.isVisible());
}
