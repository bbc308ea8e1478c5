// The window's side of the engine's reports.
#include "enginehost.h"

#include "pictureview.h"
#include "vplayerform.h"

#include <QAction>

void TPlayerEngineHost::ShowFrame(TMJPGFrame* frame)
{
    FForm.ShowFrame(frame);
}

void TPlayerEngineHost::PrepareFrame(TMJPGFrame* frame)
{
    FForm.FPictures.Prepare(frame, FForm.imgVideo->ShownSize());
}

void TPlayerEngineHost::PrepareNeighbour(int32_t index)
{
    FForm.PrepareNeighbourLater(index);
}

void TPlayerEngineHost::ApplyAvailability(const TCommandAvailability& availability)
{
    for (size_t i = 0; i < PlayerCommandCount; ++i) {
        if (const std::optional<bool> enabled = availability.Get(static_cast<TPlayerCommand>(i)))
            FForm.CommandActions[i]->setEnabled(*enabled);
    }
}

void TPlayerEngineHost::Execute(TPlayerCommand command)
{
    // QAction::trigger runs the handler only while the action is enabled.
    FForm.CommandActions[static_cast<size_t>(command)]->trigger();
}

void TPlayerEngineHost::StateChanged()
{
    // Smooth scaling costs about as much as decoding a frame: playback scales
    // the quick way, a picture that stands still is drawn smoothly.
    const bool playing = IsPlaying(FForm.State);
    FForm.imgVideo->SetSmoothScaling(!playing);
    emit FForm.StateChanged();
}

void TPlayerEngineHost::ProcessMessages()
{
    FPump.ProcessOnce();
}

void TPlayerEngineHost::WaitForMessages(uint32_t mks)
{
    FPump.Wait(mks);
}
