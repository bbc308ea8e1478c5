// Keeping one picture decoded ahead (with the decode procedure of
// picture/displaypicture.h) so that playback spends its waiting time on the
// next frame instead of adding the decoding time to the frame's period.
#pragma once

#include <QImage>

class TMJPGFrame;

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
