// Waiting for a fragment the manager fetches: the loading condition, the
// wait animation over the video panel (shown only when the fetch takes
// longer than half a second) and cancelling with Esc.
#include "vplayerform.h"

#include "archive/fragmentsaction.h"
#include "icons/playericons.h"
#include "manager/fragment.h"
#include "manager/gui/vmanagerform.h"
#include "pausebox.h"

#include <QAction>
#include <QTimer>

int AnimationFrame = 0;

void TVPlayerForm::BeginWait()
{
    Engine.SetLoadCancelled(false);
    Engine.SetLoading(true);
    tmrStartWait->stop();
    tmrPauseAnimation->stop();
    pnlRightDock->setEnabled(false); // the docked manager takes no input meanwhile
    tmrStartWait->start();
    Action(TPlayerCommand::CancelLoad)->setVisible(true);
    Action(TPlayerCommand::CancelLoad)->setEnabled(true);
}

void TVPlayerForm::tmrStartWaitTimer()
{
    tmrStartWait->stop();
    tmrPauseAnimation->start();
}

void TVPlayerForm::tmrPauseAnimationTimer()
{
    tmrPauseAnimation->stop();
    pbxPause->DrawPicture(PauseAnimationFrame(AnimationFrame));
    ++AnimationFrame;
    if (AnimationFrame >= PauseAnimationFrameCount)
        AnimationFrame = 0;
    tmrPauseAnimation->start(); // the next picture 100 ms after this one
}

void TVPlayerForm::EndWait()
{
    Engine.SetLoading(false);
    Engine.SetLoadCancelled(false);
    tmrStartWait->stop();
    tmrPauseAnimation->stop();
    Action(TPlayerCommand::CancelLoad)->setVisible(false);
    Action(TPlayerCommand::CancelLoad)->setEnabled(false);
    pnlRightDock->setEnabled(true);
    pbxPause->Erase();
    ShowFrame(FramePos.CurrentFrame);
}

void TVPlayerForm::AbandonPendingFragment(bool cancelled)
{
    FSession.Wait().Clear();
    CloseFragment();
    ClearPicture();
    if (cancelled)
        Engine.SetLoadCancelled(true);
    EndWait();
}

void TVPlayerForm::actCancelLoadExecute()
{
    const std::optional<TFragmentKey> pending = FSession.Wait().Pending();
    if (!Manager || !pending)
        return;
    // The stopped worker's completion runs during the stop, with -101:
    // RequestFailed closes the fragment and ends the wait silently.
    Manager->StopRequest(Manager->FindVideoRequest(pending->SerialNumber, pending->Issue));
    // A video that arrived before the cancel (its completion ran during the
    // stop, or ran earlier and its playing is queued) is not played: the
    // cancel wins, and the player ends empty as it says.
    AbandonPendingFragment(true);
}

void TVPlayerForm::Timer1Timer()
{
    Timer1->stop();
    if (!Manager)
        return;
    TFragment* fragment = Manager->FragmentAt(0);
    if (!fragment)
        return;
    if (!fragment->Data.Empty()) {
        LoadFragment(fragment);
        StartPlay();
    } else {
        Manager->FetchFragment(fragment, false); // VideoLoaded plays it
    }
}
