// Artwork of the player: the tool-button icons (normal, disabled and hot
// looks) and the frames of the wait animation shown over the video panel.
// The images are SVG files compiled into the "icons" resource (icons.qrc).
#pragma once

#include <QIcon>
#include <QPixmap>

// Number of tool-button images: 0 first frame, 1 prior frame, 2 play
// backwards, 3 pause, 4 stop, 5 play, 6 next frame, 7 last frame,
// 8 snapshot, 9 open, 10 save, 11 print, 12 stretch, 13 normal size,
// 14 fragment manager, 15 interval, 16 cancel.
constexpr int ToolButtonImageCount = 17;

// Number of frames in the wait animation.
constexpr int PauseAnimationFrameCount = 8;

// Side of a tool-button image and of a wait-animation frame, in pixels.
constexpr int ToolButtonImageSize = 16;
constexpr int PauseAnimationFrameSize = 64;

// Icon for tool button `index`: normal look in QIcon::Normal, grey look in
// QIcon::Disabled, brighter look in QIcon::Active (mouse over the button),
// each as a 16x16 pixmap. An index outside 0..16 gives a null icon.
QIcon ToolButtonIcon(int index);

// Frame `index` of the wait animation (taken modulo 8) as a 64x64 pixmap
// with a transparent background.
QPixmap PauseAnimationFrame(int index);
