// Turning a frame's JPEG bytes into the picture the view shows, and keeping
// one picture decoded ahead so that playback spends its waiting time on the
// next frame instead of adding the decoding time to the frame's period.
#pragma once

#include <QImage>

class TMJPGFrame;

// The frame's picture as a QImage that owns the decoder's pixel buffer (no
// copy): RGB32, or 8-bit indexed on a display of 8 bits per pixel or fewer.
// Raises EJPEGError when the picture cannot be decoded.
QImage DecodeFrameImage(const TMJPGFrame& frame);

class TFramePictureCache {
public:
    // Decodes `frame` now unless it is the one already held. A picture that
    // cannot be decoded is remembered as such, so it is not tried again.
    void Prepare(TMJPGFrame* frame);
    // True when `frame` was prepared; `picture` is then its picture, null
    // when it could not be decoded.
    bool Take(const TMJPGFrame* frame, QImage& picture);
    bool Holds(const TMJPGFrame* frame) const { return frame && frame == FFrame; }
    // Forgets the frame held (its fragment is going away; a new frame may
    // later reuse its address).
    void Clear();

private:
    const TMJPGFrame* FFrame = nullptr;
    QImage FPicture;
};
