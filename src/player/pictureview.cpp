// Painting the current frame.
#include "pictureview.h"

#include <QPaintEvent>
#include <QPainter>

#include <cstdio>

TPictureView::TPictureView(QWidget* parent)
    : QWidget(parent)
{
    // No background of its own: the black panel behind shows wherever the
    // picture does not cover.
}

void TPictureView::SetPicture(const QImage& picture)
{
    FPicture = picture;
    FPainted = FPicture.isNull();
    UpdateOpaque();
    update();
}

void TPictureView::UpdateOpaque()
{
    // A stretched picture covers every pixel (frames carry no alpha), so the
    // panel's black need not be painted under it on every frame.
    setAttribute(Qt::WA_OpaquePaintEvent, FStretch && !FPicture.isNull() && !FPicture.hasAlphaChannel());
}

void TPictureView::SetStretch(bool stretch)
{
    if (FStretch == stretch)
        return;
    FStretch = stretch;
    UpdateOpaque();
    update();
}

void TPictureView::SetSmoothScaling(bool smooth)
{
    if (FSmoothScaling == smooth)
        return;
    FSmoothScaling = smooth;
    // A picture left standing when playback ends is drawn again smoothly.
    if (FStretch)
        update();
}

void TPictureView::SetAlignClient(bool alignClient)
{
    FAlignClient = alignClient;
    if (FAlignClient && parentWidget())
        setGeometry(parentWidget()->rect());
}

namespace {

// For the start-up benchmark (bench/startupbench.cpp): with
// MJPG_REPORT_FIRST_PAINT set, the first picture painted in the process is
// told on stderr with its window's size, once.
void ReportFirstPaint(const QWidget& view)
{
    static bool reported = !qEnvironmentVariableIsSet("MJPG_REPORT_FIRST_PAINT");
    if (reported)
        return;
    reported = true;
    const QSize size = view.window()->size();
    std::fprintf(stderr, "first picture painted %dx%d\n", size.width(), size.height());
    std::fflush(stderr);
}

} // namespace

void TPictureView::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull())
        return;
    QPainter painter(this);
    if (FStretch) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, FSmoothScaling);
        painter.drawImage(rect(), FPicture);
    } else {
        const QPoint topLeft((width() - FPicture.width()) / 2, (height() - FPicture.height()) / 2);
        painter.drawImage(topLeft, FPicture);
    }
    painter.end();
    ReportFirstPaint(*this);
    if (!FPainted) {
        FPainted = true;
        emit PicturePainted();
    }
}
