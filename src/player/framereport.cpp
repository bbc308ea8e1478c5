// The report about the current frame: preview, print and export.
#include "vplayerform.h"

void TVPlayerForm::actPrintReportExecute()
{
}
