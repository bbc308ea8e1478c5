// The playback engine: the current frame and its searches, showing a frame,
// the step commands, the slider, Play and Play back (a loop that pumps the
// message queue on every pass and ends when State changes), Pause, Stop,
// the state changes and the availability of the commands.
#include "vplayerform.h"

#include "container/mjpgimage.h"
#include "frameinterval.h"
#include "pictureview.h"
#include "shell/chronometer.h"

#include <QAction>
#include <QCoreApplication>
#include <QSlider>

#include <algorithm>

namespace {

int32_t FrameCountOf(const std::unique_ptr<TMJPGImage>& image)
{
    return image ? image->FrameCount() : 0;
}

TMJPGFrame* FrameAt(const std::unique_ptr<TMJPGImage>& image, int32_t index)
{
    return image ? image->GetFrame(index) : nullptr;
}

} // namespace

bool TVPlayerForm::SeekFirstFrame()
{
    const int32_t count = FrameCountOf(Image);
    int32_t i = 0;
    for (; i < count; ++i) {
        TMJPGFrame* frame = FrameAt(Image, i);
        if (!frame || frame->HasData())
            break;
    }
    FramePos.SetCurrent(i, FrameAt(Image, i));
    return i < count;
}

bool TVPlayerForm::SeekLastFrame()
{
    int32_t i = FrameCountOf(Image) - 1;
    for (; i >= 0; --i) {
        TMJPGFrame* frame = FrameAt(Image, i);
        if (!frame || frame->HasData())
            break;
    }
    FramePos.SetCurrent(i, FrameAt(Image, i));
    return i >= 0;
}

bool TVPlayerForm::SeekNextFrame()
{
    const int32_t count = FrameCountOf(Image);
    int32_t i = FramePos.Index + 1;
    for (; i < count; ++i) {
        TMJPGFrame* frame = FrameAt(Image, i);
        if (!frame || frame->HasData())
            break;
    }
    if (i >= count)
        return false;
    FramePos.SetCurrent(i, FrameAt(Image, i));
    return true;
}

bool TVPlayerForm::SeekPriorFrame()
{
    int32_t i = FramePos.Index - 1;
    for (; i >= 0; --i) {
        TMJPGFrame* frame = FrameAt(Image, i);
        if (!frame || frame->HasData())
            break;
    }
    if (i < 0)
        return false;
    FramePos.SetCurrent(i, FrameAt(Image, i));
    return true;
}

TMJPGFrame* TVPlayerForm::StepForward(int32_t& index)
{
    const int32_t count = FrameCountOf(Image);
    TMJPGFrame* frame = nullptr;
    do {
        ++index;
        frame = FrameAt(Image, index);
    } while (index < count && frame && !frame->HasData());
    return frame;
}

TMJPGFrame* TVPlayerForm::StepBackward(int32_t& index)
{
    TMJPGFrame* frame = nullptr;
    do {
        --index;
        frame = FrameAt(Image, index);
    } while (index >= 0 && frame && !frame->HasData());
    return frame;
}

void TVPlayerForm::ShowFrame(TMJPGFrame* frame)
{
    if (!frame) {
        imgVideo->SetPicture(QImage());
        return;
    }
    try {
        frame->Data->SetPosition(0);
        // During playback the picture was usually decoded ahead of time.
        FPictures.Prepare(frame);
        QImage picture;
        if (FPictures.Take(frame, picture) && !picture.isNull())
            imgVideo->SetPicture(picture);
        // A picture that cannot be decoded leaves the previous one shown.
    } catch (...) {
    }
}

void TVPlayerForm::ClearPicture()
{
    imgVideo->SetPicture(QImage());
}

void TVPlayerForm::InitTrackBar()
{
    // The slider cannot have a maximum below its minimum: a fragment without
    // frames keeps the range 0..0 (the slider is disabled then anyway).
    trbFramePosition->setMinimum(0);
    trbFramePosition->setMaximum(std::max(FrameCountOf(Image) - 1, 0));
    trbFramePosition->setValue(0);
}

// ---- Step commands and slider ----

