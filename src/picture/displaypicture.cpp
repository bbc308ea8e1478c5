// The display's depth and the decoded picture handed to Qt.
#include "displaypicture.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>
#include <utility>

namespace {

int DepthOverride = 0;

void FreePixels(void* pixels)
{
    std::free(pixels);
}

// The decoded picture as a QImage that owns its pixel buffer.
QImage PictureImage(TDecodedPicture&& picture)
{
    if (picture.Width <= 0 || picture.Height <= 0 || !picture.Pixels)
        throw EJPEGError("JPEG error: empty picture");
    const bool indexed = picture.Layout == TPixelLayout::Indexed8;
    uint8_t* pixels = picture.Pixels.get();
    QImage image(pixels, picture.Width, picture.Height, picture.BytesPerLine,
                 indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32, FreePixels, pixels);
    if (image.isNull())
        throw EJPEGError("JPEG error: picture too large");
    picture.Pixels.release(); // the image frees them now
    if (indexed)
        image.setColorTable(QList<QRgb>(picture.Palette.begin(), picture.Palette.end()));
    return image;
}

} // namespace

int DisplayDepth()
{
    if (DepthOverride > 0)
        return DepthOverride;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 24;
}

void SetDisplayDepthOverride(int depth)
{
    DepthOverride = depth;
}

TPixelLayout DisplayPictureLayout()
{
    return DisplayDepth() <= 8 ? TPixelLayout::Indexed8 : TPixelLayout::BGRX32;
}

TDecodedPicture DecodeDisplayPicture(const TMJPGFrame& frame)
{
    return DecodeFramePicture(frame, DisplayPictureLayout());
}

QImage DecodeJPEGImage(const uint8_t* data, size_t size, TPixelLayout layout, int reduction)
{
    return PictureImage(DecodeJPEG(data, size, layout, reduction));
}

QImage DecodeFrameImage(const TMJPGFrame& frame, int reduction)
{
    return DecodeFrameImage(frame, DisplayPictureLayout(), reduction);
}

QImage DecodeFrameImage(const TMJPGFrame& frame, TPixelLayout layout, int reduction)
{
    return PictureImage(DecodeFramePicture(frame, layout, reduction));
}

QImage DecodeFrameImageInto(const TMJPGFrame& frame, int reduction, QImage& spare)
{
    QImage reused = std::move(spare);
    spare = QImage();
    const TPixelLayout layout = DisplayPictureLayout();
    if (reused.isNull() || !reused.isDetached() || reused.format() != QImage::Format_RGB32 ||
        layout != TPixelLayout::BGRX32)
        return DecodeFrameImage(frame, reduction);
    TPixelTarget target{reused.bits(), reused.width(), reused.height(), static_cast<int>(reused.bytesPerLine())};
    TDecodedPicture picture = DecodeFramePicture(frame, layout, reduction, &target);
    if (picture.InTarget)
        return reused;
    return PictureImage(std::move(picture));
}
