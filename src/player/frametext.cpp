// A frame's number and time as the window shows them.
#include "frametext.h"

#include "container/mjpgimage.h"
#include "core/datetime.h"

QString FrameTimeText(const TMJPGImage& image, int32_t index)
{
    return QString::fromStdString(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", FrameWallTime(*image.Header, index)));
}

QString FramePanelText(const TMJPGImage* image, int32_t index)
{
    if (!image)
        return {};
    return QStringLiteral("Кадр %1 из %2 · %3").arg(index).arg(image->FrameCount()).arg(FrameTimeText(*image, index));
}

QString FramePreviewText(const TMJPGImage& image, int32_t index)
{
    return QStringLiteral("Кадр %1 · %2").arg(index).arg(FrameTimeText(image, index));
}
