// TSliderPreview: the small window above the position slider that shows the
// frame under the pointer while the pointer rests on or moves over the
// slider: its picture about PictureWidth pixels wide, decoded reduced
// (never at full size), and "Кадр N · <time>", or "Нет изображения" for a
// frame without a picture. It follows the pointer, hides when the pointer
// leaves, and never touches the slider's position, so it works the same
// while the fragment plays. Pictures are cached by frame index for the open
// fragment, at most MaxCacheBytes of them.
#pragma once

#include <QCache>
#include <QFrame>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>

class QLabel;
class QSlider;
class TMJPGImage;

class TSliderPreview : public QFrame {
    Q_OBJECT
public:
    static constexpr int PictureWidth = 160;
    // About 140 previews of 1080p frames, 100 of 704 x 576 ones.
    static constexpr size_t MaxCacheBytes = 8u << 20;

    // Watches `slider`; `image` gives the open fragment (null: none) each
    // time a preview is asked for. `parent` owns it; it is a window of its own.
    TSliderPreview(QSlider* slider, std::function<TMJPGImage*()> image, QWidget* parent);

    // The open fragment changed: the cached pictures go, the preview hides.
    void Reset();
    // Shows the frame under `x` (the slider's coordinates), or hides when
    // there is no fragment.
    void ShowAt(int x);
    // The frame shown now; -1 while hidden.
    int32_t Index() const { return isVisible() ? FIndex : -1; }
    size_t CachedBytes() const { return static_cast<size_t>(FCache.totalCost()); }

    QLabel* lblPicture = nullptr;
    QLabel* lblText = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame's preview picture, from the cache or decoded now; null when
    // the frame has no picture.
    QImage Picture(TMJPGImage& image, int32_t index);
    void PlaceAt(int x);

    QSlider* FSlider;
    std::function<TMJPGImage*()> FImage;
    QCache<int32_t, QImage> FCache;
    int32_t FIndex = -1;
};

// The slider's value under horizontal position `x` of the slider, as a click
// there would make it with the style's absolute set buttons.
int SliderValueAt(const QSlider& slider, int x);
