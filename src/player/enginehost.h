// TPlayerEngineHost: the player window as the playback engine's host. It
// turns the engine's reports into the window's own operations: pictures
// through ShowFrame and the decode-ahead cache, availability onto the
// actions, Execute through QAction::trigger, state changes into the
// window's StateChanged signal, and the loop's pumping into TMessagePump.
#pragma once

#include "messagepump.h"
#include "player/engine/playbackhost.h"

class TVPlayerForm;

class TPlayerEngineHost : public TPlaybackHost {
public:
    explicit TPlayerEngineHost(TVPlayerForm& form) : FForm(form) {}

    void ShowFrame(TMJPGFrame* frame) override;
    void PrepareFrame(TMJPGFrame* frame) override;
    void PrepareNeighbour(int32_t index) override;
    void ApplyAvailability(const TCommandAvailability& availability) override;
    void Execute(TPlayerCommand command) override;
    void StateChanged() override;
    void ProcessMessages() override;
    void WaitForMessages(uint32_t mks) override;

private:
    TVPlayerForm& FForm;
    TMessagePump FPump;
};
