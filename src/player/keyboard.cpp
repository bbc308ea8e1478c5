// Keyboard habits of desktop players on top of the window's commands: every
// key executes a command (Space the one that fits), so a key does nothing while its command is not
// available (no fragment, playing, at the first or last frame).
#include "vplayerform.h"

#include "uikit/guarded.h"

#include <QAction>
#include <QShortcut>

void TVPlayerForm::createKeyboard()
{
    // The commands' own keys (Home, End, Left, Right, "]", "[", Backspace)
    // come from the command table.
    PlayPauseShortcut = new QShortcut(QKeySequence(Qt::Key_Space), this);
    PlayPauseShortcut->setObjectName(QStringLiteral("PlayPauseShortcut"));
    ConnectGuarded(PlayPauseShortcut, &QShortcut::activated, this, &TVPlayerForm::PlayPauseShortcutActivated);
}

void TVPlayerForm::PlayPauseShortcutActivated()
{
    if (IsPlaying(State))
        actPause->trigger();
    else
        actPlay->trigger();
}
