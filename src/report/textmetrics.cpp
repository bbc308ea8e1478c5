// Text measurement on a 1200 dpi image, converted to millimetres.
#include "textmetrics.h"

#include <QFontMetricsF>
#include <QImage>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

namespace {
constexpr double MeasureDpi = 1200;

const QImage& MeasureDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(MeasureDpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

double ToMm(double dots)
{
    return dots * 25.4 / MeasureDpi;
}

double ToDots(double mm)
{
    return mm * MeasureDpi / 25.4;
}
} // namespace

QFont ReportQFont(const TReportFont& font)
{
    QFont result(font.Family);
    result.setPointSizeF(font.PointSize);
    result.setHintingPreference(QFont::PreferNoHinting);
    result.setStyleStrategy(QFont::PreferOutline);
    return result;
}

double TextWidthMm(const TReportFont& font, const QString& text)
{
    const QFontMetricsF metrics(ReportQFont(font), &MeasureDevice());
    double widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return ToMm(widest);
}

double WrappedTextHeightMm(const TReportFont& font, const QString& text, double widthMm)
{
    const QFontMetricsF metrics(ReportQFont(font), &MeasureDevice());
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, ToDots(widthMm), 1e9),
                                               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    return ToMm(std::max(bounds.height(), metrics.height()));
}

QString BreakTextToWidth(const TReportFont& font, const QString& text, double widthMm)
{
    const QFont qfont = ReportQFont(font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, qfont, &MeasureDevice());
        layout.setTextOption(option);
        layout.beginLayout();
        bool any = false;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            // Half a dot of room: a line exactly as wide as its text stays whole.
            line.setLineWidth(ToDots(widthMm) + 0.5);
            QString part = paragraph.mid(line.textStart(), line.textLength());
            while (!part.isEmpty() && part.back().isSpace())
                part.chop(1);
            lines << part;
            any = true;
        }
        layout.endLayout();
        if (!any)
            lines << QString();
    }
    return lines.join(QLatin1Char('\n'));
}
