// The archive functions of the player: the fragment manager and its dock at
// the window's right edge, and asking for the fragments of an interval.
#include "vplayerform.h"

#include "actionbutton.h"
#include "archive/intervaldialog/dtintervalform.h"
#include "archive/protocol.h"
#include "manager/gui/vmanagerform.h"
#include "uikit/failurelog.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLayout>
#include <QSplitter>
#include <QToolBar>

#include <exception>
#include <memory>

TVManagerForm* TVPlayerForm::ManagerForm()
{
    if (Manager)
        return Manager;
    Manager = new TVManagerForm(nullptr);
    Manager->Events().OnFragmentOpen = [this](TVManagerForm* sender, TFragment* f) { FragmentOpened(sender, f); };
    Manager->Events().OnVideoRequest = [this](TVManagerForm* sender, TFragment* f) { VideoRequested(sender, f); };
    Manager->Events().OnVideoLoaded = [this](TVManagerForm* sender, TFragment* f) { VideoLoaded(sender, f); };
    Manager->Events().OnRequestError = [this](TVManagerForm* sender, int code, const std::string& text) {
        RequestFailed(sender, code, text);
    };
    Manager->Events().OnFragmentsClearing = [this](TVManagerForm* sender) { FragmentsClearing(sender); };
    return Manager;
}

void TVPlayerForm::DestroyManager()
{
    // A window being destroyed answers no event of the manager's last
    // stops; the manager frees its workers and fragments itself.
    std::unique_ptr<TVManagerForm> manager(Manager);
    Manager = nullptr;
    FSession.Wait().Clear();
    if (manager) {
        manager->Events().OnFragmentOpen = nullptr;
        manager->Events().OnVideoRequest = nullptr;
        manager->Events().OnVideoLoaded = nullptr;
        manager->Events().OnRequestError = nullptr;
        manager->Events().OnFragmentsClearing = nullptr;
    }
}

void TVPlayerForm::SetManagerVisible(bool show)
{
    if (show == FSettings.ManagerVisible)
        return;
    // Made when it is first shown; it is made or there is nothing to dock.
    if (show && !ManagerForm())
        return;
    FSettings.ManagerVisible = show;
    if (show) {
        ShowDock(pnlRightDock);
        if (Manager->parentWidget() != pnlRightDock) {
            Manager->setParent(pnlRightDock, Qt::Widget);
            pnlRightDock->layout()->addWidget(Manager);
        }
        Manager->show();
        Button(TPlayerCommand::ShowManager)->SetAction(Action(TPlayerCommand::HideManager));
        Button(TPlayerCommand::ShowManager)->SetHeldDown(true);
    } else {
        HideDock(pnlRightDock);
        Manager->hide();
        Button(TPlayerCommand::ShowManager)->SetAction(Action(TPlayerCommand::ShowManager));
        Button(TPlayerCommand::ShowManager)->SetHeldDown(false);
    }
}

void TVPlayerForm::HideArchiveFunctions()
{
    tbrFile->hide();
    for (TPlayerCommand command : {TPlayerCommand::ShowManager, TPlayerCommand::HideManager, TPlayerCommand::ShowDTInterval})
        Action(command)->setVisible(false);
}

void TVPlayerForm::ShowDock(QWidget* panel)
{
    panel->show();
    const int total = RightSplitter->width() - RightSplitter->handleWidth();
    RightSplitter->setSizes({std::max(1, total - FSettings.ManagerWidth), FSettings.ManagerWidth});
}

void TVPlayerForm::HideDock(QWidget* panel)
{
    // A width the user set with the splitter is used again at the next showing.
    FSettings.ManagerWidth = panel->width();
    panel->hide();
}

void TVPlayerForm::actShowManagerExecute()
{
    SetManagerVisible(true);
}

void TVPlayerForm::actHideManagerExecute()
{
    SetManagerVisible(false);
}

void TVPlayerForm::WaitForManager()
{
    // Completions of the workers arrive as events, so the loop rests in the
    // event dispatcher between them instead of spinning. Prepared workers
    // alone never end a state of fetching: the wait ends with the last
    // started one.
    while (Manager && Manager->State() != rsIdle && Manager->RequestsRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TVPlayerForm::actShowDTIntervalExecute()
{
    // One interval request at a time: the command may be enabled again by
    // the commands' update while its own wait runs.
    if (IntervalForm || !ManagerForm())
        return;
    std::unique_ptr<TDTIntervalForm> dialog;
    try {
        dialog = std::make_unique<TDTIntervalForm>(this);
    } catch (const std::exception&) {
        return;
    }
    IntervalForm = dialog.get();
    Action(TPlayerCommand::ShowDTInterval)->setEnabled(false);
    try {
        if (IsIntervalEndSet(FSettings.IntervalBegin) || IsIntervalEndSet(FSettings.IntervalEnd)) {
            IntervalForm->SetBegin(FSettings.IntervalBegin);
            IntervalForm->SetEnd(FSettings.IntervalEnd);
        }
        const int result = IntervalForm->ShowModal();
        if (result == irApply) {
            FSettings.IntervalBegin = IntervalForm->GetBegin();
            FSettings.IntervalEnd = IntervalForm->GetEnd();
            if (IsIntervalEndSet(FSettings.IntervalBegin) || IsIntervalEndSet(FSettings.IntervalEnd))
                Manager->RequestList(FSettings.IntervalBegin, FSettings.IntervalEnd);
            else
                Manager->RequestList();
        } else if (result == irClear) {
            FSettings.IntervalBegin = IntervalForm->GetBegin();
            FSettings.IntervalEnd = IntervalForm->GetEnd();
            Manager->ClearAndStop();
        }
        if (result != irCancel) {
            WaitForManager();
            if (!FSettings.ManagerVisible && Manager && Manager->FragmentCount() > 1)
                SetManagerVisible(true);
        }
    } catch (const std::exception&) {
        // Dropped: the command is only made available again.
        LogCurrentFailure(QStringLiteral("Запрос списка видеофрагментов"));
    }
    Action(TPlayerCommand::ShowDTInterval)->setEnabled(true);
    IntervalForm = nullptr;
}
