// Keyboard habits of desktop players on top of the window's commands: every
// key is a command's key in the command table (Space the command that plays
// or pauses, whichever fits), so a key does nothing while its command is not
// available (no fragment, playing, at the first or last frame).
#include "vplayerform.h"

#include "pictureview.h"
#include "uikit/guarded.h"

#include <QAction>
#include <QKeyEvent>

void TVPlayerForm::actPlayPauseExecute()
{
    if (IsPlaying(State))
        Action(TPlayerCommand::Pause)->trigger();
    else
        Action(TPlayerCommand::Play)->trigger();
}

bool TVPlayerForm::SkipHeldStep(QObject* watched, QEvent* event) const
{
    // The shortcut map asks the focus widget first (ShortcutOverride);
    // taking that event keeps the step's action from running, and the key
    // press that follows it is taken too.
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (!key->isAutoRepeat() || (key->key() != Qt::Key_Left && key->key() != Qt::Key_Right) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || widget->window() != window() || imgVideo->Painted())
        return false;
    event->accept();
    return true;
}
