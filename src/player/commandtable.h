// The player's commands in one table indexed by TPlayerCommand: what each
// action shows (caption, hint, image), its short-cut, its category, its
// handler, the window's member that holds it, and the tool-bar button that
// carries it. The window builds its actions, its drop-down menus and its
// tool bars from it; the engine decides which commands are available.
#pragma once

#include "player/engine/commands.h"

#include <cstdint>

class QAction;
class TVPlayerForm;

enum class TCommandBar : uint8_t {
    None,         // no button (a menu, a key, or nothing at all)
    VideoActions, // tbrVideoActions
    View,         // tbrView
    File,         // tbrFile
};

struct TCommandRow {
    TPlayerCommand Command;
    const char* Category;
    const char* Caption;  // UTF-8
    const char* Hint;     // the button's tool tip
    int Image;            // index of the tool-button images, -1 for none
    const char* ShortCut; // in QKeySequence's portable text, empty for none
    void (TVPlayerForm::*Handler)();
    QAction* TVPlayerForm::*Action; // the window's member that holds the action
    // The button: commands that share a button name make a drop-down
    // button whose menu lists them in the table's order. Buttons stand on
    // their bar in the order of Place.
    TCommandBar Bar;
    const char* Button;
    int Place;
    bool SeparatorBefore; // on the bar, or in the drop-down's menu
    bool ButtonHidden;
};

const TCommandRow& CommandRow(TPlayerCommand command);
