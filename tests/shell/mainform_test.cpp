// The main window: start-up state, opening files from the menu, the enabling
// of "Открыть" and "О программе..." during playback, and ending the program.
#include "fakedialogs.h"
#include "children.h"
#include "core/readahead.h"
#include "fragmentfiles.h"
#include "overridecursor.h"
#include "passobserver.h"
#include "player/vplayerform.h"
#include "shell/commandline.h"
#include "shell/mainform.h"
#include "shell/startup.h"
#include "uikit/apptitle.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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
    EXPECT_TRUE(Child<QToolBar>(*VPlayerForm, "tbrFile")->isHidden());
    EXPECT_FALSE(Child<QToolBar>(*VPlayerForm, "tbrVideoActions")->isHidden());
    for (QAction* action : {Child(*VPlayerForm, "actShowManager"), Child(*VPlayerForm, "actHideManager"), Child(*VPlayerForm, "actShowDTInterval")})
        EXPECT_FALSE(action->isVisible()) << action->objectName().toStdString();
    EXPECT_EQ(VPlayerForm->Settings().OrganizationName, QStringLiteral("ОАО НПП \"Веларин\""));
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
    for (QAction* play : {Child(*VPlayerForm, "actPlay"), Child(*VPlayerForm, "actPlayBack")}) {
        if (play == Child(*VPlayerForm, "actPlayBack"))
            Child(*VPlayerForm, "actLastFrame")->trigger();
        TPassObserver observer(Child(*VPlayerForm, "actStop"), [&](int pass) {
            seen.push_back({Form.actFileOpen->isEnabled(), Form.actAbout->isEnabled()});
            if (pass == 2)
                Child(*VPlayerForm, "actPause")->trigger();
        });
        play->trigger();
        observer.Finish();
        // Paused: both come back.
        EXPECT_EQ(VPlayerForm->State, psPaused);
        EXPECT_TRUE(Form.actFileOpen->isEnabled());
        EXPECT_TRUE(Form.actAbout->isEnabled());
        Child(*VPlayerForm, "actStop")->trigger();
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
    TPassObserver observer(Child(*VPlayerForm, "actStop"), [&](int pass) {
        if (pass == 2)
            Form.close();
    });
    Child(*VPlayerForm, "actPlay")->trigger();
    observer.Finish();
    EXPECT_FALSE(observer.TimedOut);
    EXPECT_EQ(VPlayerForm->State, psStopped);
    EXPECT_TRUE(Form.Terminated);
    EXPECT_FALSE(Form.isVisible());
}

TEST_F(MainFormTest, TitlesAreExactlyTheCaptions)
{
    // The platform appends Qt's application display name to every window
    // title ("О программе — …"); the program sets none, only its own title.
    SetUpApplication();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    EXPECT_EQ(ApplicationTitle(), QStringLiteral("Проигрыватель видеофайлов MJPG"));
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Проигрыватель видеофайлов MJPG"));
}

TEST_F(MainFormTest, OpensCentredOnTheScreen)
{
    TMainForm form;
    form.show();
    const QRect available = form.screen()->availableGeometry();
    const QSize frame = form.frameGeometry().size() - form.size();
    EXPECT_EQ(form.size(), QSize(800, 600));
    EXPECT_LE(std::abs(form.frameGeometry().center().x() - available.center().x()), frame.width() / 2 + 1);
    EXPECT_LE(std::abs(form.frameGeometry().center().y() - available.center().y()), frame.height() / 2 + 1);
}

TEST(PlayerArguments, AtMostOneFile)
{
    struct TRow {
        QStringList Arguments;
        QString File;
        bool Understood;
    } rows[] = {
        {{}, {}, true},
        {{QStringLiteral("/home/user/Камера 1.mjpg")}, QStringLiteral("/home/user/Камера 1.mjpg"), true},
        {{QStringLiteral("a.mjpg"), QStringLiteral("b.mjpg")}, {}, false},
        {{QStringLiteral("--help")}, {}, false},
        {{QStringLiteral("--"), QStringLiteral("-odd name.mjpg")}, QStringLiteral("-odd name.mjpg"), true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Arguments.join(QLatin1Char(' ')).toStdString());
        const TPlayerArguments parsed = ParsePlayerArguments(QStringList{QStringLiteral("mjpgplayer")} + row.Arguments);
        EXPECT_EQ(parsed.File, row.File);
        EXPECT_EQ(parsed.Problem.isEmpty(), row.Understood);
    }
}

