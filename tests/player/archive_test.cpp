// The player's archive functions against the archive server on loopback:
// the interval command with the real dialog, the manager's dock, waiting
// for a fragment with its animation, cancelling, and the messages of failed
// requests.
#include "archive/intervaldialog/dtintervalform.h"
#include "children.h"
#include "archive/qtcompletion/guicompletion.h"
#include "archive/fragmentsaction.h"
#include "archive/workerthread.h"
#include "archivefixtures.h"
#include "demoserverprocess.h"
#include "core/cp1251.h"
#include "fixtures/loopback.h"
#include "player/icons/playericons.h"
#include "manager/fragment.h"
#include "manager/gui/vmanagerform.h"
#include "managerview.h"
#include "modalprobe.h"
#include "player/actionbutton.h"
#include "player/pausebox.h"
#include "playerfixture.h"
#include "pollwait.h"
#include "testauthority.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <system_error>
#include <thread>
#include <map>
#include <memory>

namespace {

// What a timer does when its interval is over: its handler runs.
void Fire(QTimer* timer)
{
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
}

// Runs the cancel command as Esc does; with nothing to cancel (the action
// then unavailable) its handler still runs, and must change nothing.
void RunCancelLoad(TVPlayerForm& form)
{
    QAction* action = Child(form, "actCancelLoad");
    if (action->isEnabled()) {
        action->trigger();
        return;
    }
    action->setEnabled(true);
    action->trigger();
    action->setEnabled(false);
}

const QString Caption = QStringLiteral("Просмотр видеоархива");

class ArchivePlayerTest : public testing::Test {
protected:
    TGuiCompletion Completion; // outlives the workers
    fixture::TScratchFolder Folder;
    std::unique_ptr<TDemoServerProcess> Server;
    TFakeDialogs Dialogs;
    TVPlayerForm Form;
    TVManagerForm& Manager = *Form.ManagerForm();

    void Serve(const std::vector<std::string>& options = {})
    {
        Server.reset();
        Server = std::make_unique<TDemoServerProcess>(Folder.Path(), options);
        Manager.Settings().Host = "127.0.0.1";
        Manager.Settings().Port = Server->Port();
    }

    void AddFragments(int count, int frames = 3)
    {
        for (int issue = 1; issue <= count; ++issue)
            WriteSmallFragment(Folder.Path() / ("12-" + std::to_string(issue) + ".mjpg"),
                               {.Frames = frames, .Event = EncodeDateTime(2007, 11, 15, 9, issue, 0)});
    }

    static bool WaitUntil(const std::function<bool()>& condition, int ms = 10000)
    {
        return QTest::qWaitFor(condition, ms);
    }

    // Runs the interval command; `answer` fills the real dialog and closes it.
    void AskInterval(std::function<void(TDTIntervalForm&)> answer)
    {
        bool shown = false;
        WhenModalIs<TDTIntervalForm>([&](TDTIntervalForm* dialog) {
            shown = true;
            answer(*dialog);
        });
        Child(Form, "actShowDTInterval")->trigger();
        EXPECT_TRUE(shown);
    }

    // Lists the folder through the interval command (no interval).
    void ListAll()
    {
        AskInterval([](TDTIntervalForm& d) { d.btnOk->click(); });
        ASSERT_EQ(Manager.State(), rsIdle);
    }

    // Lists `count` fragments of a server that never answers a video
    // request: a fetch started then waits until it is cancelled.
    void ListWithStalledVideo(int count)
    {
        AddFragments(count);
        Serve({"--stall", "--only", "video"});
        ListAll();
    }

    // Opens list row `row` as a double click does.
    void OpenRow(int row)
    {
        FragmentList(Manager)->setCurrentItem(FragmentList(Manager)->topLevelItem(row));
        OpenSelected(Manager);
    }

    std::vector<std::string> LoggedLines() const
    {
        std::vector<std::string> lines;
        for (const TLoggedRequest& request : Server->Requests())
            lines.push_back(request.Line);
        return lines;
    }

    void ExpectIdleAndEmpty()
    {
        EXPECT_FALSE(Form.Session().Wait().Pending());
        EXPECT_FALSE(Form.Image);
        EXPECT_FALSE(Form.Loading);
        EXPECT_FALSE(Child(Form, "actCancelLoad")->isVisible());
        EXPECT_FALSE(Child(Form, "actCancelLoad")->isEnabled());
        EXPECT_TRUE(Child<QWidget>(Form, "pnlRightDock")->isEnabled());
        EXPECT_FALSE(Child<QTimer>(Form, "tmrStartWait")->isActive());
        EXPECT_FALSE(Child<QTimer>(Form, "tmrPauseAnimation")->isActive());
    }
};

} // namespace

