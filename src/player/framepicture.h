// The decoded pictures the view keeps at hand (decoded with the procedure of
// picture/displaypicture.h): the frame on screen, the one playback decodes
// ahead while its loop waits, and the neighbours of a step, so that the next
// step or frame costs a paint instead of a decode. Each picture is kept at
// the size the view shows it: a picture stretched into half its size or less
// is decoded reduced, which costs a fraction of a full decode.
#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <vector>

class TMJPGFrame;

class TFramePictureCache {
public:
    // At most this many pictures are kept (the one on screen and its two
    // neighbours, or the one coming while playing), and at most this many
    // bytes of pixels (three 1080p pictures), but never fewer than two
    // pictures, however large. Pictures already shown are not kept beyond
    // that: they would only add to the memory of a playing fragment.
    static constexpr size_t MaxPictures = 3;
    static constexpr size_t MaxBytes = 3 * 1920 * 1080 * 4;

    // Decodes `frame` for a view of `shown` pixels (empty: its own size)
    // unless it is held already. A picture that cannot be decoded is
    // remembered as such, so it is not tried again.
    void Prepare(const TMJPGFrame* frame, QSize shown);
    // True when `frame` was prepared for `shown`; `picture` is then its
    // picture, null when it could not be decoded.
    bool Take(const TMJPGFrame* frame, QSize shown, QImage& picture);
    bool Holds(const TMJPGFrame* frame, QSize shown) const;
    // Keeps `picture`, decoded elsewhere as Prepare decodes it at
    // `reduction`, as the frame's picture at that reduction.
    void Keep(const TMJPGFrame* frame, int reduction, QImage picture);
    // Forgets every picture (the fragment is going away; a new frame may
    // later reuse a frame's address). Frames are only compared, never read,
    // once prepared.
    void Clear();

    // The reduction (1, 2, 4 or 8) the frame's picture is decoded with for a
    // view of `shown` pixels: the largest that still covers them. The
    // picture's size is read once for the frame asked about last (playback
    // asks about each frame several times in a row).
    int Reduction(const TMJPGFrame& frame, QSize shown) const;

    // The bytes of pixels held now.
    size_t Bytes() const;
    size_t Count() const { return FEntries.size(); }

private:
    struct TEntry {
        const TMJPGFrame* Frame = nullptr;
        int Reduction = 1;
        QImage Picture;
        uint64_t Used = 0;
    };
    TEntry* Find(const TMJPGFrame* frame, int reduction);
    // Whether one more picture of `bytes` would not fit (by count or by
    // bytes) beside the two that always stay.
    bool Full(size_t bytes) const;
    std::vector<TEntry>::iterator Oldest();
    void MakeRoom(size_t bytes);
    // The bytes of the frame's picture at the reduction (RGB32).
    size_t ExpectedBytes(const TMJPGFrame& frame, int reduction) const;
    // The size of the frame's picture from its JPEG header; false when it
    // cannot be read. The answer for the frame asked about last is kept
    // until Clear.
    bool PictureSize(const TMJPGFrame& frame, int& width, int& height) const;
    // The least recently used picture, taken out of the cache, when one more
    // of `bytes` would not fit (by count or by bytes); null otherwise.
    QImage TakeOldest(size_t bytes);

    std::vector<TEntry> FEntries;
    uint64_t FClock = 0;
    mutable const TMJPGFrame* FSizedFrame = nullptr;
    mutable bool FSizedRead = false;
    mutable int FSizedWidth = 0;
    mutable int FSizedHeight = 0;
};