TEST_F(MainFormTest, AFileOnTheCommandLineOpensAtStart)
{
    const QString path = WriteFragmentFile(QStringLiteral("start.mjpg"), PlayableFragment());
    const QString relative = QDir::current().relativeFilePath(path);
    Form.OpenAtStart(relative);
    EXPECT_EQ(VPlayerForm->State, psEmpty); // once the message loop runs
    QCoreApplication::processEvents();
    EXPECT_EQ(VPlayerForm->State, psStopped);
    EXPECT_EQ(Form.StatusPanel1->text(), path); // as the open dialog gives it: the whole path
    EXPECT_TRUE(Dialogs.FileDialogs.empty());
    EXPECT_TRUE(Dialogs.Messages.empty());

    // A file that cannot be opened: the standard error display, as from the menu.
    Form.OpenAtStart(MissingPath(QStringLiteral("gone.mjpg")));
    QCoreApplication::processEvents();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
    EXPECT_EQ(Dialogs.Messages[0].Title, QStringLiteral("Проигрыватель видеофайлов MJPG"));
    EXPECT_EQ(Form.StatusPanel1->text(), path);
}

// The file read ahead while the windows were built is the one opened: its
// bytes are taken (none are left), and the fragment is the file's.
TEST_F(MainFormTest, AFileReadAheadIsOpenedFromTheBytesRead)
{
    const QString path = WriteFragmentFile(QStringLiteral("ahead.mjpg"), PlayableFragment());
    ReadAhead::Start(QFile::encodeName(path).toStdString());
    Form.OpenAtStart(path);
    QCoreApplication::processEvents();
    EXPECT_EQ(VPlayerForm->State, psStopped);
    ASSERT_TRUE(VPlayerForm->Image);
    EXPECT_EQ(VPlayerForm->Image->FrameCount(), 3);
    EXPECT_TRUE(Dialogs.Messages.empty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ReadAhead::Take(file.handle()));
}

namespace {

// A drag of `urls` onto the window, as the platform delivers it.
bool DragAccepted(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    return enter.isAccepted();
}

bool Drop(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents(); // the file opens once the drop is over
    return drop.isAccepted();
}

} // namespace

TEST_F(MainFormTest, ADroppedFragmentOpensLikeOpen)
{
    const QString path = WriteFragmentFile(QStringLiteral("dropped.mjpg"), PlayableFragment());
    const QString other = WriteFragmentFile(QStringLiteral("other.mjpg"), PlayableFragment());
    struct TRow {
        const char* Case;
        QList<QUrl> Urls;
    } refused[] = {
        {"two files", {QUrl::fromLocalFile(path), QUrl::fromLocalFile(other)}},
        {"not a local file", {QUrl(QStringLiteral("https://example.org/a.mjpg"))}},
    };
    for (const TRow& row : refused) {
        SCOPED_TRACE(row.Case);
        EXPECT_FALSE(DragAccepted(&Form, row.Urls));
        EXPECT_FALSE(Drop(&Form, row.Urls));
        EXPECT_EQ(VPlayerForm->State, psEmpty);
    }
    EXPECT_TRUE(Form.acceptDrops());
    EXPECT_TRUE(DragAccepted(&Form, {QUrl::fromLocalFile(path)}));
    EXPECT_TRUE(Drop(&Form, {QUrl::fromLocalFile(path)}));
    EXPECT_EQ(VPlayerForm->State, psStopped);
    EXPECT_EQ(Form.StatusPanel1->text(), path);
}

TEST_F(MainFormTest, NoDropWhilePlaying)
{
    Open(WriteFragmentFile(QStringLiteral("playing.mjpg"), PlayableFragment()));
    const QString other = WriteFragmentFile(QStringLiteral("next.mjpg"), PlayableFragment());
    bool accepted = true, dropped = true;
    TPassObserver observer(Child(*VPlayerForm, "actStop"), [&](int pass) {
        if (pass == 2) {
            accepted = DragAccepted(&Form, {QUrl::fromLocalFile(other)});
            dropped = Drop(&Form, {QUrl::fromLocalFile(other)});
            Child(*VPlayerForm, "actPause")->trigger();
        }
    });
    Child(*VPlayerForm, "actPlay")->trigger();
    observer.Finish();
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(dropped);
    EXPECT_EQ(VPlayerForm->State, psPaused);
    EXPECT_NE(Form.StatusPanel1->text(), other);
}

