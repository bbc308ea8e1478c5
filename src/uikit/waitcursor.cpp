// Override cursors of the application, stacked as Qt keeps them.
#include "waitcursor.h"

#include <QCursor>
#include <QGuiApplication>

TWaitCursor::TWaitCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

TWaitCursor::~TWaitCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

TNormalCursor::TNormalCursor()
{
    if (QGuiApplication::overrideCursor()) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        FPushed = true;
    }
}

TNormalCursor::~TNormalCursor()
{
    if (FPushed)
        QGuiApplication::restoreOverrideCursor();
}
