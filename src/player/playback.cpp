// The playback engine's wiring: the window's names for the engine's
// operations and command handlers, the playback speed, and showing a
// frame's picture.
#include "vplayerform.h"

#include "pictureview.h"
#include "uikit/failurelog.h"

#include <QAction>
#include <QToolButton>

bool TVPlayerForm::SeekFirstFrame()
{
    return Engine.SeekFirstFrame();
}

bool TVPlayerForm::SeekLastFrame()
{
    return Engine.SeekLastFrame();
}

bool TVPlayerForm::SeekNextFrame()
{
    return Engine.SeekNextFrame();
}

bool TVPlayerForm::SeekPriorFrame()
{
    return Engine.SeekPriorFrame();
}

TMJPGFrame* TVPlayerForm::StepForward(int32_t& index)
{
    return Engine.StepForward(index);
}

TMJPGFrame* TVPlayerForm::StepBackward(int32_t& index)
{
    return Engine.StepBackward(index);
}

void TVPlayerForm::ShowFrame(TMJPGFrame* frame)
{
    if (!frame) {
        imgVideo->SetPicture(QImage());
        return;
    }
    try {
        // During playback the picture was usually decoded ahead of time.
        FPictures.Prepare(frame);
        QImage picture;
        if (FPictures.Take(frame, picture) && !picture.isNull())
            imgVideo->SetPicture(picture);
        // A picture that cannot be decoded leaves the previous one shown.
    } catch (...) {
        LogCurrentFailure(QStringLiteral("Не могу показать кадр"));
    }
}

void TVPlayerForm::ClearPicture()
{
    imgVideo->SetPicture(QImage());
}

void TVPlayerForm::InitTrackBar()
{
    Engine.InitTrackBar();
}

void TVPlayerForm::actFirstFrameExecute()
{
    Engine.FirstFrame();
}

void TVPlayerForm::actLastFrameExecute()
{
    Engine.LastFrame();
}

void TVPlayerForm::actNextFrameExecute()
{
    Engine.NextFrame();
}

void TVPlayerForm::actPriorFrameExecute()
{
    Engine.PriorFrame();
}

void TVPlayerForm::trbFramePositionChange()
{
    Engine.TrackBarChanged();
}

void TVPlayerForm::actPlayExecute()
{
    Engine.Play();
}

void TVPlayerForm::actPlayBackExecute()
{
    Engine.PlayBack();
}

void TVPlayerForm::StartPlay()
{
    actPlay->trigger();
}

void TVPlayerForm::actPauseExecute()
{
    Engine.Pause();
}

void TVPlayerForm::actStopExecute()
{
    Engine.Stop();
}

void TVPlayerForm::SetState(TPlayerState state)
{
    Engine.SetState(state);
}

void TVPlayerForm::SetLoading(bool loading)
{
    Engine.SetLoading(loading);
}

void TVPlayerForm::UpdateActions()
{
    Engine.UpdateActions();
}

void TVPlayerForm::UpdateCommonActions()
{
    Engine.UpdateCommonActions();
}

void TVPlayerForm::SetSpeed(TPlaybackSpeed speed)
{
    Engine.SetSpeed(speed);
    QAction* choice = CommandActions[static_cast<size_t>(TPlayerCommand::SpeedQuarter) + static_cast<size_t>(speed)];
    CheckCategoryAction(QStringLiteral("Speed"), choice);
    tbtnSpeed->setText(choice->text());
}

void TVPlayerForm::actSpeedQuarterExecute()
{
    SetSpeed(TPlaybackSpeed::Quarter);
}

void TVPlayerForm::actSpeedHalfExecute()
{
    SetSpeed(TPlaybackSpeed::Half);
}

void TVPlayerForm::actSpeedNormalExecute()
{
    SetSpeed(TPlaybackSpeed::Normal);
}

void TVPlayerForm::actSpeedDoubleExecute()
{
    SetSpeed(TPlaybackSpeed::Double);
}

void TVPlayerForm::actSpeed4Execute()
{
    SetSpeed(TPlaybackSpeed::Times4);
}

void TVPlayerForm::actSpeed8Execute()
{
    SetSpeed(TPlaybackSpeed::Times8);
}

void TVPlayerForm::actSpeed16Execute()
{
    SetSpeed(TPlaybackSpeed::Times16);
}

void TVPlayerForm::actSpeedUpExecute()
{
    SetSpeed(FasterSpeed(Speed()));
}

void TVPlayerForm::actSpeedDownExecute()
{
    SetSpeed(SlowerSpeed(Speed()));
}
