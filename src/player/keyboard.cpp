// Keyboard habits of desktop players on top of the window's commands: every
// key executes a command, so a key does nothing while its command is not
// available (no fragment, playing, at the first or last frame).
#include "vplayerform.h"

#include "uikit/guarded.h"

#include <QAction>
#include <QShortcut>

void TVPlayerForm::createKeyboard()
{
    actFirstFrame->setShortcut(QKeySequence(Qt::Key_Home));
    actLastFrame->setShortcut(QKeySequence(Qt::Key_End));
    actPriorFrame->setShortcut(QKeySequence(Qt::Key_Left));
    actNextFrame->setShortcut(QKeySequence(Qt::Key_Right));
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
