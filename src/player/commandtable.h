// The player's commands in one table indexed by TPlayerCommand
// (TVPlayerForm::CommandTable, commandtable.cpp). Each row carries the
// command's id, its action's name, caption, hint and key, and the handler
// that runs it with the row's argument: the seven speed choices are one
// handler with the speed as argument, the zoom choices one with the zoom.
// The window builds its actions, their checkable groups, its drop-down
// menus and its tool-bar buttons from the rows; the engine decides which
// commands are available.
#pragma once

#include "player/engine/commands.h"

#include <cstdint>

class TVPlayerForm;

enum class TCommandBar : uint8_t {
    None,         // no button (a menu, a key, or nothing at all)
    VideoActions, // tbrVideoActions
    View,         // tbrView
    File,         // tbrFile
};

// The choices that make one checkable group (a QActionGroup, one checked at
// most) and one drop-down button whose menu lists them in the table's order.
enum class TCommandChoice : uint8_t {
    None,
    Zoom,  // tbtnZoomFragment, pmFrameZoom
    Speed, // tbtnSpeed, pmSpeed
};

struct TCommandRow {
    TPlayerCommand Id;
    const char* Name;     // the action's object name ("actPlay")
    const char* Category; // the action's "category" property
    const char* Caption;  // UTF-8
    const char* Hint;     // the button's tool tip
    const char* Key;      // in QKeySequence's portable text, empty for none
    void (TVPlayerForm::*Handler)(int argument);
    int Argument;
    int Image; // index of the tool-button images, -1 for none
    TCommandChoice Choice;
    // The button of a single command: its bar, its object name and its
    // place on the bar (buttons stand in the order of Place). A choice's
    // rows give the drop-down button's bar and place.
    TCommandBar Bar;
    const char* Button;
    int Place;
    bool SeparatorBefore; // on the bar, or in the drop-down's menu
    bool ButtonHidden;
};