TEST_F(ArchivePlayerTest, CancelInTheIntervalDialogChangesNothing)
{
    AddFragments(2);
    Serve();
    const TDateTime begin = EncodeDateTime(2007, 11, 15, 8, 0, 0);
    Form.Settings().IntervalBegin = begin;
    AskInterval([&](TDTIntervalForm& d) {
        // The stored interval fills the dialog.
        EXPECT_TRUE(d.ckbBegin->isChecked());
        EXPECT_FALSE(d.ckbEnd->isChecked());
        EXPECT_DOUBLE_EQ(d.GetBegin(), begin);
        EXPECT_FALSE(Child(Form, "actShowDTInterval")->isEnabled());
        d.btnCancel->click();
    });
    EXPECT_TRUE(LoggedLines().empty());
    EXPECT_DOUBLE_EQ(Form.Settings().IntervalBegin, begin);
    EXPECT_EQ(Form.Settings().IntervalEnd, 0);
    EXPECT_FALSE(Form.Settings().ManagerVisible);
    EXPECT_TRUE(Child(Form, "actShowDTInterval")->isEnabled());
    EXPECT_EQ(Form.findChild<TDTIntervalForm*>(), nullptr); // the dialog is gone
}

TEST_F(ArchivePlayerTest, ApplyAsksForTheIntervalOrForAllAndStoresIt)
{
    AddFragments(1);
    Serve();
    AskInterval([](TDTIntervalForm& d) {
        d.SetBegin(EncodeDateTime(2007, 11, 15, 8, 0, 0));
        d.SetEnd(EncodeDateTime(2007, 11, 16, 8, 0, 0));
        d.btnOk->click();
    });
    EXPECT_DOUBLE_EQ(Form.Settings().IntervalBegin, EncodeDateTime(2007, 11, 15, 8, 0, 0));
    EXPECT_DOUBLE_EQ(Form.Settings().IntervalEnd, EncodeDateTime(2007, 11, 16, 8, 0, 0));

    // Both ends unticked: the list without an interval, and 0 stored.
    AskInterval([](TDTIntervalForm& d) {
        EXPECT_TRUE(d.ckbBegin->isChecked() && d.ckbEnd->isChecked());
        d.ckbBegin->click();
        d.ckbEnd->click();
        d.btnOk->click();
    });
    EXPECT_EQ(Form.Settings().IntervalBegin, 0);
    EXPECT_EQ(Form.Settings().IntervalEnd, 0);
    EXPECT_EQ(LoggedLines(), std::vector<std::string>({"GET /list?begin=20071115080000&end=20071116080000 HTTP/1.0",
                                                       "GET /list HTTP/1.0"}));
    EXPECT_EQ(Manager.FragmentCount(), 1u);
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_TRUE(Child(Form, "actShowDTInterval")->isEnabled());
}

TEST_F(ArchivePlayerTest, ClearEmptiesTheListStopsEveryRequestAndForgetsTheInterval)
{
    AddFragments(3);
    Serve();
    Form.Settings().IntervalEnd = EncodeDateTime(2007, 11, 16, 8, 0, 0);
    AskInterval([](TDTIntervalForm& d) { d.btnOk->click(); });
    ASSERT_EQ(Manager.FragmentCount(), 3u);
    ASSERT_EQ(Manager.RequestCount(), 3u);

    AskInterval([](TDTIntervalForm& d) { d.btnIgnore->click(); });
    EXPECT_EQ(Manager.FragmentCount(), 0u);
    EXPECT_EQ(FragmentList(Manager)->topLevelItemCount(), 0);
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_EQ(Form.Settings().IntervalBegin, 0);
    EXPECT_EQ(Form.Settings().IntervalEnd, 0);
    EXPECT_EQ(LoggedLines().size(), 1u);
    AskInterval([](TDTIntervalForm& d) {
        EXPECT_FALSE(d.ckbBegin->isChecked());
        EXPECT_FALSE(d.ckbEnd->isChecked());
        d.btnCancel->click();
    });
}

TEST_F(ArchivePlayerTest, TheManagerIsShownForTwoFragmentsOrMoreOnly)
{
    AddFragments(1);
    Serve();
    ListAll();
    EXPECT_EQ(Manager.FragmentCount(), 1u);
    EXPECT_FALSE(Form.Settings().ManagerVisible);
    EXPECT_TRUE(Child<QWidget>(Form, "pnlRightDock")->isHidden());

    AddFragments(2);
    ListAll();
    EXPECT_EQ(Manager.FragmentCount(), 2u);
    EXPECT_TRUE(Form.Settings().ManagerVisible);
    EXPECT_FALSE(Child<QWidget>(Form, "pnlRightDock")->isHidden());
    EXPECT_EQ(Manager.parentWidget(), Child<QWidget>(Form, "pnlRightDock"));
    EXPECT_EQ(Child<TActionButton>(Form, "tbtnViewManager")->Action(), Child(Form, "actHideManager"));
    EXPECT_TRUE(Child<TActionButton>(Form, "tbtnViewManager")->isDown());
}

