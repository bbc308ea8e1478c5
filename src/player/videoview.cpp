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

void TVPlayerForm::LayoutVideo(const TMJPGImage* image)
{
    if (!image || !KeepProportions)
        return;
    QRect bounds;
    if (VideoBounds(image->Header->Width, image->Header->Height, pnlVideo->size(), FixedZoom, ZoomFactor, bounds))
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

void TVPlayerForm::CheckCategoryAction(const QString& category, const QAction* action)
{
    for (QAction* each : CommandActions) {
        if (each->property("category").toString() == category)
            each->setChecked(each == action);
    }
}

void TVPlayerForm::SetKeepProportions(bool keepProportions)
{
    if (keepProportions == KeepProportions)
        return;
    KeepProportions = keepProportions;
    if (keepProportions)
        CheckCategoryAction(QStringLiteral("Zoom"), nullptr);
    imgVideo->SetAlignClient(!keepProportions);
    imgVideo->SetStretch(!keepProportions);
    LayoutVideo(Image.get());
}

namespace {
constexpr double ZoomHalf = 0.5;
constexpr double ZoomNormal = 1.0;
constexpr double ZoomDouble = 2.0;
} // namespace

void TVPlayerForm::actZoom50Execute()
{
    CheckCategoryAction(QStringLiteral("Zoom"), actZoom50);
    FixedZoom = true;
    ZoomFactor = ZoomHalf;
    LayoutVideo(Image.get());
}

void TVPlayerForm::actZoom100Execute()
{
    CheckCategoryAction(QStringLiteral("Zoom"), actZoom100);
    FixedZoom = true;
    ZoomFactor = ZoomNormal;
    LayoutVideo(Image.get());
}

void TVPlayerForm::actZoom200Execute()
{
    CheckCategoryAction(QStringLiteral("Zoom"), actZoom200);
    FixedZoom = true;
    ZoomFactor = ZoomDouble;
    LayoutVideo(Image.get());
}

void TVPlayerForm::actZoomFreeExecute()
{
    CheckCategoryAction(QStringLiteral("Zoom"), actZoomFree);
    FixedZoom = false;
    ZoomFactor = 0.0;
    LayoutVideo(Image.get());
}

void TVPlayerForm::actStretchExecute()
{
    SetKeepProportions(false);
    tbtnResizeFrame->SetAction(actNormalSize);
}

void TVPlayerForm::actNormalSizeExecute()
{
    SetKeepProportions(true);
    tbtnResizeFrame->SetAction(actStretch);
}
