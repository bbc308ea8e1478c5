// The texts that name a frame and when it was taken: the status bar's panel
// and the slider's preview. A frame's time is the header's Begin plus its
// index / FPS (container/mjpgheader.h FrameWallTime), frames counted from 0.
#pragma once

#include <QString>

#include <cstdint>

class TMJPGImage;

// "dd.mm.yyyy hh:nn:ss.zzz" of the frame at `index`.
QString FrameTimeText(const TMJPGImage& image, int32_t index);
// "Кадр N из M · <time>"; empty without a fragment.
QString FramePanelText(const TMJPGImage* image, int32_t index);
// "Кадр N · <time>".
QString FramePreviewText(const TMJPGImage& image, int32_t index);