TEST_F(ArchivePlayerTest, HidingAndShowingTheManagerKeepsTheDockWidth)
{
    Form.resize(900, 600);
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    Child(Form, "actShowManager")->trigger();
    ASSERT_TRUE(Form.Settings().ManagerVisible);
    QTest::qWait(0);
    EXPECT_EQ(Child<QWidget>(Form, "pnlRightDock")->width(), 230);

    // The user drags the splitter; the button hides, then shows the dock.
    const int total = Child<QSplitter>(Form, "RightSplitter")->width() - Child<QSplitter>(Form, "RightSplitter")->handleWidth();
    Child<QSplitter>(Form, "RightSplitter")->setSizes({total - 310, 310});
    Child<TActionButton>(Form, "tbtnViewManager")->click();
    EXPECT_FALSE(Form.Settings().ManagerVisible);
    EXPECT_TRUE(Child<QWidget>(Form, "pnlRightDock")->isHidden());
    EXPECT_FALSE(Manager.isVisible());
    EXPECT_EQ(Form.Settings().ManagerWidth, 310);
    EXPECT_EQ(Child<TActionButton>(Form, "tbtnViewManager")->Action(), Child(Form, "actShowManager"));
    EXPECT_FALSE(Child<TActionButton>(Form, "tbtnViewManager")->isDown());
    Child<TActionButton>(Form, "tbtnViewManager")->click();
    EXPECT_TRUE(Form.Settings().ManagerVisible);
    EXPECT_TRUE(Manager.isVisible());
    EXPECT_EQ(Child<QWidget>(Form, "pnlRightDock")->width(), 310);
}

TEST_F(ArchivePlayerTest, TheManagerButtonLooksPressedWhileTheManagerIsShown)
{
    Form.resize(900, 600);
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    TActionButton* button = Child<TActionButton>(Form, "tbtnViewManager");
    const QImage released = button->grab().toImage();
    Child(Form, "actShowManager")->trigger();
    ASSERT_TRUE(Form.Settings().ManagerVisible);
    ASSERT_TRUE(button->isDown());
    const QImage pressed = button->grab().toImage();
    ASSERT_NE(pressed, released);

    // A press dragged off the button and let go there clicks nothing.
    const auto pressAndDragOff = [button] {
        const QPoint inside = button->rect().center();
        const QPoint outside(button->width() + 20, inside.y());
        QTest::mousePress(button, Qt::LeftButton, {}, inside);
        QMouseEvent move(QEvent::MouseMove, QPointF(outside), QPointF(button->mapToGlobal(outside)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move);
        QTest::mouseRelease(button, Qt::LeftButton, {}, outside);
    };
    pressAndDragOff();
    EXPECT_TRUE(Form.Settings().ManagerVisible);
    EXPECT_EQ(button->Action(), Child(Form, "actHideManager"));
    EXPECT_TRUE(button->isDown());
    EXPECT_EQ(button->grab().toImage(), pressed);

    // Disabled and enabled again, it is still down.
    Child(Form, "actHideManager")->setEnabled(false);
    Child(Form, "actHideManager")->setEnabled(true);
    EXPECT_TRUE(button->isDown());

    // Hidden, the same gesture leaves it up.
    button->click();
    ASSERT_FALSE(Form.Settings().ManagerVisible);
    EXPECT_FALSE(button->isDown());
    pressAndDragOff();
    EXPECT_FALSE(Form.Settings().ManagerVisible);
    EXPECT_FALSE(button->isDown());
    EXPECT_EQ(button->grab().toImage(), released);
}

TEST_F(ArchivePlayerTest, AListOverTheLimitShowsTheWarningAloneAndIsStillFilled)
{
    Serve({"--list-lines", "60"});
    ListAll();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Превышено максимально допустимое число запрашиваемых "
                                                        "видеофрагментов!\nБудут загружены первые 50 фрагмент(а/ов)."));
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Warning);
    EXPECT_EQ(Dialogs.Messages[0].Title, Caption);
    EXPECT_EQ(Manager.FragmentCount(), 50u);
    EXPECT_TRUE(Form.Settings().ManagerVisible);
}

TEST_F(ArchivePlayerTest, AListRequestThatFailsOnTheWayShowsNothing)
{
    Manager.Settings().Host = "127.0.0.1";
    Manager.Settings().Port = fixture::FreeLoopbackPort();
    ListAll();
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(Manager.FragmentCount(), 0u);
}

TEST_F(ArchivePlayerTest, AFetchAnsweredWith404IsReportedInTwoLinesAndEmptiesThePlayer)
{
    AddFragments(2);
    Serve({"--status", "404", "--only", "video"});
    ListAll();
    // A fragment on screen before the fetch goes too.
    ASSERT_TRUE(LoadInto(Form, Frames(3)));
    OpenRow(0);
    EXPECT_EQ(Form.Session().Wait().Pending(), Manager.KeyOf(*Manager.FragmentAt(0)));
    EXPECT_TRUE(Form.Loading);
    ASSERT_TRUE(WaitUntil([&] { return !Form.Loading; }));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Не могу загрузить видеофрагмент!\nНичего не найдено по запросу."));
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Information);
    EXPECT_EQ(Dialogs.Messages[0].Title, Caption);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgButtons(mbOK));
    ExpectIdleAndEmpty();
    EXPECT_EQ(Form.State, psStopped); // the wait ended without a cancel
}