TEST(DesktopEntry, HandsTheFileToThePlayer)
{
    QFile entry(QStringLiteral(MJPG_DESKTOP_ENTRY));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    // A file manager opens a .mjpg by double click only when the entry takes a file.
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=mjpgplayer %f")));
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=video/x-orvanta-mjpg;")));
}

TEST_F(MainFormTest, AWaitCursorWhileAFragmentLoads)
{
    std::vector<Qt::CursorShape> during;
    QObject::connect(VPlayerForm, &TVPlayerForm::StateChanged, &Form,
                     [&] { during.push_back(OverrideCursorShape()); });
    Open(WriteFragmentFile(QStringLiteral("wait.mjpg"), PlayableFragment()));
    ASSERT_FALSE(during.empty());
    for (Qt::CursorShape shape : during)
        EXPECT_EQ(shape, Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); // gone once it is loaded
    Open(MissingPath(QStringLiteral("gone.mjpg")));        // and when the load fails
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The third panel names the frame on screen and when it was taken; the two
// panels before it keep their texts and widths.
TEST_F(MainFormTest, TheThirdPanelShowsTheFrameOnScreen)
{
    Form.resize(800, 600);
    Form.show();
    EXPECT_TRUE(Form.StatusPanel2->text().isEmpty());
    const QString path = WriteFragmentFile(QStringLiteral("panel.mjpg"), PlayableFragment());
    Open(path);
    const QString first = Form.StatusPanel2->text();
    EXPECT_TRUE(first.startsWith(QStringLiteral("Кадр 0 из "))) << first.toStdString();
    EXPECT_EQ(first, VPlayerForm->FrameText());
    // Shown as plain text, as it is (never read as markup).
    EXPECT_EQ(Form.StatusPanel2->textFormat(), Qt::PlainText);
    Child(*VPlayerForm, "actNextFrame")->trigger();
    EXPECT_EQ(Form.StatusPanel2->text(), VPlayerForm->FrameText());
    EXPECT_NE(Form.StatusPanel2->text(), first);
    EXPECT_EQ(Form.StatusPanel0->text(), QStringLiteral("Файл"));
    EXPECT_EQ(Form.StatusPanel0->width(), 50);
    EXPECT_EQ(Form.StatusPanel1->text(), path);
    EXPECT_GE(Form.StatusPanel1->width(), 50);
    // A label of its own, to the right of the other two.
    EXPECT_GT(Form.StatusPanel2->x(), Form.StatusPanel1->x());
    VPlayerForm->CloseFragment();
    EXPECT_TRUE(Form.StatusPanel2->text().isEmpty());
}

namespace {

// The types of the events a widget receives, in their order.
class TEventTypes : public QObject {
public:
    std::vector<QEvent::Type> Seen;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        Seen.push_back(event->type());
        return false;
    }
};

} // namespace

// A new frame's text is painted in the third panel alone: the status bar is
// not laid out again for it, and every panel keeps its place and size.
TEST_F(MainFormTest, TheThirdPanelChangesWithoutLayingOutTheBar)
{
    Form.resize(800, 600);
    Form.show();
    Open(WriteFragmentFile(QStringLiteral("texts.mjpg"), PlayableFragment()));
    QCoreApplication::processEvents(); // the layouts the load asked for
    const QRect panels[] = {Form.StatusPanel0->geometry(), Form.StatusPanel1->geometry(), Form.StatusPanel2->geometry()};
    TEventTypes events;
    Form.statusBar()->installEventFilter(&events);
    for (const char* step : {"actNextFrame", "actNextFrame", "actPriorFrame", "actLastFrame"}) {
        Child(*VPlayerForm, step)->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(Form.StatusPanel2->text(), VPlayerForm->FrameText()) << step;
    }
    Form.statusBar()->removeEventFilter(&events);
    EXPECT_EQ(std::count(events.Seen.begin(), events.Seen.end(), QEvent::LayoutRequest), 0);
    EXPECT_EQ(Form.StatusPanel0->geometry(), panels[0]);
    EXPECT_EQ(Form.StatusPanel1->geometry(), panels[1]);
    EXPECT_EQ(Form.StatusPanel2->geometry(), panels[2]);
    // A wider window widens the path's panel only.
    Form.resize(900, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form.StatusPanel0->size(), panels[0].size());
    EXPECT_EQ(Form.StatusPanel1->width(), panels[1].width() + 100);
    EXPECT_EQ(Form.StatusPanel2->size(), panels[2].size());
    EXPECT_EQ(Form.StatusPanel2->geometry().right() - Form.statusBar()->width(),
              panels[2].right() - 800);
}
