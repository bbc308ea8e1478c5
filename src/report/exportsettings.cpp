// The frame report's export settings.
#include "exportsettings.h"

namespace {
const QString ReportTitle = QStringLiteral("Информация из видеоархива");
const QString Vendor = QStringLiteral("Orvanta");
} // namespace

TPdfExportSettings FrameReportPdfSettings()
{
    TPdfExportSettings s;
    s.DefaultFileName = ReportTitle + QStringLiteral(".pdf");
    s.Title = ReportTitle;
    s.Author = Vendor;
    s.Subject = ReportTitle;
    s.Creator = Vendor + QStringLiteral(" (") + QString::fromLatin1(ProductWebAddress) + QLatin1Char(')');
    return s;
}

THtmlExportSettings FrameReportHtmlSettings()
{
    THtmlExportSettings s;
    s.DefaultFileName = ReportTitle + QStringLiteral(".htm");
    return s;
}

TRtfExportSettings FrameReportRtfSettings()
{
    TRtfExportSettings s;
    s.DefaultFileName = ReportTitle + QStringLiteral(".rtf");
    s.Creator = Vendor;
    return s;
}

TMailExportDefaults FrameReportMailDefaults()
{
    return {ReportTitle, ReportTitle, 25};
}
