// Decoding a frame's picture: the one procedure the view, bitmap snapshots
// and the report picture follow. 24-bit colour, or, on a display of 8 bits
// per pixel or fewer, a palette of at most 236 colours.
#pragma once

#include "container/jpegpicture.h"

#include <QImage>

class TMJPGFrame;

// Bits per pixel of the display the program shows its windows on.
int DisplayDepth();
// Makes DisplayDepth() report `depth` (0: the real display again), so that
// the rule for 8-bit displays can be tried on any machine.
void SetDisplayDepthOverride(int depth);

// The layout pictures are decoded in for the display: BGRX32, or Indexed8
// on a display of 8 bits per pixel or fewer. It asks the screen, so only
// the GUI thread calls it.
TPixelLayout DisplayPictureLayout();

// The frame's picture decoded for the display. Raises EJPEGError.
TDecodedPicture DecodeDisplayPicture(const TMJPGFrame& frame);

// DecodeDisplayPicture as a QImage that owns the decoded pixels (no copy):
// RGB32, or Indexed8 with the picture's palette. A `reduction` of 2, 4 or 8
// decodes it at that fraction of its size (jpegpicture.h).
QImage DecodeFrameImage(const TMJPGFrame& frame, int reduction = 1);
// The same in a given layout, whatever the display: for a thread that
// decodes before the display is known (and must not ask Qt about it).
QImage DecodeFrameImage(const TMJPGFrame& frame, TPixelLayout layout, int reduction);
// The same, decoded into `spare`'s pixels when it is an RGB32 image of the
// picture's size that nothing else shares (then `spare` itself is returned,
// and no buffer is allocated); otherwise as above. `spare` is left null.
QImage DecodeFrameImageInto(const TMJPGFrame& frame, int reduction, QImage& spare);
// JPEG bytes decoded into `layout` (BGRX32 or Indexed8) as DecodeFrameImage does, at
// 1/`reduction` of their size. Touches no screen: any thread may call it.
QImage DecodeJPEGImage(const uint8_t* data, size_t size, TPixelLayout layout, int reduction = 1);
