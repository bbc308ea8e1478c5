// Placing windows: centred on the screen they open on.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// The top left corner that centres a window of `frame` size in `available`.
QPoint CenteredPosition(const QSize& frame, const QRect& available);

// Moves a top-level window so that it stands in the middle of its screen's
// available area (the primary screen when it has none yet).
void CenterOnScreen(QWidget* window);
