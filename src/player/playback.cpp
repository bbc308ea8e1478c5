// The playback engine's wiring: the window's names for the engine's
// operations and command handlers, the playback speed, and showing a
// frame's picture.
#include "vplayerform.h"

#include "frametext.h"
#include "pictureview.h"
#include "uikit/failurelog.h"

#include <QAction>
#include <QTimer>
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
        emit FrameShown();
        return;
    }
    try {
        // During playback the picture was usually decoded ahead of time, and
        // a step's neighbour after the step before.
        const QSize shown = imgVideo->ShownSize();
        KeepPictureAhead(frame, shown);
        FPictures.Prepare(frame, shown);
        QImage picture;
        if (FPictures.Take(frame, shown, picture) && !picture.isNull()) {
            imgVideo->SetPicture(picture);
            FShownSize = shown;
        }
        // A picture that cannot be decoded leaves the previous one shown.
    } catch (...) {
        LogCurrentFailure(QStringLiteral("Не могу показать кадр"));
    }
    emit FrameShown();
}

void TVPlayerForm::ClearPicture()
{
    imgVideo->SetPicture(QImage());
    emit FrameShown();
}

QString TVPlayerForm::FrameText() const
{
    return FramePanelText(Image.get(), FramePos.Index);
}

void TVPlayerForm::PrepareNeighbourLater(int32_t index)
{
    FNeighbour = index;
    // Decoded once the step's own picture is on screen, never before it.
    if (imgVideo->Painted())
        FNeighbourTimer->start();
}

void TVPlayerForm::PrepareNeighbourNow()
{
    const int32_t index = FNeighbour;
    FNeighbour = -1;
    if (index < 0 || !Image || IsPlaying(State))
        return;
    TMJPGFrame* frame = Image->GetFrame(index);
    if (frame && frame->HasData())
        FPictures.Prepare(frame, imgVideo->ShownSize());
}

void TVPlayerForm::ViewResized()
{
    const QSize shown = imgVideo->ShownSize();
    TMJPGFrame* frame = FramePos.CurrentFrame;
    if (!frame || imgVideo->Picture().isNull() || shown == FShownSize)
        return;
    if (FPictures.Reduction(*frame, shown) != FPictures.Reduction(*frame, FShownSize))
        ShowFrame(frame);
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
    Action(TPlayerCommand::Play)->trigger();
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
    QAction* choice = ChoiceAction(TCommandChoice::Speed, static_cast<int>(speed));
    choice->setChecked(true);
    tbtnSpeed->setText(choice->text());
}

void TVPlayerForm::ChooseSpeed(int speed)
{
    if (speed >= 0 && static_cast<size_t>(speed) < PlaybackSpeedCount)
        SetSpeed(static_cast<TPlaybackSpeed>(speed));
}

void TVPlayerForm::StepSpeed(int step)
{
    SetSpeed(step > 0 ? FasterSpeed(Speed()) : SlowerSpeed(Speed()));
}