TEST_F(ArchivePlayerTest, TheMessagesAppearAsRealMessageBoxes)
{
    SetDialogs(nullptr); // the real ones
    AddFragments(1);
    Serve({"--user", "operator"}); // the password is not given: 401
    struct TShown {
        QString Title, Text;
        QMessageBox::Icon Icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons Buttons;
    } shown;
    WhenModalIs<TDTIntervalForm>([&](TDTIntervalForm* dialog) {
        dialog->btnOk->click();
        WhenModalIs<QMessageBox>([&](QMessageBox* message) {
            shown = {message->windowTitle(), message->text(), message->icon(), message->standardButtons()};
            message->button(QMessageBox::Ok)->click();
        });
    });
    Child(Form, "actShowDTInterval")->trigger();
    EXPECT_EQ(shown.Title, Caption);
    EXPECT_EQ(shown.Text, QStringLiteral("Не могу загрузить список видеофрагментов!\nТребуется аутентификация "
                                         "пользователя или указаны неверные имя пользователя/пароль."));
    EXPECT_EQ(shown.Icon, QMessageBox::Critical);
    EXPECT_EQ(shown.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    SetDialogs(&Dialogs);
}

TEST_F(ArchivePlayerTest, EscDuringAStalledFetchEndsTheWaitSilently)
{
    ListWithStalledVideo(2);
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    ASSERT_TRUE(LoadInto(Form, Frames(3)));
    OpenRow(1);
    ASSERT_TRUE(Form.Loading);
    EXPECT_TRUE(Child(Form, "actCancelLoad")->isVisible());
    EXPECT_TRUE(Child(Form, "actCancelLoad")->isEnabled());
    EXPECT_FALSE(Child<QWidget>(Form, "pnlRightDock")->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return LoggedLines().size() == 2; })); // the fetch is on its way

    QTest::keyClick(&Form, Qt::Key_Escape);
    ExpectIdleAndEmpty();
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(Manager.FindVideoRequest(12, 2), nullptr);
    EXPECT_EQ(Manager.FragmentAt(1)->Data.Size(), 0);
    // Esc with nothing pending does nothing.
    RunCancelLoad(Form);
    EXPECT_EQ(Form.State, psEmpty);
}

TEST_F(ArchivePlayerTest, ASecondRequestWhileOneIsPendingIsNotWaitedForNorPlayed)
{
    AddFragments(2);
    Serve({"--delay", "300", "--only", "video"});
    ListAll();
    TFragment* first = Manager.FragmentAt(0);
    TFragment* second = Manager.FragmentAt(1);
    OpenRow(0);
    ASSERT_EQ(Form.Session().Wait().Pending(), Manager.KeyOf(*first));
    Manager.FetchFragment(second, false);
    EXPECT_EQ(Form.Session().Wait().Pending(), Manager.KeyOf(*first));

    // Both arrived and the first one's playing (queued after its
    // completion) has run.
    ASSERT_TRUE(WaitUntil([&] {
        return first->Data.Size() > 0 && second->Data.Size() > 0 && !Form.Session().Wait().Delivered() &&
               !IsPlaying(Form.State);
    }));
    EXPECT_EQ(Form.Session().Source().Issue, first->Issue);
    EXPECT_EQ(Form.Session().Source().SerialNumber, first->SerialNumber);
    EXPECT_TRUE(Form.Image);
    EXPECT_FALSE(Form.Session().Wait().Pending());
    EXPECT_FALSE(Form.Loading);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(ArchivePlayerTest, AFetchedFragmentIsPlayedAndOpeningItAgainPlaysItWithoutARequest)
{
    AddFragments(2, 2);
    Serve();
    ListAll();
    OpenRow(1);
    ASSERT_TRUE(WaitUntil([&] { return Form.Image && !Form.Loading && !IsPlaying(Form.State); }));
    EXPECT_EQ(Form.Session().Source().Issue, 2);
    EXPECT_EQ(Form.Session().Source().SerialNumber, 12);
    const size_t requests = LoggedLines().size();

    Form.CloseFragment();
    OpenRow(1); // fetched: played straight away
    EXPECT_TRUE(Form.Image);
    EXPECT_EQ(Form.Session().Source().Issue, 2);
    EXPECT_EQ(LoggedLines().size(), requests);
    EXPECT_FALSE(Form.Session().Wait().Pending());
}

TEST_F(ArchivePlayerTest, TheStartTimerFetchesAndPlaysTheFirstFragment)
{
    AddFragments(2, 2);
    Serve();
    ListAll();
    Child<QTimer>(Form, "Timer1")->start();
    Fire(Child<QTimer>(Form, "Timer1"));
    EXPECT_FALSE(Child<QTimer>(Form, "Timer1")->isActive());
    EXPECT_EQ(Form.Session().Wait().Pending(), Manager.KeyOf(*Manager.FragmentAt(0)));
    ASSERT_TRUE(WaitUntil([&] { return Form.Image && !Form.Loading; }));
    EXPECT_EQ(Form.Session().Source().Issue, 1);
}

TEST_F(ArchivePlayerTest, TheAnimationShowsItsPicturesInTurnAcrossWaits)
{
    ListWithStalledVideo(1);
    AnimationFrame = 0;
    const auto shownPicture = [&] {
        const QImage shown = Child<TPauseBox>(Form, "pbxPause")->Picture().toImage();
        for (int i = 0; i < PauseAnimationFrameCount; ++i)
            if (shown == PauseAnimationFrame(i).toImage())
                return i;
        return -1;
    };
    std::vector<int> order;
    for (int wait = 0; wait < 2; ++wait) {
        OpenRow(0); // fetched anew each time: the wait begins
        ASSERT_TRUE(Form.Loading);
        EXPECT_TRUE(Child<QTimer>(Form, "tmrStartWait")->isActive());
        EXPECT_FALSE(Child<QTimer>(Form, "tmrPauseAnimation")->isActive()); // nothing in the first half second
        EXPECT_TRUE(Child<TPauseBox>(Form, "pbxPause")->Picture().isNull());
        Fire(Child<QTimer>(Form, "tmrStartWait"));
        EXPECT_FALSE(Child<QTimer>(Form, "tmrStartWait")->isActive());
        EXPECT_TRUE(Child<QTimer>(Form, "tmrPauseAnimation")->isActive());
        for (int step = 0; step < 5; ++step) {
            Fire(Child<QTimer>(Form, "tmrPauseAnimation"));
            order.push_back(shownPicture());
        }
        Child(Form, "actCancelLoad")->trigger(); // Esc: the wait ends
        ASSERT_FALSE(Form.Loading);
        EXPECT_TRUE(Child<TPauseBox>(Form, "pbxPause")->Picture().isNull());
    }
    EXPECT_EQ(order, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7, 0, 1}));
}

