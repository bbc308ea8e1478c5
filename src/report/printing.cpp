// Printing through Qt's print support to the default printer.
#include "printing.h"

#include "layout.h"
#include "pagepainter.h"
#include "uikit/apptitle.h"
#include "uikit/dialogs.h"
#include "uikit/waitcursor.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

namespace {
QPageLayout PrinterLayout(const TPreparedPage& page)
{
    const QPageSize size(QSizeF(page.Settings.PaperWidth, page.Settings.PaperHeight), QPageSize::Millimeter,
                         QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, page.Settings.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

} // namespace

bool PrintReport(const TPreparedReport& report, QWidget* parent)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        Dialogs().Message(parent, MessageTitle(parent),
                          QStringLiteral("Принтер не установлен. Установите принтер в системе, чтобы печатать "
                                         "отчёты, или экспортируйте отчёт в файл."),
                          TMsgIcon::Warning, mbOK);
        return false;
    }
    if (report.Pages.empty())
        return false;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(report.Name);
    printer.setFullPage(true); // the page painter places everything from the paper's corner
    printer.setPageLayout(PrinterLayout(report.Pages.front()));
    QPainter painter;
    if (!painter.begin(&printer)) {
        Dialogs().Message(parent, MessageTitle(parent),
                          QStringLiteral("Не удаётся начать печать на принтере \"%1\".").arg(info.printerName()),
                          TMsgIcon::Error, mbOK);
        return false;
    }
    const TWaitCursor wait;
    for (size_t i = 0; i < report.Pages.size(); ++i) {
        if (i > 0) {
            printer.setPageLayout(PrinterLayout(report.Pages[i]));
            printer.newPage();
        }
        PaintPage(painter, report.Pages[i]);
    }
    painter.end();
    return true;
}
