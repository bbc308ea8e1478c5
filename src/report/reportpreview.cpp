// The preview window: the page as a picture painted by the page painter,
// tool bar commands wired through the guarded handlers.
#include "reportpreview.h"

#include "exportsettings.h"
#include "htmlexport.h"
#include "layout.h"
#include "mailexport.h"
#include "pagepainter.h"
#include "pdfexport.h"
#include "printing.h"
#include "reportmodel.h"
#include "rtfexport.h"
#include "uikit/dialogs.h"
#include "uikit/guarded.h"
#include "uikit/placement.h"
#include "uikit/waitcursor.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {
constexpr double ScreenDpi = 96;
constexpr double MinZoom = 0.1, MaxZoom = 8;
} // namespace

TReportPreview::TReportPreview(TReport& report, QWidget* parent) : QDialog(parent), FReport(report)
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Предварительный просмотр: %1").arg(report.Name));
    setModal(true);
    setSizeGripEnabled(true);
    if (!FReport.Prepared())
        FReport.Build();
    createControls();
    // Wide enough for every command of the tool bar (none hidden behind its
    // overflow button), as high as the design, within the screen; centred.
    const QSize wanted(std::max(800, findChild<QToolBar*>(QStringLiteral("tbrPreview"))->sizeHint().width()), 900);
    if (const QScreen* screen = this->screen())
        resize(wanted.boundedTo(screen->availableGeometry().size() - QSize(16, 48)));
    else
        resize(wanted);
    CenterOnScreen(this);
    Render();
}

void TReportPreview::createControls()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbrPreview"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto action = [this](const char* name, const QString& text, const QString& hint, std::function<void()> handler) {
        auto* a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, [handler] { Guarded(handler); });
        addAction(a);
        return a;
    };
    actPrint = action("actPrint", QStringLiteral("Печать"), QStringLiteral("Печатать на принтере по умолчанию"),
                      [this] { Print(); });
    actPrint->setShortcut(QKeySequence::Print);
    actExportPdf = action("actExportPdf", QStringLiteral("Файл PDF..."), QStringLiteral("Экспорт в PDF"),
                          [this] { Export(TExportKind::Pdf); });
    actExportHtml = action("actExportHtml", QStringLiteral("Файл HTML..."), QStringLiteral("Экспорт в HTML"),
                           [this] { Export(TExportKind::Html); });
    actExportRtf = action("actExportRtf", QStringLiteral("Файл RTF..."), QStringLiteral("Экспорт в RTF"),
                          [this] { Export(TExportKind::Rtf); });
    actExportMail = action("actExportMail", QStringLiteral("Электронная почта..."),
                           QStringLiteral("Отправить по электронной почте"), [this] { Export(TExportKind::Mail); });
    actQuickExport = action("actQuickExport", QStringLiteral("Быстрый экспорт"),
                            QStringLiteral("Повторить последний экспорт"), [this] { QuickExport(); });
    actZoomIn = action("actZoomIn", QStringLiteral("Крупнее"), QStringLiteral("Увеличить"),
                       [this] { SetZoom(FZoom * 1.25); });
    actZoomIn->setShortcut(QKeySequence::ZoomIn);
    actZoomOut = action("actZoomOut", QStringLiteral("Мельче"), QStringLiteral("Уменьшить"),
                        [this] { SetZoom(FZoom / 1.25); });
    actZoomOut->setShortcut(QKeySequence::ZoomOut);
    actZoomWholePage = action("actZoomWholePage", QStringLiteral("Страница целиком"),
                              QStringLiteral("Показать страницу целиком"), [this] { ZoomToWholePage(); });
    actZoomPageWidth = action("actZoomPageWidth", QStringLiteral("По ширине"), QStringLiteral("По ширине страницы"),
                              [this] { ZoomToPageWidth(); });
    actZoom100 = action("actZoom100", QStringLiteral("100%"), QStringLiteral("Истинный размер"),
                        [this] { SetZoom(1.0); });
    actPageSetup = action("actPageSetup", QStringLiteral("Страница..."),
                          QStringLiteral("Параметры страницы: размер бумаги, ориентация и поля"),
                          [this] { PageSetup(); });
    actFirstPage = action("actFirstPage", QStringLiteral("|<"), QStringLiteral("Первая страница"),
                          [this] { ShowPage(0); });
    actPriorPage = action("actPriorPage", QStringLiteral("<"), QStringLiteral("Предыдущая страница"),
                          [this] { ShowPage(FPageIndex - 1); });
    actNextPage = action("actNextPage", QStringLiteral(">"), QStringLiteral("Следующая страница"),
                         [this] { ShowPage(FPageIndex + 1); });
    actLastPage = action("actLastPage", QStringLiteral(">|"), QStringLiteral("Последняя страница"),
                         [this] { ShowPage(PageCount() - 1); });
    actClose = action("actClose", QStringLiteral("Закрыть"), QStringLiteral("Закрыть просмотр"), [this] { accept(); });

    auto* exportMenu = new QMenu(this);
    exportMenu->setObjectName(QStringLiteral("pmExport"));
    exportMenu->addActions({actExportPdf, actExportHtml, actExportRtf, actExportMail});
    auto* exportButton = new QToolButton(bar);
    exportButton->setObjectName(QStringLiteral("tbtnExport"));
    exportButton->setText(QStringLiteral("Экспорт"));
    exportButton->setToolTip(QStringLiteral("Экспорт в файл или по почте"));
    exportButton->setMenu(exportMenu);
    exportButton->setPopupMode(QToolButton::InstantPopup);

    // The zoom choices under one button, so that every command fits the
    // bar of a window 800 pixels wide.
    auto* zoomMenu = new QMenu(this);
    zoomMenu->setObjectName(QStringLiteral("pmZoom"));
    zoomMenu->addActions({actZoomWholePage, actZoomPageWidth, actZoom100});
    zoomMenu->addSeparator();
    zoomMenu->addActions({actZoomIn, actZoomOut});
    auto* zoomButton = new QToolButton(bar);
    zoomButton->setObjectName(QStringLiteral("tbtnZoom"));
    zoomButton->setText(QStringLiteral("Масштаб"));
    zoomButton->setToolTip(QStringLiteral("Масштаб страницы"));
    zoomButton->setMenu(zoomMenu);
    zoomButton->setPopupMode(QToolButton::InstantPopup);

    bar->addAction(actPrint);
    bar->addWidget(exportButton);
    bar->addAction(actQuickExport);
    bar->addSeparator();
    bar->addWidget(zoomButton);
    bar->addSeparator();
    bar->addAction(actPageSetup);
    bar->addSeparator();
    bar->addActions({actFirstPage, actPriorPage});
    FPageLabel = new QLabel(bar);
    FPageLabel->setObjectName(QStringLiteral("lbPage"));
    bar->addWidget(FPageLabel);
    bar->addActions({actNextPage, actLastPage});
    bar->addSeparator();
    bar->addAction(actClose);

    FPageView = new QLabel;
    FPageView->setObjectName(QStringLiteral("imgPage"));
    FPageView->setAlignment(Qt::AlignCenter);
    FScroll = new QScrollArea(this);
    FScroll->setObjectName(QStringLiteral("sbxPage"));
    FScroll->setAlignment(Qt::AlignCenter);
    FScroll->setBackgroundRole(QPalette::Dark);
    FScroll->setWidget(FPageView);
    FScroll->setWidgetResizable(false);
    FScroll->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(FScroll, 1);
}

