// The preview window, built and inspected without running it modally:
// its commands, zoom to the whole page, navigation, print without a printer,
// exports through the dialog seam and page setup.
#include "reportfixtures.h"
#include "support/fakedialogs.h"
#include "report/framereport.h"
#include "report/layout.h"
#include "report/reportmodel.h"
#include "report/reportpreview.h"
#include "report/templateloader.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QScreen>
#include <QScrollArea>
#include <QToolBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PreviewTest : public testing::Test {
protected:
    void SetUp() override
    {
        Report = LoadFrameReportTemplate();
        ASSERT_TRUE(FillFrameReport(*Report, FrameReportInput(*LoadFragment({}), 0)));
        Report->Build(Now);
    }
    std::unique_ptr<TReport> Report;
    TFakeDialogs Dialogs;
};

TEST_F(PreviewTest, CommandsAndNoEditing)
{
    TReportPreview preview(*Report);
    EXPECT_TRUE(preview.isModal());
    for (const char* name : {"actPrint", "actExportPdf", "actExportHtml", "actExportRtf", "actExportMail",
                             "actQuickExport", "actZoomIn", "actZoomOut", "actZoomWholePage", "actZoomPageWidth",
                             "actZoom100", "actPageSetup", "actFirstPage", "actPriorPage", "actNextPage",
                             "actLastPage", "actClose"})
        EXPECT_NE(preview.findChild<QAction*>(QString::fromLatin1(name)), nullptr) << name;
    for (const QAction* action : preview.findChildren<QAction*>())
        EXPECT_FALSE(action->objectName().contains(QStringLiteral("Edit"))) << action->objectName().toStdString();
    EXPECT_EQ(preview.PageCount(), 1);
    EXPECT_FALSE(preview.actNextPage->isEnabled()); // one page only
    EXPECT_FALSE(preview.actPriorPage->isEnabled());
}

TEST_F(PreviewTest, EveryCommandOnTheToolBarInSight)
{
    TReportPreview preview(*Report);
    preview.show();
    QCoreApplication::processEvents();
    auto* bar = preview.findChild<QToolBar*>(QStringLiteral("tbrPreview"));
    ASSERT_NE(bar, nullptr);
    // Nothing hidden behind the tool bar's overflow button.
    for (QAction* action : bar->actions()) {
        if (action->isSeparator())
            continue;
        QWidget* button = bar->widgetForAction(action);
        ASSERT_NE(button, nullptr) << action->objectName().toStdString();
        EXPECT_TRUE(button->isVisible()) << action->objectName().toStdString();
        EXPECT_TRUE(bar->rect().contains(button->geometry())) << action->objectName().toStdString();
    }
    const QRect available = preview.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(preview.frameGeometry())) << "beyond the screen";
    preview.close();
}

TEST_F(PreviewTest, ZoomedToTheWholePage)
{
    TReportPreview preview(*Report);
    preview.resize(700, 500);
    preview.show();
    QCoreApplication::processEvents();
    const QSize room = preview.findChild<QScrollArea*>()->viewport()->size();
    const QSize page = preview.PageImage().size() / preview.PageImage().devicePixelRatio();
    EXPECT_LE(page.width(), room.width());
    EXPECT_LE(page.height(), room.height());
    EXPECT_GT(page.height(), room.height() * 0.8); // the height binds a portrait page
    EXPECT_NEAR(double(page.width()) / page.height(), 210.0 / 297, 0.01);

    const double whole = preview.Zoom();
    preview.actZoomIn->trigger();
    EXPECT_NEAR(preview.Zoom(), whole * 1.25, 1e-9);
    preview.actZoom100->trigger();
    EXPECT_EQ(preview.Zoom(), 1.0);
    EXPECT_EQ(preview.PageImage().width() / preview.PageImage().devicePixelRatio(), qRound(210 * 96 / 25.4));
    preview.actZoomWholePage->trigger();
    EXPECT_NEAR(preview.Zoom(), whole, 1e-9);
    preview.close();
}

TEST_F(PreviewTest, PrintWithoutPrinterTellsTheUser)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a default printer";
    TReportPreview preview(*Report);
    preview.actPrint->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages.front().Icon, TMsgIcon::Warning);
    EXPECT_TRUE(Dialogs.Messages.front().Text.contains(QStringLiteral("Принтер не установлен")));
}

TEST_F(PreviewTest, ExportsAskForAFileWithTheirDefaultName)
{
    QTemporaryDir dir;
    struct TRow {
        QAction* TReportPreview::*Action;
        const char* DefaultName;
        const char* File;
        const char* Starts;
    } rows[] = {
        {&TReportPreview::actExportPdf, "Информация из видеоархива.pdf", "a.pdf", "%PDF-"},
        {&TReportPreview::actExportHtml, "Информация из видеоархива.htm", "a.htm", "<!DOCTYPE html>"},
        {&TReportPreview::actExportRtf, "Информация из видеоархива.rtf", "a.rtf", "{\\rtf1"},
    };
    TReportPreview preview(*Report);
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.File);
        const QString path = dir.filePath(QString::fromLatin1(row.File));
        Dialogs.FileAnswers.push_back(path);
        (preview.*row.Action)->trigger();
        ASSERT_FALSE(Dialogs.FileDialogs.empty());
        EXPECT_EQ(Dialogs.FileDialogs.back().FileName, QString::fromUtf8(row.DefaultName));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().startsWith(row.Starts));
    }
    EXPECT_TRUE(Dialogs.Messages.empty());

    // Quick export repeats the last kind (RTF here); a cancelled dialog writes nothing.
    Dialogs.FileAnswers.push_back(QString());
    preview.actQuickExport->trigger();
    EXPECT_EQ(Dialogs.FileDialogs.back().FileName, QStringLiteral("Информация из видеоархива.rtf"));
}

TEST_F(PreviewTest, ExportFailureIsShown)
{
    TReportPreview preview(*Report);
    Dialogs.FileAnswers.push_back(QStringLiteral("/nonexistent-folder/report.htm"));
    preview.actExportHtml->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages.front().Icon, TMsgIcon::Error);
    EXPECT_TRUE(Dialogs.Messages.front().Text.contains(QStringLiteral("/nonexistent-folder/report.htm")));
    // The wait cursor of the export is gone before the error is shown.
    EXPECT_EQ(Dialogs.Messages.front().Cursor, Qt::ArrowCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(PreviewTest, PageSetupBuildsTheReportAgain)
{
    TReportPreview preview(*Report);
    preview.ApplyPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(15, 12, 15, 12),
                                        QPageLayout::Millimeter));
    const TPreparedPage& page = Report->Prepared()->Pages.front();
    EXPECT_NEAR(page.Width, 297, 0.1);
    EXPECT_NEAR(page.Height, 210, 0.1);
    EXPECT_NEAR(page.FindBand(QStringLiteral("PageHeader1"))->Rect.top(), 12, 1e-6);
    EXPECT_NEAR(page.FindBand(QStringLiteral("PageHeader1"))->Rect.width(), 297 - 30, 0.1);
    EXPECT_NEAR(page.FindBand(QStringLiteral("PageFooter1"))->Rect.bottom(), 210 - 12, 0.1);
    EXPECT_GT(preview.PageImage().width(), preview.PageImage().height());
}

TEST(Preview, BuildsAReportThatHasNoResultYet)
{
    const auto report = LoadFrameReportTemplate();
    ASSERT_EQ(report->Prepared(), nullptr);
    TReportPreview preview(*report);
    EXPECT_NE(report->Prepared(), nullptr);
    EXPECT_EQ(preview.PageCount(), 1);
}

} // namespace
