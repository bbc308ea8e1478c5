// Where the picture lies on the video panel: fitted with its proportions kept,
// or at a fixed zoom, centred (negative offsets when larger than the panel).
#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>

// Bounds of the picture control for a picture of width x height on a panel
// of the given size. fixedZoom uses zoomFactor; otherwise the picture is
// fitted (enlarged or reduced). False when the picture has no size to lay
// out (width or height 0 or negative): the control is then left as it was.
bool VideoBounds(int32_t width, int32_t height, QSize panel, bool fixedZoom, double zoomFactor, QRect& bounds);

// Bounds of a box of the given size centred on the panel.
QRect CenteredBox(QSize panel, QSize box);