int TReportPreview::PageCount() const
{
    return FReport.Prepared() ? static_cast<int>(FReport.Prepared()->Pages.size()) : 0;
}

void TReportPreview::ShowPage(int index)
{
    if (PageCount() == 0)
        return;
    FPageIndex = std::clamp(index, 0, PageCount() - 1);
    Render();
}

void TReportPreview::SetZoom(double zoom)
{
    FZoomMode = TZoomMode::Fixed;
    FZoom = std::clamp(zoom, MinZoom, MaxZoom);
    Render();
}

void TReportPreview::ZoomToWholePage()
{
    FZoomMode = TZoomMode::WholePage;
    Render();
}

void TReportPreview::ZoomToPageWidth()
{
    FZoomMode = TZoomMode::PageWidth;
    Render();
}

bool TReportPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FScroll->viewport() && event->type() == QEvent::Resize && FZoomMode != TZoomMode::Fixed)
        Render();
    return QDialog::eventFilter(watched, event);
}

void TReportPreview::Render()
{
    UpdateActions();
    if (PageCount() == 0) {
        FPageImage = QImage();
        FPageView->clear();
        return;
    }
    const TPreparedPage& page = FReport.Prepared()->Pages[FPageIndex];
    const QSize room = FScroll->viewport()->size() - QSize(16, 16);
    const double pageWidthPx = page.Width * ScreenDpi / 25.4;
    const double pageHeightPx = page.Height * ScreenDpi / 25.4;
    if (FZoomMode == TZoomMode::WholePage)
        FZoom = std::clamp(std::min(room.width() / pageWidthPx, room.height() / pageHeightPx), MinZoom, MaxZoom);
    else if (FZoomMode == TZoomMode::PageWidth)
        FZoom = std::clamp(room.width() / pageWidthPx, MinZoom, MaxZoom);
    const double ratio = devicePixelRatioF();
    FPageImage = RenderPage(page, ScreenDpi * FZoom * ratio);
    FPageImage.setDevicePixelRatio(ratio);
    FPageView->setPixmap(QPixmap::fromImage(FPageImage));
    FPageView->resize(FPageImage.size() / ratio);
}

