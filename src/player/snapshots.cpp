// Saving the current frame as a snapshot and the fragment as an MJPG file.
#include "vplayerform.h"

void TVPlayerForm::actSaveFrameExecute()
{
}

void TVPlayerForm::actSaveFileExecute()
{
}
