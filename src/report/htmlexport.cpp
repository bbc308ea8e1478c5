// Writing a prepared report as an HTML page with absolutely placed objects
// (millimetres), so that a browser shows what the preview shows.
#include "htmlexport.h"

#include "core/errors.h"
#include "layout.h"
#include "textmetrics.h"

#include <QBuffer>
#include <QFile>

namespace {

QString Mm(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral("mm");
}

QString Box(const QRectF& r)
{
    return QStringLiteral("left:%1;top:%2;width:%3;height:%4;").arg(Mm(r.left()), Mm(r.top()), Mm(r.width()), Mm(r.height()));
}

QByteArray PictureData(const TPreparedPicture& picture)
{
    if (!picture.Jpeg.isEmpty())
        return "data:image/jpeg;base64," + picture.Jpeg.toBase64();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.Picture.save(&buffer, "PNG");
    return "data:image/png;base64," + png.toBase64();
}

QString Page(const TPreparedPage& page, const THtmlExportSettings& settings)
{
    QString html;
    html += QStringLiteral("<div class=\"page\" style=\"width:%1;height:%2;%3\">\n")
                .arg(Mm(page.Width), Mm(page.Height),
                     settings.Centered ? QStringLiteral("margin:0 auto;") : QStringLiteral("margin:0;"));
    for (const TPreparedPicture& picture : page.Pictures)
        html += QStringLiteral("<img id=\"%1\" style=\"%2\" src=\"%3\" alt=\"\">\n")
                    .arg(picture.Name.toHtmlEscaped(), Box(picture.Rect), QString::fromLatin1(PictureData(picture)));
    for (const TPreparedLine& line : page.Lines)
        html += QStringLiteral("<div id=\"%1\" class=\"line\" style=\"left:%2;top:%3;width:%4;border-top:%5 solid #000;\"></div>\n")
                    .arg(line.Name.toHtmlEscaped(), Mm(line.From.x()), Mm(line.From.y() - line.Width / 2),
                         Mm(line.To.x() - line.From.x()), Mm(line.Width));
    for (const TPreparedText& text : page.Texts) {
        const QString align = text.HAlign == THorzAlign::Right    ? QStringLiteral("right")
                              : text.HAlign == THorzAlign::Center ? QStringLiteral("center")
                                                                  : QStringLiteral("left");
        html += QStringLiteral("<div id=\"%1\" class=\"text\" style=\"%2text-align:%3;%4"
                               "font-family:'%5';font-size:%6pt;padding:%7 %8;\">%9</div>\n")
                    .arg(text.Name.toHtmlEscaped(), Box(text.Rect.adjusted(0, 0, -2 * TextGapX, -2 * TextGapY)), align,
                         // A browser whose font is wider than ours breaks a
                         // wrapping text inside its box, long words included.
                         text.WordWrap ? QStringLiteral("white-space:pre-wrap;overflow-wrap:anywhere;")
                                       : QStringLiteral("white-space:pre;"),
                         text.Font.Family,
                         QString::number(text.Font.PointSize), Mm(TextGapY), Mm(TextGapX), text.Text.toHtmlEscaped());
    }
    html += QStringLiteral("</div>\n");
    return html;
}

} // namespace

QByteArray ExportHtmlBytes(const TPreparedReport& report, const THtmlExportSettings& settings)
{
    QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n<style>\n"
        "body { margin: 0; padding: 0; background: #fff; }\n"
        ".page { position: relative; overflow: hidden; box-sizing: border-box; }\n"
        ".page + .page { border-top: 1px dashed #999; }\n"
        ".page > * { position: absolute; box-sizing: content-box; margin: 0; }\n"
        ".text { color: #000; overflow: visible; line-height: 1.17; }\n"
        ".line { height: 0; }\n"
        "</style>\n</head>\n<body>\n")
                       .arg(report.Name.toHtmlEscaped());
    for (const TPreparedPage& page : report.Pages)
        html += Page(page, settings);
    html += QStringLiteral("</body>\n</html>\n");
    return html.toUtf8();
}

void ExportHtml(const TPreparedReport& report, const QString& path, const THtmlExportSettings& settings)
{
    const QByteArray bytes = ExportHtmlBytes(report, settings);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        throw EError(QStringLiteral("Не удаётся записать файл %1: %2").arg(path, file.errorString()).toStdString());
}