void TVPlayerForm::actFirstFrameExecute()
{
    if (!Image)
        return;
    SeekFirstFrame();
    ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

void TVPlayerForm::actLastFrameExecute()
{
    if (!Image)
        return;
    SeekLastFrame();
    ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

void TVPlayerForm::actNextFrameExecute()
{
    if (!Image)
        return;
    if (SeekNextFrame())
        ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

void TVPlayerForm::actPriorFrameExecute()
{
    if (!Image)
        return;
    if (SeekPriorFrame())
        ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

void TVPlayerForm::trbFramePositionChange()
{
    if (!trbFramePosition->isEnabled() || !Image)
        return;
    // One frame with data towards the slider per notification; the slider
    // is then put on the frame reached (whose notification finds them equal).
    int32_t i = FramePos.Index;
    const int position = trbFramePosition->value();
    TMJPGFrame* frame = nullptr;
    if (i < position)
        frame = StepForward(i);
    else if (position < i)
        frame = StepBackward(i);
    else
        return;
    FramePos.SetCurrent(i, frame);
    ShowFrame(FramePos.CurrentFrame);
    UpdateActions();
}

// ---- Playing ----

void TVPlayerForm::actPlayExecute()
{
    PlayLoop(psPlaying);
}

void TVPlayerForm::actPlayBackExecute()
{
    PlayLoop(psPlayingBack);
}

void TVPlayerForm::PlayLoop(TPlayerState direction)
{
    if (!Image || !Chronometer)
        return;
    const bool forward = direction == psPlaying;
    // At the end of the list playback starts over from the other end; the
    // frame found is not shown until the loop advances.
    if (forward && FramePos.Index == Image->FrameCount() - 1)
        SeekFirstFrame();
    else if (!forward && FramePos.Index == 0)
        SeekLastFrame();
    if (!FramePos.CurrentFrame) {
        UpdateActions();
        return;
    }
    FramePos.ResetTrackBar();
    SetState(direction);
    Chronometer->Reset();
    try {
        int32_t interval = 0;
        if (FrameIntervalMs(Image->Header->FPS, interval)) {
            while (State == direction) {
                // A frame is shown once its interval has passed; the period
                // counts from the moment it is on screen.
                if (Chronometer->FTime_ms() >= static_cast<uint32_t>(interval)) {
                    if (!(forward ? SeekNextFrame() : SeekPriorFrame()))
                        break;
                    ShowFrame(FramePos.CurrentFrame);
                    Chronometer->Reset();
                }
                QCoreApplication::processEvents();
                if (State == direction)
                    PrepareNextFrame(direction);
            }
        }
    } catch (...) {
        // Any failure ends playback quietly.
    }
    if (State != psPaused)
        SetState(psStopped);
}

void TVPlayerForm::PrepareNextFrame(TPlayerState direction)
{
    if (!Image)
        return;
    int32_t index = FramePos.Index;
    TMJPGFrame* next = direction == psPlaying ? StepForward(index) : StepBackward(index);
    if (next)
        FPictures.Prepare(next);
}

void TVPlayerForm::StartPlay()
{
    actPlay->trigger();
}

void TVPlayerForm::actPauseExecute()
{
    if (State == psPaused) {
        if (StateBeforePause == psPlaying)
            actPlay->trigger();
        else if (StateBeforePause == psPlayingBack)
            actPlayBack->trigger();
        return;
    }
    StateBeforePause = State;
    SetState(psPaused);
}

void TVPlayerForm::actStopExecute()
{
    if (Image) {
        SeekFirstFrame();
        ShowFrame(FramePos.CurrentFrame);
    }
    SetState(psStopped);
}

// ---- State and availability ----

void TVPlayerForm::ApplyStateToTrackBar(TPlayerState state)
{
    if (state == psStopped || state == psPaused)
        FramePos.EnableTrackBar();
    else
        FramePos.DisableTrackBar();
}

void TVPlayerForm::SetState(TPlayerState state)
{
    if (state == State)
        return;
    State = state;
    ApplyStateToTrackBar(state);
    UpdateActions();
    emit StateChanged();
}

void TVPlayerForm::SetLoading(bool loading)
{
    Loading = loading;
    State = (loading || LoadCancelled) ? psEmpty : psStopped;
    ApplyStateToTrackBar(State);
    UpdateActions();
    emit StateChanged();
}

void TVPlayerForm::UpdateActions()
{
    if (!Image) {
        for (QAction* action : ActionList)
            action->setEnabled(false);
        UpdateCommonActions();
        return;
    }
    UpdateCommonActions();
    const int32_t index = FramePos.Index;
    const bool playing = IsPlaying(State);
    const bool frame = FramePos.CurrentFrame != nullptr;
    const bool running = State == psPlaying || State == psPlayingBack || State == psPaused;

    actFirstFrame->setEnabled(index > 0 && !Loading);
    actPriorFrame->setEnabled(index > 0 && !Loading);
    actNextFrame->setEnabled(index < Image->FrameCount() - 1 && !Loading);
    actLastFrame->setEnabled(index < Image->FrameCount() - 1 && !Loading);
    actPlay->setEnabled(frame && !Loading);
    actPlayBack->setEnabled(frame && !Loading);
    actPause->setEnabled(frame && running && !Loading);
    actStop->setEnabled(frame && running && !Loading);
    actSaveFrame->setEnabled(frame && !playing && !Loading);
    actPrintReport->setEnabled(frame && !playing && !Loading);
    actSaveFile->setEnabled(!Loading && !playing);
    actStretch->setEnabled(frame);
    actNormalSize->setEnabled(frame);
}

void TVPlayerForm::UpdateCommonActions()
{
    const bool playing = IsPlaying(State);
    actOpenFile->setEnabled(!Loading && !playing);
    actShowDTInterval->setEnabled(!Loading && !playing);
    for (QAction* action : {actShowManager, actHideManager, actZoom50, actZoom100, actZoom200, actZoomFree})
        action->setEnabled(true);
}
