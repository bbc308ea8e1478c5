// The player's commands as the engine knows them and which of them are
// available. The design's commands come first, in the order of the window's
// action list; the speed commands follow them. The window builds its
// actions, menus, tool bars and keys from one table indexed by these
// commands (player/commandtable.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

enum class TPlayerCommand : uint8_t {
    FirstFrame,
    PriorFrame,
    PlayBack,
    Pause,
    Stop,
    Play,
    NextFrame,
    LastFrame,
    SaveFrame,
    OpenFile,
    SaveFile,
    PrintReport,
    Stretch,
    NormalSize,
    ShowManager,
    HideManager,
    ShowDTInterval,
    Zoom50,
    Zoom100,
    Zoom200,
    ZoomFree,
    CancelLoad,
    // The speed choices, slowest first, and a step faster or slower.
    SpeedQuarter,
    SpeedHalf,
    SpeedNormal,
    SpeedDouble,
    Speed4,
    Speed8,
    Speed16,
    SpeedUp,
    SpeedDown,
    // Space: Play or Pause, whichever fits.
    PlayPause,
};

// The commands of the design's action list: the window's ActionList.
inline constexpr size_t DesignCommandCount = static_cast<size_t>(TPlayerCommand::CancelLoad) + 1;
inline constexpr size_t PlayerCommandCount = static_cast<size_t>(TPlayerCommand::PlayPause) + 1;

// The enabled flag of each command; an unset flag leaves the action as it is.
class TCommandAvailability {
public:
    void Set(TPlayerCommand command, bool enabled) { FEnabled[Slot(command)] = enabled; }
    std::optional<bool> Get(TPlayerCommand command) const { return FEnabled[Slot(command)]; }

private:
    static size_t Slot(TPlayerCommand command) { return static_cast<size_t>(command); }
    std::array<std::optional<bool>, PlayerCommandCount> FEnabled;
};