TEST_F(ArchivePlayerTest, TheAnimationRunsByItselfAfterHalfASecond)
{
    ListWithStalledVideo(1);
    AnimationFrame = 0;
    OpenRow(0);
    ASSERT_TRUE(Form.Loading);
    ASSERT_TRUE(WaitUntil([&] { return AnimationFrame >= 3; }, 3000));
    EXPECT_FALSE(Child<TPauseBox>(Form, "pbxPause")->Picture().isNull());
    Child(Form, "actCancelLoad")->trigger(); // Esc
    EXPECT_TRUE(Child<TPauseBox>(Form, "pbxPause")->Picture().isNull());
}

// While a fetch runs only the view's commands and the cancel are offered,
// the slider stays where it is, and each change of the loading condition
// moves the slider's disable count once more.
TEST_F(ArchivePlayerTest, WhileAFetchRunsTheFragmentOnScreenIsOnlyViewed)
{
    ListWithStalledVideo(1);
    ASSERT_TRUE(LoadInto(Form, Frames(5, -1)));
    const int before = Form.FramePos.DisableCount;
    OpenRow(0);
    ASSERT_TRUE(Form.Loading);
    EXPECT_EQ(EnabledActions(Form),
              std::set<std::string>({"actShowManager", "actHideManager", "actZoom50", "actZoom100", "actZoom200",
                                     "actZoomFree", "actStretch", "actNormalSize", "actCancelLoad"}));
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_EQ(Form.FramePos.DisableCount, before + 1);
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());

    // The disabled slider moved by the program does not move the frame.
    Child<QSlider>(Form, "trbFramePosition")->setSliderPosition(3);
    EXPECT_EQ(Form.FramePos.Index, 0);
    EXPECT_EQ(ShownFrameOf(Form), 0);

    // After a cancelled fetch the player stays empty: closing the fragment
    // resets the count, and the end of the loading disables the slider once
    // more.
    Child(Form, "actCancelLoad")->trigger(); // Esc
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_EQ(Form.FramePos.DisableCount, 1);
    EXPECT_FALSE(Child<QSlider>(Form, "trbFramePosition")->isEnabled());
}

// A fetch that ends without a cancel leaves the player stopped, the end of
// the loading enabling the slider's count once.
TEST_F(ArchivePlayerTest, AFailedFetchEndsTheLoadingOnce)
{
    AddFragments(1);
    Serve({"--status", "404", "--only", "video"});
    ListAll();
    ASSERT_TRUE(LoadInto(Form, Frames(3)));
    const int before = Form.FramePos.DisableCount;
    OpenRow(0);
    ASSERT_TRUE(Form.Loading);
    EXPECT_EQ(Form.FramePos.DisableCount, before + 1);
    ASSERT_TRUE(WaitUntil([&] { return !Form.Loading; }));
    EXPECT_EQ(Form.State, psStopped);
    EXPECT_EQ(Form.FramePos.DisableCount, before);
}

