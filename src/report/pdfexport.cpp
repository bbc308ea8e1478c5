// Writing a prepared report as PDF through QPdfWriter.
#include "pdfexport.h"

#include "core/errors.h"
#include "layout.h"
#include "pagepainter.h"
#include "pdfinfo.h"

#include <QBuffer>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace {

QPageLayout PageLayoutOf(const TPreparedPage& page)
{
    const QPageSize size(QSizeF(page.Settings.PaperWidth, page.Settings.PaperHeight), QPageSize::Millimeter,
                         QString(), QPageSize::ExactMatch);
    return QPageLayout(size, page.Settings.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void Write(QIODevice& device, const TPreparedReport& report, const TPdfExportSettings& settings)
{
    QPdfWriter writer(&device);
    writer.setResolution(1200);
    writer.setTitle(settings.Title);
    writer.setCreator(settings.Creator);
    if (!report.Pages.empty())
        writer.setPageLayout(PageLayoutOf(report.Pages.front()));
    QPainter painter;
    if (!painter.begin(&writer))
        throw EError("Не удаётся начать документ PDF");
    for (size_t i = 0; i < report.Pages.size(); ++i) {
        if (i > 0) {
            writer.setPageLayout(PageLayoutOf(report.Pages[i]));
            writer.newPage();
        }
        PaintPage(painter, report.Pages[i]);
    }
    painter.end();
}

} // namespace

QByteArray ExportPdfBytes(const TPreparedReport& report, const TPdfExportSettings& settings)
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        Write(buffer, report, settings);
    }
    return AddPdfInfo(bytes, {{"Author", settings.Author}, {"Subject", settings.Subject}});
}

void ExportPdf(const TPreparedReport& report, const QString& path, const TPdfExportSettings& settings)
{
    const QByteArray bytes = ExportPdfBytes(report, settings);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        throw EError(QStringLiteral("Не удаётся записать файл %1: %2").arg(path, file.errorString()).toStdString());
}
