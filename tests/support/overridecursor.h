// The cursor the program shows over its windows, for tests of the wait cursor.
#pragma once

#include <QCursor>
#include <QGuiApplication>

// The override cursor's shape; the arrow when no override cursor is set.
inline Qt::CursorShape OverrideCursorShape()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}
