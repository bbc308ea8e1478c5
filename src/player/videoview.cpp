// The view: where the picture lies on the video panel (fitted, at a fixed
// zoom, or stretched over the panel), the wait box kept centred, and the
// zoom and view commands.
#include "vplayerform.h"

#include "actionbutton.h"
#include "pausebox.h"
#include "container/mjpgimage.h"
#include "icons/playericons.h"
#include "pictureview.h"
#include "videolayout.h"

#include <QAction>
#include <QActionGroup>

void TVPlayerForm::LayoutVideo(const TMJPGImage* image)
{
    if (!image || !FSettings.KeepProportions)
        return;
    QRect bounds;
    if (VideoBounds(image->Header->Width, image->Header->Height, pnlVideo->size(), FSettings.FixedZoom, FSettings.ZoomFactor, bounds))
        imgVideo->setGeometry(bounds);
}

void TVPlayerForm::CenterPauseBox()
{
    pbxPause->setGeometry(
        CenteredBox(pnlVideo->size(), QSize(PauseAnimationFrameSize, PauseAnimationFrameSize)));
}

void TVPlayerForm::pnlVideoResize()
{
    LayoutVideo(Image.get());
    CenterPauseBox();
}

void TVPlayerForm::SetKeepProportions(bool keepProportions)
{
    if (keepProportions == FSettings.KeepProportions)
        return;
    FSettings.KeepProportions = keepProportions;
    if (keepProportions) {
        if (QAction* zoom = FZoomChoices->checkedAction())
            zoom->setChecked(false);
    }
    imgVideo->SetAlignClient(!keepProportions);
    imgVideo->SetStretch(!keepProportions);
    LayoutVideo(Image.get());
}

void TVPlayerForm::ChooseZoom(int percent)
{
    if (QAction* choice = ChoiceAction(TCommandChoice::Zoom, percent))
        choice->setChecked(true);
    FSettings.FixedZoom = percent > 0;
    FSettings.ZoomFactor = percent / 100.0;
    LayoutVideo(Image.get());
}

void TVPlayerForm::actZoom50Execute()
{
    ChooseZoom(50);
}

void TVPlayerForm::actZoom100Execute()
{
    ChooseZoom(100);
}

void TVPlayerForm::actZoom200Execute()
{
    ChooseZoom(200);
}

void TVPlayerForm::actZoomFreeExecute()
{
    ChooseZoom(0);
}

void TVPlayerForm::actStretchExecute()
{
    SetKeepProportions(false);
    Button(TPlayerCommand::Stretch)->SetAction(Action(TPlayerCommand::NormalSize));
}

void TVPlayerForm::actNormalSizeExecute()
{
    SetKeepProportions(true);
    Button(TPlayerCommand::Stretch)->SetAction(Action(TPlayerCommand::Stretch));
}
