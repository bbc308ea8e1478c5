// The report preview: a modal window that shows the built pages zoomed to
// the whole page, with print, export (PDF, HTML, RTF, e-mail), zoom, page
// setup, page navigation and quick export. Nothing in it edits the report.
#pragma once

#include <QDialog>
#include <QImage>

#include <functional>

class QAction;
class QLabel;
class QScrollArea;
class TReport;
struct TPageSettings;
class QPageLayout;

enum class TExportKind { Pdf, Html, Rtf, Mail };

class TReportPreview : public QDialog {
    Q_OBJECT
public:
    // Shows the report's prepared pages, building it first when it has none.
    explicit TReportPreview(TReport& report, QWidget* parent = nullptr);

    int PageIndex() const { return FPageIndex; }
    int PageCount() const;
    double Zoom() const { return FZoom; } // 1.0: true size on a 96 dpi screen
    const QImage& PageImage() const { return FPageImage; }

    void ShowPage(int index);
    void SetZoom(double zoom);
    void ZoomToWholePage();
    void ZoomToPageWidth();

    void Print();
    // Asks for a file name through the dialog seam and writes the export.
    void Export(TExportKind kind);
    // Repeats the last export kind used (PDF at first).
    void QuickExport();
    void PageSetup();
    // Takes paper, orientation and margins, builds the report again and shows it.
    void ApplyPageLayout(const QPageLayout& layout);

    QAction* actPrint;
    QAction* actExportPdf;
    QAction* actExportHtml;
    QAction* actExportRtf;
    QAction* actExportMail;
    QAction* actQuickExport;
    QAction* actZoomIn;
    QAction* actZoomOut;
    QAction* actZoomWholePage;
    QAction* actZoomPageWidth;
    QAction* actZoom100;
    QAction* actPageSetup;
    QAction* actFirstPage;
    QAction* actPriorPage;
    QAction* actNextPage;
    QAction* actLastPage;
    QAction* actClose;

protected:
    // Re-zooms when the page's viewport changes size in a fitting zoom mode.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void Render();
    void UpdateActions();

    enum class TZoomMode { WholePage, PageWidth, Fixed };

    TReport& FReport;
    int FPageIndex = 0;
    double FZoom = 1.0;
    TZoomMode FZoomMode = TZoomMode::WholePage;
    TExportKind FLastExport = TExportKind::Pdf;
    QImage FPageImage;
    QScrollArea* FScroll = nullptr;
    QLabel* FPageView = nullptr;
    QLabel* FPageLabel = nullptr;
};

// The page settings of a Qt page layout (paper size, orientation, margins).
TPageSettings PageSettingsOf(const QPageLayout& layout);

// Builds nothing: shows the report as built in a modal preview until the
// user closes it, or hands it to the replacement preview when one is set.
void ShowReportPreview(TReport& report, QWidget* parent);

// What ShowReportPreview does instead of the modal preview: windows under
// test install one (as they do with the dialog seam) so that a command that
// ends in the preview never waits on a modal window. Empty restores the
// modal preview.
using TReportPreviewHook = std::function<void(TReport& report, QWidget* parent)>;
void SetReportPreviewHook(TReportPreviewHook hook);
