// Drawing a laid-out page on any QPainter device.
#include "pagepainter.h"

#include "textmetrics.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>

void PaintPage(QPainter& painter, const TPreparedPage& page, QPointF origin)
{
    const QPaintDevice* device = painter.device();
    const double sx = device->logicalDpiX() / 25.4;
    const double sy = device->logicalDpiY() / 25.4;
    auto point = [&](QPointF mm) { return QPointF(origin.x() + mm.x() * sx, origin.y() + mm.y() * sy); };
    auto rect = [&](const QRectF& mm) { return QRectF(point(mm.topLeft()), QSizeF(mm.width() * sx, mm.height() * sy)); };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    for (const TPreparedPicture& picture : page.Pictures)
        painter.drawImage(rect(picture.Rect), picture.Picture);

    for (const TPreparedLine& line : page.Lines) {
        QPen pen(Qt::black);
        pen.setWidthF(line.Width * sy);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(point(line.From), point(line.To));
    }

    painter.setPen(Qt::black);
    for (const TPreparedText& text : page.Texts) {
        if (text.Text.isEmpty())
            continue;
        painter.setFont(ReportQFont(text.Font));
        const QRectF inner = rect(text.Rect.adjusted(TextGapX, TextGapY, -TextGapX, -TextGapY));
        int flags = Qt::AlignTop | Qt::TextDontClip;
        flags |= text.HAlign == THorzAlign::Right    ? Qt::AlignRight
                 : text.HAlign == THorzAlign::Center ? Qt::AlignHCenter
                                                     : Qt::AlignLeft;
        flags |= text.WordWrap ? Qt::TextWordWrap : Qt::TextSingleLine;
        painter.drawText(inner, flags, text.Text);
    }
    painter.restore();
}

QImage RenderPage(const TPreparedPage& page, double dpi)
{
    const QSize size(qRound(page.Width * dpi / 25.4), qRound(page.Height * dpi / 25.4));
    QImage image(size, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintPage(painter, page);
    return image;
}
