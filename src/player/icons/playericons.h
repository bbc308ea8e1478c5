// Artwork of the player: the tool-button icons (normal, disabled and hot
// looks) and the frames of the wait animation shown over the video panel.
// The images are SVG files compiled into the "icons" resource (icons.qrc).
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <array>
#include <thread>

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

// Every tool-button picture rendered on a thread of its own while the
// program builds its first windows: made after the application object and
// before the windows, it hands ToolButtonIcon the pictures (waiting for the
// thread at the first icon) for as long as it lives; the icons are the
// same as those rendered when they are asked for. One at a time, made and
// freed on the GUI thread.
class TToolButtonIconsAhead {
public:
    TToolButtonIconsAhead();
    ~TToolButtonIconsAhead();
    TToolButtonIconsAhead(const TToolButtonIconsAhead&) = delete;
    TToolButtonIconsAhead& operator=(const TToolButtonIconsAhead&) = delete;

    // The picture of tool button `index` in look `look` (0 normal, 1
    // disabled, 2 hot); waits for the thread first.
    const QImage& Picture(int index, int look);

private:
    std::thread FThread;
    std::array<QImage, ToolButtonImageCount * 3> FPictures;
};
