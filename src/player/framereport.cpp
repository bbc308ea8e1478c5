// The report about the current frame: filled from the fragment and the
// window, built anew, then shown in the modal preview (print and exports
// are the preview's).
#include "vplayerform.h"

#include "container/mjpgimage.h"
#include "report/framereport.h"
#include "report/reportmodel.h"
#include "report/reportpreview.h"
#include "uikit/waitcursor.h"

#include <memory>

void TVPlayerForm::actPrintReportExecute()
{
    TMJPGFrame* frame = FramePos.CurrentFrame;
    if (!Image || !frame || !frxReport)
        return;
    {
        // Decoding the picture and laying out the page take a moment.
        const TWaitCursor wait;
        // An image of its own over the session's bytes: whatever the player
        // opens or closes meanwhile, the frame read is whole.
        const std::unique_ptr<TMJPGImage> held = Session().SharedImage();
        if (!held)
            return;
        // The current frame is the image's frame at Index; its picture is decoded once, here.
        TFrameReportInput input = FrameReportInput(*held, FramePos.Index);
        input.SerialNumber = Session().Source().SerialNumber;
        input.Issue = Session().Source().Issue;
        input.OrganizationName = FSettings.OrganizationName;
        input.EventInfoText = EventInfoText;
        if (!FillFrameReport(*frxReport, input))
            return;
        frxReport->Build();
    }
    ShowReportPreview(*frxReport, this);
}
