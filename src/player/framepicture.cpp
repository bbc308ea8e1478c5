// Decoding frames for the view.
#include "framepicture.h"

#include "picture/displaypicture.h"
#include "uikit/failurelog.h"

#include <exception>

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
