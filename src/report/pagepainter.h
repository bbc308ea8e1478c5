// The one routine that draws a laid-out page: the preview, the printer and
// the PDF writer all paint through it, so they cannot drift apart.
#pragma once

#include "layout.h"

#include <QPointF>

class QPainter;

// Draws the page with its top left corner at `origin` (device units), at its
// true size for the device's resolution: millimetres become device units by
// the device's logical dots per inch, and fonts keep their point sizes.
void PaintPage(QPainter& painter, const TPreparedPage& page, QPointF origin = {});

// The page as an image at the given resolution, on white paper.
QImage RenderPage(const TPreparedPage& page, double dpi);
