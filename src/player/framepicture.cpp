// Decoding frames for the view.
#include "framepicture.h"

#include "container/jpegpicture.h"
#include "picture/displaypicture.h"
#include "uikit/failurelog.h"

#include <algorithm>
#include <exception>

namespace {

size_t PictureBytes(const QImage& picture)
{
    return static_cast<size_t>(picture.sizeInBytes());
}

} // namespace

bool TFramePictureCache::PictureSize(const TMJPGFrame& frame, int& width, int& height) const
{
    if (FSizedFrame != &frame) {
        FSizedRead = ReadFramePictureSize(frame, FSizedWidth, FSizedHeight);
        FSizedFrame = &frame;
    }
    width = FSizedWidth;
    height = FSizedHeight;
    return FSizedRead;
}

int TFramePictureCache::Reduction(const TMJPGFrame& frame, QSize shown) const
{
    int width = 0, height = 0;
    if (shown.isEmpty() || !PictureSize(frame, width, height))
        return 1;
    return ReductionFor(width, height, shown.width(), shown.height());
}

TFramePictureCache::TEntry* TFramePictureCache::Find(const TMJPGFrame* frame, int reduction)
{
    for (TEntry& entry : FEntries)
        if (entry.Frame == frame && entry.Reduction == reduction)
            return &entry;
    return nullptr;
}

bool TFramePictureCache::Holds(const TMJPGFrame* frame, QSize shown) const
{
    return frame && const_cast<TFramePictureCache*>(this)->Find(frame, Reduction(*frame, shown));
}

bool TFramePictureCache::Full(size_t bytes) const
{
    // Two always stay (the one on screen and the one coming), a third while
    // it fits.
    return FEntries.size() >= MaxPictures || (FEntries.size() >= 2 && Bytes() + bytes > MaxBytes);
}

std::vector<TFramePictureCache::TEntry>::iterator TFramePictureCache::Oldest()
{
    return std::min_element(FEntries.begin(), FEntries.end(),
                            [](const TEntry& a, const TEntry& b) { return a.Used < b.Used; });
}

void TFramePictureCache::MakeRoom(size_t bytes)
{
    // The least recently used pictures go first.
    while (Full(bytes))
        FEntries.erase(Oldest());
}

size_t TFramePictureCache::ExpectedBytes(const TMJPGFrame& frame, int reduction) const
{
    int width = 0, height = 0;
    if (!PictureSize(frame, width, height))
        return 0;
    const size_t w = static_cast<size_t>(ReducedSize(width, reduction));
    return w * 4 * static_cast<size_t>(ReducedSize(height, reduction));
}

QImage TFramePictureCache::TakeOldest(size_t bytes)
{
    if (!Full(bytes))
        return QImage();
    const auto oldest = Oldest();
    QImage picture = std::move(oldest->Picture);
    FEntries.erase(oldest);
    return picture;
}

void TFramePictureCache::Prepare(const TMJPGFrame* frame, QSize shown)
{
    if (!frame)
        return;
    const int reduction = Reduction(*frame, shown);
    if (TEntry* held = Find(frame, reduction)) {
        held->Used = ++FClock;
        return;
    }
    // When the cache is full, the picture used least recently gives its
    // pixels to this one: playback decodes into the same few buffers
    // instead of a new one for every frame.
    QImage spare = TakeOldest(ExpectedBytes(*frame, reduction));
    QImage picture;
    try {
        picture = DecodeFrameImageInto(*frame, reduction, spare);
    } catch (const std::exception&) {
        // Remembered as undecodable: showing it keeps the previous picture.
        LogCurrentFailure(QStringLiteral("Не могу декодировать кадр"));
    }
    Keep(frame, reduction, std::move(picture));
}

void TFramePictureCache::Keep(const TMJPGFrame* frame, int reduction, QImage picture)
{
    if (!frame)
        return;
    if (TEntry* held = Find(frame, reduction)) {
        held->Picture = std::move(picture);
        held->Used = ++FClock;
        return;
    }
    MakeRoom(PictureBytes(picture));
    FEntries.push_back({frame, reduction, std::move(picture), ++FClock});
}

bool TFramePictureCache::Take(const TMJPGFrame* frame, QSize shown, QImage& picture)
{
    TEntry* entry = frame ? Find(frame, Reduction(*frame, shown)) : nullptr;
    if (!entry)
        return false;
    entry->Used = ++FClock;
    picture = entry->Picture;
    return true;
}

void TFramePictureCache::Clear()
{
    FEntries.clear();
    FSizedFrame = nullptr;
}

size_t TFramePictureCache::Bytes() const
{
    size_t bytes = 0;
    for (const TEntry& entry : FEntries)
        bytes += PictureBytes(entry.Picture);
    return bytes;
}