TEST_F(ArchivePlayerTest, APendingFragmentFreedByANewListEndsTheWaitLikeACancel)
{
    AddFragments(2);
    Serve({"--delay", "400", "--only", "video"});
    ListAll();
    ASSERT_TRUE(LoadInto(Form, Frames(3)));
    // A list request runs (its answer is handled once the event loop runs);
    // meanwhile a fragment of the old list is opened.
    Manager.RequestList();
    OpenRow(0);
    ASSERT_TRUE(Form.Session().Wait().Pending());
    ASSERT_TRUE(Form.Loading);
    ASSERT_TRUE(WaitUntil([&] { return Manager.State() == rsIdle && Manager.FragmentCount() == 2; }));
    ExpectIdleAndEmpty();
    EXPECT_EQ(Form.State, psEmpty);
    // Its video lands in the new list's record and is not played.
    ASSERT_TRUE(WaitUntil([&] { return Manager.FragmentAt(0)->Data.Size() > 0; }));
    EXPECT_FALSE(Form.Session().Wait().Delivered()); // nothing handed over to play later
    EXPECT_FALSE(Form.Image);
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_TRUE(Dialogs.Messages.empty());
    RunCancelLoad(Form); // Esc now touches nothing
    EXPECT_EQ(Form.State, psEmpty);
}

TEST_F(ArchivePlayerTest, ClosingWhileAFetchRunsCancelsIt)
{
    ListWithStalledVideo(1);
    OpenRow(0);
    ASSERT_TRUE(Form.Loading);
    EXPECT_TRUE(Form.FormCloseQuery());
    ExpectIdleAndEmpty();
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(ArchivePlayerTest, OpeningAFileFromDiskEmptiesTheManager)
{
    AddFragments(2);
    Serve();
    ListAll();
    Dialogs.FileAnswers.push_back(WriteFragmentFile(QStringLiteral("from-disk.mjpg"), Frames(3)));
    Child(Form, "actOpenFile")->trigger();
    EXPECT_EQ(Manager.FragmentCount(), 0u);
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_TRUE(Form.Image);
}

TEST_F(ArchivePlayerTest, ClosingWhileAListIsWaitedForEndsTheWait)
{
    AddFragments(2);
    Serve({"--stall", "--only", "list"});
    bool closed = false;
    WhenModalIs<TDTIntervalForm>([&](TDTIntervalForm* dialog) {
        dialog->btnOk->click();
        // Once the request is on its way, the window is closed.
        auto* poll = new QTimer(&Form);
        QObject::connect(poll, &QTimer::timeout, [&, poll] {
            if (LoggedLines().size() == 1) {
                poll->stop();
                closed = Form.FormCloseQuery();
            }
        });
        poll->start(10);
    });
    Child(Form, "actShowDTInterval")->trigger();
    EXPECT_TRUE(closed);
    EXPECT_EQ(Manager.State(), rsIdle);
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_TRUE(Dialogs.Messages.empty()); // the stopped request says nothing
    EXPECT_EQ(Form.findChild<TDTIntervalForm*>(), nullptr); // the dialog is gone
}

TEST_F(ArchivePlayerTest, AFetchedFragmentIsPlayedOnlyAfterItsWorkersCompletionReturned)
{
    AddFragments(1, 2);
    Serve();
    ListAll();
    bool loadedInsideCompletion = true;
    bool playingInsideCompletion = true;
    Manager.Events().OnVideoLoaded = [&, inner = Manager.Events().OnVideoLoaded](TVManagerForm* sender, TFragment* fragment) {
        inner(sender, fragment);
        loadedInsideCompletion = static_cast<bool>(Form.Image);
        playingInsideCompletion = IsPlaying(Form.State);
        EXPECT_TRUE(Form.Loading); // still waiting, and still cancellable
        EXPECT_EQ(Form.Session().Wait().Delivered(), Manager.KeyOf(*fragment));
    };
    OpenRow(0);
    ASSERT_TRUE(WaitUntil([&] { return Form.Image && !Form.Loading && !IsPlaying(Form.State); }));
    EXPECT_FALSE(loadedInsideCompletion);
    EXPECT_FALSE(playingInsideCompletion);
    EXPECT_EQ(Form.Session().Source().Issue, 1);
    EXPECT_EQ(Form.State, psStopped);
}

TEST_F(ArchivePlayerTest, EscBeforeAnArrivedVideoIsPlayedCancelsItWhicheverCameFirst)
{
    // The cancel wins over a video that has arrived but is not played yet:
    // its completion still queued when Esc comes (it runs inside the stop),
    // or already run with the playing queued. Either way the player ends
    // empty, as a cancel leaves it, and the record keeps the video.
    for (const bool completionRan : {false, true}) {
        SCOPED_TRACE(completionRan);
        AddFragments(1, 2);
        Serve();
        ListAll();
        ASSERT_TRUE(LoadInto(Form, Frames(3))); // closed by the cancel too
        auto inner = Manager.Events().OnVideoLoaded;
        if (completionRan)
            Manager.Events().OnVideoLoaded = [&, inner](TVManagerForm* sender, TFragment* fragment) {
                inner(sender, fragment);
                RunCancelLoad(Form); // before the queued playing runs
            };
        OpenRow(0);
        ASSERT_TRUE(Form.Loading);
        if (!completionRan) {
            // The answer is in; its completion waits for this thread.
            PollUntil([&] { return QueuedCompletions() != 0; });
            ASSERT_EQ(QueuedCompletions(), 1u);
            Child(Form, "actCancelLoad")->trigger(); // Esc
        } else {
            ASSERT_TRUE(WaitUntil([&] { return !Form.Loading; }));
        }
        QCoreApplication::processEvents(); // a queued playing, if any, runs now
        ExpectIdleAndEmpty();
        EXPECT_EQ(Form.State, psEmpty);
        EXPECT_FALSE(Form.Session().Wait().Delivered());
        EXPECT_GT(Manager.FragmentAt(0)->Data.Size(), 0);
        EXPECT_TRUE(Dialogs.Messages.empty());
        Manager.Events().OnVideoLoaded = inner;
    }
}

TEST_F(ArchivePlayerTest, EscAfterTheArrivedVideoPlayedChangesNothing)
{
    AddFragments(1, 2);
    Serve();
    ListAll();
    OpenRow(0);
    ASSERT_TRUE(WaitUntil([&] { return Form.Image && !Form.Loading && !IsPlaying(Form.State); }));
    Child(Form, "actCancelLoad")->trigger(); // Esc: unavailable now
    RunCancelLoad(Form);
    EXPECT_TRUE(Form.Image);
    EXPECT_EQ(Form.State, psStopped);
}

TEST_F(ArchivePlayerTest, OpeningAFetchedRowWhileANewListArrivesFetchesNothingMore)
{
    // Enter on a fetched row plays it; during the playback a new list
    // arrives and frees the record. Nothing of it is used afterwards.
    AddFragments(2, 4);
    Serve({"--delay", "200", "--only", "list"});
    ListAll();
    OpenRow(0);
    ASSERT_TRUE(WaitUntil([&] { return Form.Image && !Form.Loading && !IsPlaying(Form.State); }));
    Manager.RequestList();
    const std::vector<std::string> before = LoggedLines();
    const long videoRequests = std::count_if(before.begin(), before.end(), [](const std::string& line) {
        return line.rfind("GET /video", 0) == 0;
    });
    bool listArrivedDuringPlayback = false;
    Manager.Events().OnFragmentOpen = [&, inner = Manager.Events().OnFragmentOpen](TVManagerForm* sender, TFragment* fragment) {
        inner(sender, fragment); // plays it
        listArrivedDuringPlayback = Manager.State() == rsIdle;
    };
    OpenRow(0);
    if (!listArrivedDuringPlayback) {
        ASSERT_TRUE(WaitUntil([&] { return Manager.State() == rsIdle; }));
    }
    const std::vector<std::string> lines = LoggedLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
                  return line.rfind("GET /video", 0) == 0;
              }),
              videoRequests);
    EXPECT_FALSE(Form.Session().Wait().Pending());
    EXPECT_FALSE(Form.Loading);
    EXPECT_FALSE(Manager.RequestsRunning());
}

