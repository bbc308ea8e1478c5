// TSliderPreview: the small window above the position slider that shows the
// frame under the pointer while the pointer rests on or moves over the
// slider: its picture about PictureWidth pixels wide, decoded reduced
// (never at full size), and "Кадр N · <time>", or "Нет изображения" for a
// frame without a picture. It follows the pointer, hides when the pointer
// leaves, and never touches the slider's position, so it works the same
// while the fragment plays. Pictures are cached by frame index for the open
// fragment, at most MaxCacheBytes of them.
//
// While the pointer is over the slider, a worker thread (TPreviewPreparer)
// decodes the previews of the frames the slider's pixels stand for, nearest
// the pointer first, into the same cache; the frame under the pointer is
// never waited for: a move to a frame not ready yet decodes it here.
#pragma once

#include "previewpreparer.h"

#include <QCache>
#include <QFrame>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QSlider;
class TMJPGImage;

class TSliderPreview : public QFrame {
    Q_OBJECT
public:
    static constexpr int PictureWidth = 160;
    // 24 MiB: about 430 previews of 1080p frames, 300 of 704 x 576 ones.
    static constexpr size_t MaxCacheBytes = 24u << 20;

    // Watches `slider`; `image` gives the open fragment (null: none) each
    // time a preview is asked for. `parent` owns it; it is a window of its own.
    TSliderPreview(QSlider* slider, std::function<TMJPGImage*()> image, QWidget* parent);
    ~TSliderPreview() override;

    // The open fragment changed: the worker stops, the cached pictures go,
    // the preview hides. The next move prepares again.
    void Reset();
    // Shows the frame under `x` (the slider's coordinates), or hides when
    // there is no fragment.
    void ShowAt(int x);
    // The frame shown now; -1 while hidden.
    int32_t Index() const { return isVisible() ? FIndex : -1; }
    size_t CachedBytes() const { return static_cast<size_t>(FCache.totalCost()); }
    // True when the frame's preview is in the cache.
    bool Cached(int32_t index) const { return FCache.contains(index); }
    // True while the worker decodes previews ahead of the pointer.
    bool Preparing() const { return FPreparer.Busy(); }
    // Off: only the frames the pointer comes to are decoded (on by default).
    void SetPreparing(bool on);

    QLabel* lblPicture = nullptr;
    QLabel* lblText = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame's preview picture, from the cache or decoded now; null when
    // the frame has no picture.
    QImage Picture(TMJPGImage& image, int32_t index);
    void PlaceAt(int x);
    // Starts the worker on the frames not cached yet, or aims it at `index`.
    void Prepare(TMJPGImage& image, int32_t index);
    // Moves the worker's pictures into the cache.
    void TakePrepared();
    // The pointer left: hides, and the worker pauses.
    void Leave();

    QSlider* FSlider;
    std::function<TMJPGImage*()> FImage;
    QCache<int32_t, QImage> FCache;
    int32_t FIndex = -1;
    bool FPreparing = true;
    // The fragment the worker prepares for (compared, never read).
    const TMJPGImage* FPreparedFor = nullptr;
    TPreviewPreparer FPreparer;
};

// The slider's value under horizontal position `x` of the slider, as a click
// there would make it with the style's absolute set buttons.
int SliderValueAt(const QSlider& slider, int x);
// SliderValueAt for every x across the slider, each value once, in the order
// of x.
std::vector<int> SliderValuesAcross(const QSlider& slider);