void TReportPreview::UpdateActions()
{
    const int count = PageCount();
    FPageLabel->setText(QStringLiteral(" Страница %1 из %2 ").arg(count ? FPageIndex + 1 : 0).arg(count));
    actFirstPage->setEnabled(FPageIndex > 0);
    actPriorPage->setEnabled(FPageIndex > 0);
    actNextPage->setEnabled(FPageIndex + 1 < count);
    actLastPage->setEnabled(FPageIndex + 1 < count);
    for (QAction* a : {actPrint, actExportPdf, actExportHtml, actExportRtf, actExportMail, actQuickExport})
        a->setEnabled(count > 0);
}

void TReportPreview::Print()
{
    PrintReport(*FReport.Prepared(), this);
}

void TReportPreview::Export(TExportKind kind)
{
    FLastExport = kind;
    const TPreparedReport& report = *FReport.Prepared();
    if (kind == TExportKind::Mail) {
        MailReport(report, this);
        return;
    }
    TFileDialogOptions options;
    switch (kind) {
    case TExportKind::Pdf:
        options = {QStringLiteral("Экспорт в PDF"), QStringLiteral("Файл PDF|*.pdf"), 1, QStringLiteral("pdf"), {},
                   FrameReportPdfSettings().DefaultFileName};
        break;
    case TExportKind::Html:
        options = {QStringLiteral("Экспорт в HTML"), QStringLiteral("Файл HTML|*.htm;*.html"), 1, QStringLiteral("htm"),
                   {}, FrameReportHtmlSettings().DefaultFileName};
        break;
    case TExportKind::Rtf:
        options = {QStringLiteral("Экспорт в RTF"), QStringLiteral("Файл RTF|*.rtf"), 1, QStringLiteral("rtf"), {},
                   FrameReportRtfSettings().DefaultFileName};
        break;
    case TExportKind::Mail:
        break;
    }
    if (!Dialogs().SaveFileName(this, options))
        return;
    const TWaitCursor wait;
    switch (kind) {
    case TExportKind::Pdf:
        ExportPdf(report, options.FileName, FrameReportPdfSettings());
        break;
    case TExportKind::Html:
        ExportHtml(report, options.FileName, FrameReportHtmlSettings());
        break;
    case TExportKind::Rtf:
        ExportRtf(report, options.FileName, FrameReportRtfSettings());
        break;
    case TExportKind::Mail:
        break;
    }
}

void TReportPreview::QuickExport()
{
    Export(FLastExport);
}

void TReportPreview::PageSetup()
{
    if (FReport.Pages.empty())
        return;
    const TPageSettings& s = FReport.Pages.front()->Settings;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QSizeF(s.PaperWidth, s.PaperHeight), QPageSize::Millimeter),
                                      s.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(s.LeftMargin, s.TopMargin, s.RightMargin, s.BottomMargin),
                                      QPageLayout::Millimeter));
    QPageSetupDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        ApplyPageLayout(printer.pageLayout());
}

void TReportPreview::ApplyPageLayout(const QPageLayout& layout)
{
    const TPageSettings settings = PageSettingsOf(layout);
    for (auto& page : FReport.Pages)
        page->Settings = settings;
    const TWaitCursor wait;
    FReport.Build();
    ShowPage(FPageIndex);
}

TPageSettings PageSettingsOf(const QPageLayout& layout)
{
    TPageSettings s;
    const QSizeF paper = layout.pageSize().size(QPageSize::Millimeter); // portrait dimensions
    s.PaperWidth = paper.width();
    s.PaperHeight = paper.height();
    s.PaperCode = layout.pageSize().windowsId();
    s.Landscape = layout.orientation() == QPageLayout::Landscape;
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    s.LeftMargin = m.left();
    s.TopMargin = m.top();
    s.RightMargin = m.right();
    s.BottomMargin = m.bottom();
    return s;
}

namespace {
TReportPreviewHook& PreviewHook()
{
    static TReportPreviewHook hook;
    return hook;
}
} // namespace

void SetReportPreviewHook(TReportPreviewHook hook)
{
    PreviewHook() = std::move(hook);
}

void ShowReportPreview(TReport& report, QWidget* parent)
{
    if (const TReportPreviewHook& hook = PreviewHook()) {
        hook(report, parent);
        return;
    }
    TReportPreview preview(report, parent);
    preview.exec();
}