TEST_F(ArchivePlayerTest, AFetchWhoseWorkerCannotStartEndsTheWaitWithAMessage)
{
    AddFragments(1);
    Serve();
    ListAll();
    ASSERT_TRUE(LoadInto(Form, Frames(3)));
    SetWorkerStartHook([] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); });
    OpenRow(0);
    SetWorkerStartHook(nullptr);
    ExpectIdleAndEmpty();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Не могу загрузить видеофрагмент!\n"
                                                       "Недостаточно ресурсов системы (памяти или потоков) для запроса."));
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
}

TEST_F(ArchivePlayerTest, AListWhoseWorkerCannotStartShowsAMessage)
{
    AddFragments(1);
    Serve();
    SetWorkerStartHook([] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); });
    Manager.RequestList();
    SetWorkerStartHook(nullptr);
    EXPECT_EQ(Manager.RequestCount(), 0u);
    EXPECT_EQ(Manager.State(), rsIdle);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Не могу загрузить список видеофрагментов!\n"
                                                       "Недостаточно ресурсов системы (памяти или потоков) для запроса."));
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
    EXPECT_TRUE(Server->Requests().empty());
}

// ---- The same over https, with an authority the test makes ----

namespace {

class ArchivePlayerTlsTest : public ArchivePlayerTest {
protected:
    fixture::TScratchFolder Certificates;
    TTestAuthority Authority{Certificates.Path(), "authority", "Archive Test Authority"};

    // Serves over TLS with a certificate of the test's authority for
    // `names`, valid for the days given; the manager trusts the authority.
    void ServeTls(const std::vector<std::string>& options = {}, const std::vector<std::string>& names = {"127.0.0.1"},
                  int fromDays = -1, int toDays = 30)
    {
        static int issued = 0;
        std::vector<std::string> all =
            TTestAuthority::ServerOptions(Authority.Issue("server" + std::to_string(++issued), names, fromDays, toDays));
        all.insert(all.end(), options.begin(), options.end());
        Serve(all);
        Manager.Settings().Secure = true;
        Manager.Settings().CaFile = Authority.CertFile().string();
    }
};

} // namespace

