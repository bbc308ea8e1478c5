// The report about the current frame: filled from the fragment and the
// window, built anew, then shown in the modal preview (print and exports
// are the preview's).
#include "vplayerform.h"

#include "container/mjpgimage.h"
#include "report/framereport.h"
#include "report/reportmodel.h"
#include "report/reportpreview.h"
#include "uikit/waitcursor.h"

void TVPlayerForm::actPrintReportExecute()
{
    TMJPGFrame* frame = FramePos.CurrentFrame;
    if (!Image || !frame || !frxReport)
        return;
    {
        // Decoding the picture and laying out the page take a moment.
        const TWaitCursor wait;
        // The current frame is the image's frame at Index; its picture is decoded once, here.
        TFrameReportInput input = FrameReportInput(*Image, FramePos.Index);
        input.SerialNumber = SerialNumber;
        input.Issue = Issue;
        input.OrganizationName = OrganizationName;
        input.EventInfoText = EventInfoText;
        if (!FillFrameReport(*frxReport, input))
            return;
        frxReport->Build();
    }
    ShowReportPreview(*frxReport, this);
}
