// The archive functions of the player: the fragment manager dock, the
// interval request, the wait animation and cancelling a download.
#include "vplayerform.h"

void TVPlayerForm::actShowManagerExecute()
{
}

void TVPlayerForm::actHideManagerExecute()
{
}

void TVPlayerForm::actShowDTIntervalExecute()
{
}

void TVPlayerForm::actCancelLoadExecute()
{
}

void TVPlayerForm::tmrStartWaitTimer()
{
}

void TVPlayerForm::tmrPauseAnimationTimer()
{
}

void TVPlayerForm::Timer1Timer()
{
}

void TVPlayerForm::SetManagerVisible(bool show)
{
    // Without a manager window (the file player) there is nothing to dock.
    if (show == ManagerVisible || !Manager)
        return;
    ManagerVisible = show;
}
