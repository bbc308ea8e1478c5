// Tool-bar buttons bound to actions.
#include "actionbutton.h"

#include <QActionEvent>
#include <QToolBar>

TActionButton::TActionButton(QToolBar* toolBar, const char* name, QAction* action)
    : QToolButton(toolBar)
{
    setObjectName(QLatin1String(name));
    setAutoRaise(true);
    setIconSize(toolBar->iconSize());
    setFocusPolicy(Qt::NoFocus);
    setDefaultAction(action);
    FPlace = toolBar->addWidget(this);
    SyncVisibility();
}

void TActionButton::SetAction(QAction* action)
{
    if (action == defaultAction())
        return;
    if (QAction* old = defaultAction())
        removeAction(old);
    setDefaultAction(action);
    SyncVisibility();
}

void TActionButton::SetButtonVisible(bool visible)
{
    FButtonVisible = visible;
    SyncVisibility();
}

void TActionButton::SetHeldDown(bool held)
{
    FHeldDown = held;
    setDown(held);
}

bool TActionButton::event(QEvent* event)
{
    const bool handled = QToolButton::event(event);
    // The button lets itself up on a release off it, a drag off it, a click
    // that leaves the held state as it was, losing the focus or being
    // disabled; a held button goes down again at once.
    if (FHeldDown && !isDown())
        setDown(true);
    return handled;
}

void TActionButton::actionEvent(QActionEvent* event)
{
    QToolButton::actionEvent(event);
    if (event->type() == QEvent::ActionChanged && event->action() == defaultAction())
        SyncVisibility();
}

void TActionButton::SyncVisibility()
{
    // Inside a tool bar a widget is shown and hidden through its entry.
    const bool visible = FButtonVisible && defaultAction() && defaultAction()->isVisible();
    if (FPlace && FPlace->isVisible() != visible)
        FPlace->setVisible(visible);
}