TEST_F(ArchivePlayerTlsTest, TheListAndAFetchOverHttpsWorkAsOverPlainHttp)
{
    AddFragments(2, 2);
    ServeTls();
    ListAll();
    EXPECT_TRUE(Dialogs.Messages.empty());
    ASSERT_EQ(Manager.FragmentCount(), 2u);
    EXPECT_TRUE(Form.Settings().ManagerVisible);
    OpenRow(1);
    ASSERT_TRUE(WaitUntil([&] { return Form.Image && !Form.Loading; }));
    EXPECT_EQ(Form.Session().Source().Issue, 2);
    EXPECT_EQ(Form.Session().Source().SerialNumber, 12);
    EXPECT_EQ(LoggedLines(), (std::vector<std::string>{"GET /list HTTP/1.0", "GET /video?sn=12&issue=2 HTTP/1.0"}));
    EXPECT_EQ(Server->Requests().back().Authorization, "Basic Og==");
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(ArchivePlayerTlsTest, ARefusedListSaysWhyOnTheSecondLineAndSendsNothing)
{
    AddFragments(2);
    const struct {
        const char* What;
        std::vector<std::string> Names;
        int FromDays, ToDays;
        const char* CaFile; // null: the test's authority
        const char* Reason;
    } cases[] = {
        {"another name", {"archive.example"}, -1, 30, nullptr, "Сертификат сервера выдан на другое имя."},
        {"expired", {"127.0.0.1"}, -30, -1, nullptr, "Срок действия сертификата сервера истёк или ещё не начался."},
        {"no --cacert", {"127.0.0.1"}, -1, 30, "", "Сертификат сервера выдан неизвестным центром сертификации."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Dialogs.Messages.clear();
        ServeTls({}, c.Names, c.FromDays, c.ToDays);
        if (c.CaFile)
            Manager.Settings().CaFile = c.CaFile;
        ListAll();
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        EXPECT_EQ(Dialogs.Messages[0].Text,
                  QStringLiteral("Не могу загрузить список видеофрагментов!\n") + QString::fromUtf8(c.Reason));
        EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
        EXPECT_EQ(Dialogs.Messages[0].Title, Caption);
        EXPECT_EQ(Manager.FragmentCount(), 0u);
        EXPECT_TRUE(LoggedLines().empty());
    }
}

TEST_F(ArchivePlayerTlsTest, ARefusedFetchSaysWhyAndEmptiesThePlayer)
{
    AddFragments(2);
    ServeTls();
    ListAll();
    ASSERT_EQ(Manager.FragmentCount(), 2u);
    // The fragments now come from a server whose certificate has expired.
    Manager.StopAllRequests(); // the prepared workers go; new ones take the new port
    TDemoServerProcess expired(Folder.Path(), TTestAuthority::ServerOptions(Authority.Issue(
                                                     "expired", {"127.0.0.1"}, -30, -1)));
    Manager.Settings().Port = expired.Port();
    ASSERT_TRUE(LoadInto(Form, Frames(3)));
    OpenRow(0);
    ASSERT_TRUE(Form.Loading);
    ASSERT_TRUE(WaitUntil([&] { return !Form.Loading; }));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Не могу загрузить видеофрагмент!\n"
                                                       "Срок действия сертификата сервера истёк или ещё не начался."));
    EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::Error);
    ExpectIdleAndEmpty();
    EXPECT_TRUE(expired.Requests().empty());
}

TEST_F(ArchivePlayerTlsTest, TheReasonAppearsInARealMessageBox)
{
    SetDialogs(nullptr); // the real ones
    AddFragments(1);
    ServeTls({}, {"archive.example"});
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModalIs<TDTIntervalForm>([&](TDTIntervalForm* dialog) {
        dialog->btnOk->click();
        WhenModalIs<QMessageBox>([&](QMessageBox* message) {
            text = message->text();
            icon = message->icon();
            message->button(QMessageBox::Ok)->click();
        });
    });
    Child(Form, "actShowDTInterval")->trigger();
    EXPECT_EQ(text, QStringLiteral("Не могу загрузить список видеофрагментов!\nСертификат сервера выдан на другое имя."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    SetDialogs(&Dialogs);
}

TEST_F(ArchivePlayerTlsTest, EscDuringAStalledFetchOverTlsEndsTheWaitSilently)
{
    AddFragments(2);
    ServeTls({"--stall", "--only", "video"});
    ListAll();
    ASSERT_TRUE(LoadInto(Form, Frames(3)));
    OpenRow(1);
    ASSERT_TRUE(Form.Loading);
    ASSERT_TRUE(WaitUntil([&] { return LoggedLines().size() == 2; })); // the fetch is on its way
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    QTest::keyClick(&Form, Qt::Key_Escape);
    ExpectIdleAndEmpty();
    EXPECT_EQ(Form.State, psEmpty);
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(Manager.FragmentAt(1)->Data.Size(), 0);
}
