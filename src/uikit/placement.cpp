// Centring windows on their screen.
#include "placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QPoint CenteredPosition(const QSize& frame, const QRect& available)
{
    return QPoint(available.left() + (available.width() - frame.width()) / 2,
                  available.top() + (available.height() - frame.height()) / 2);
}

void CenterOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Before the first showing the window manager's frame is not known yet:
    // the window then stands off the exact centre by half its frame. Once
    // shown, the window keeps knowing it.
    const QSize frame = window->frameGeometry().size();
    window->move(CenteredPosition(frame, screen->availableGeometry()));
}
