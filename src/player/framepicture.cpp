// Decoding frames for the view.
#include "framepicture.h"

#include "container/jpegpicture.h"
#include "uikit/failurelog.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>
#include <exception>

namespace {

void FreePixels(void* pixels)
{
    std::free(pixels);
}

bool PaletteDisplay()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->depth() <= 8;
}

} // namespace

QImage DecodeFrameImage(const TMJPGFrame& frame)
{
    const bool indexed = PaletteDisplay();
    TDecodedPicture decoded = DecodeFramePicture(frame, indexed ? TPixelLayout::Indexed8 : TPixelLayout::BGRX32);
    if (decoded.Width <= 0 || decoded.Height <= 0 || !decoded.Pixels)
        throw EJPEGError("JPEG error: empty picture");
    uint8_t* pixels = decoded.Pixels.get();
    QImage image(pixels, decoded.Width, decoded.Height, decoded.BytesPerLine,
                 indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32, FreePixels, pixels);
    if (image.isNull())
        throw EJPEGError("JPEG error: picture too large");
    decoded.Pixels.release(); // the image frees them now
    if (indexed) {
        QList<QRgb> colours(decoded.Palette.begin(), decoded.Palette.end());
        image.setColorTable(colours);
    }
    return image;
}

void TFramePictureCache::Prepare(TMJPGFrame* frame)
{
    if (!frame || frame == FFrame)
        return;
    FFrame = frame;
    FPicture = QImage();
    try {
        FPicture = DecodeFrameImage(*frame);
    } catch (const std::exception&) {
        // Remembered as undecodable: showing it keeps the previous picture.
        LogCurrentFailure(QStringLiteral("Не могу декодировать кадр"));
    }
}

bool TFramePictureCache::Take(const TMJPGFrame* frame, QImage& picture)
{
    if (!Holds(frame))
        return false;
    picture = FPicture;
    return true;
}

void TFramePictureCache::Clear()
{
    FFrame = nullptr;
    FPicture = QImage();
}
