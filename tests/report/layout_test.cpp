// Laying out the frame report's page: bands in order, the page footer at the
// foot of the page, the master band stretching with its picture, auto width
// and growing texts, and pictures too large for the page scaled down.
#include "reportfixtures.h"
#include "report/layout.h"
#include "report/reportmodel.h"
#include "report/templateloader.h"
#include "report/textmetrics.h"

#include <gtest/gtest.h>

namespace {

QImage Picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return image;
}

const TPreparedPage& BuildWith(TReport& report, const QImage& picture)
{
    report.FindPicture(QStringLiteral("Frame"))->SetPicture(picture);
    report.Build(Now);
    return report.Prepared()->Pages.front();
}

TEST(Layout, BandsStackedFooterAtFootOfPage)
{
    const auto report = LoadFrameReportTemplate();
    const TPreparedPage& page = BuildWith(*report, {});
    EXPECT_EQ(page.Width, 210);
    EXPECT_EQ(page.Height, 297);
    struct TRow {
        const char* Name;
        QRectF Rect;
    } rows[] = {
        {"PageHeader1", QRectF(10, 10, 190, 12)},
        {"MasterData1", QRectF(10, 22, 190, 19)}, // no picture: the band keeps its height
        {"DetailData1", QRectF(10, 41, 190, 73)},
        {"PageFooter1", QRectF(10, 297 - 10 - 6, 190, 6)},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const TPreparedBand* band = page.FindBand(QString::fromUtf8(row.Name));
        ASSERT_NE(band, nullptr);
        EXPECT_NEAR(band->Rect.left(), row.Rect.left(), 1e-9);
        EXPECT_NEAR(band->Rect.top(), row.Rect.top(), 1e-9);
        EXPECT_NEAR(band->Rect.width(), row.Rect.width(), 1e-9);
        EXPECT_NEAR(band->Rect.height(), row.Rect.height(), 1e-9);
    }
    EXPECT_EQ(page.FindPicture(QStringLiteral("Frame")), nullptr);
    // Objects sit at their band's place plus their own top.
    EXPECT_NEAR(page.FindText(QStringLiteral("Memo5"))->Rect.top(), 41 + 22, 1e-9);
    EXPECT_NEAR(page.FindText(QStringLiteral("Memo1"))->Rect.top(), 281 + 1, 1e-9);
    const TPreparedLine* line1 = page.FindLine(QStringLiteral("Line1"));
    ASSERT_NE(line1, nullptr);
    EXPECT_NEAR(line1->From.y(), 16, 1e-9);
    EXPECT_NEAR(line1->From.x(), 10, 1e-9);
    EXPECT_NEAR(line1->To.x(), 200, 1e-9);
    EXPECT_NEAR(page.FindLine(QStringLiteral("Line2"))->From.y(), 281, 1e-9);
}

TEST(Layout, PictureStretchesMasterBandAndPushesDetailDown)
{
    const auto report = LoadFrameReportTemplate();
    const TPreparedPage& page = BuildWith(*report, Picture(704, 576));
    const TPreparedPicture* frame = page.FindPicture(QStringLiteral("Frame"));
    ASSERT_NE(frame, nullptr);
    const double w = 704 * 25.4 / 96, h = 576 * 25.4 / 96;
    EXPECT_NEAR(frame->Rect.width(), w, 1e-9); // own size: it fits
    EXPECT_NEAR(frame->Rect.height(), h, 1e-9);
    EXPECT_NEAR(frame->Rect.left(), 10 + (190 - w) / 2, 1e-9); // centred
    EXPECT_NEAR(frame->Rect.top(), 22 + 13, 1e-9);
    const TPreparedBand* master = page.FindBand(QStringLiteral("MasterData1"));
    const TPreparedBand* detail = page.FindBand(QStringLiteral("DetailData1"));
    EXPECT_NEAR(master->Rect.height(), 13 + h, 1e-9);
    EXPECT_NEAR(detail->Rect.top(), master->Rect.bottom(), 1e-9);
    EXPECT_NEAR(page.FindText(QStringLiteral("Memo3"))->Rect.top(), detail->Rect.top() + 7, 1e-9);
}

// The mended fault: a picture larger than the page is scaled down, keeping its
// proportions, to the band's width and to the height that leaves the detail
// band and the page footer on the page.
TEST(Layout, PictureLargerThanThePageIsScaledDown)
{
    const double maxHeight = 281 - 22 - 13 - 73; // footer top - header bottom - picture top - detail
    struct TRow {
        int Width, Height;
        double ExpectedWidth, ExpectedHeight;
    } rows[] = {
        {320, 240, 320 * 25.4 / 96, 240 * 25.4 / 96},     // fits: own size
        {1920, 1080, 190, 190 * 1080.0 / 1920},           // too wide
        {800, 2000, maxHeight * 800 / 2000, maxHeight},   // too tall
        {4000, 4000, maxHeight, maxHeight},               // both: the height binds
        {718, 10, 718 * 25.4 / 96, 10 * 25.4 / 96},       // just fits the width (189.97 mm)
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << row.Width << "x" << row.Height);
        const auto report = LoadFrameReportTemplate();
        const TPreparedPage& page = BuildWith(*report, Picture(row.Width, row.Height));
        const TPreparedPicture* frame = page.FindPicture(QStringLiteral("Frame"));
        ASSERT_NE(frame, nullptr);
        EXPECT_NEAR(frame->Rect.width(), row.ExpectedWidth, 1e-6);
        EXPECT_NEAR(frame->Rect.height(), row.ExpectedHeight, 1e-6);
        EXPECT_NEAR(frame->Rect.width() / frame->Rect.height(), double(row.Width) / row.Height, 1e-6);
        EXPECT_GE(frame->Rect.left(), 10 - 1e-9);
        EXPECT_LE(frame->Rect.right(), 200 + 1e-9);
        const TPreparedBand* detail = page.FindBand(QStringLiteral("DetailData1"));
        const TPreparedBand* footer = page.FindBand(QStringLiteral("PageFooter1"));
        EXPECT_LE(detail->Rect.bottom(), footer->Rect.top() + 1e-6);
        EXPECT_LE(frame->Rect.bottom(), detail->Rect.top() + 1e-6);
    }
}

TEST(Layout, AutoWidthFitsTextAndRightAlignedKeepsRightEdge)
{
    const auto report = LoadFrameReportTemplate();
    report->SetVariable(QStringLiteral("frame"), TReportValue(12345));
    report->SetVariable(QStringLiteral("frames"), TReportValue(67890));
    const TPreparedPage& page = BuildWith(*report, {});

    const TPreparedText* footer = page.FindText(QStringLiteral("Memo19"));
    ASSERT_NE(footer, nullptr);
    EXPECT_EQ(footer->Text, QStringLiteral("Кадр № 12345 из 67890"));
    const double width = TextWidthMm(report->Font, footer->Text) + 2 * TextGapX;
    EXPECT_NEAR(footer->Rect.width(), width, 1e-9);
    EXPECT_NEAR(footer->Rect.right(), 10 + 146 + 44, 1e-9); // the page's right margin

    const TPreparedText* date = page.FindText(QStringLiteral("Memo2"));
    EXPECT_EQ(date->Text, QStringLiteral("01.03.2024 12:00:00"));
    EXPECT_NEAR(date->Rect.right(), 200, 1e-9);

    const TPreparedText* caption = page.FindText(QStringLiteral("Memo14"));
    EXPECT_NEAR(caption->Rect.left(), 10, 1e-9); // left-aligned keeps its left edge
    EXPECT_NEAR(caption->Rect.width(), TextWidthMm(report->Font, caption->Text) + 2 * TextGapX, 1e-9);
    EXPECT_GT(caption->Rect.width(), 60); // a long text: measured, not the template's width
}

TEST(Layout, GrowingTextPushesObjectsBelowIt)
{
    const auto report = LoadFrameReportTemplate();
    QString longText;
    for (int i = 0; i < 40; ++i)
        longText += QStringLiteral("событие ");
    report->FindText(QStringLiteral("EventInfo"))->Text = longText;
    const TPreparedPage& page = BuildWith(*report, {});
    const TPreparedText* info = page.FindText(QStringLiteral("EventInfo"));
    const double grown = info->Rect.height() - 5;
    EXPECT_GT(grown, 3); // two lines at least
    const TPreparedBand* detail = page.FindBand(QStringLiteral("DetailData1"));
    EXPECT_NEAR(page.FindText(QStringLiteral("Memo5"))->Rect.top(), detail->Rect.top() + 22 + grown, 1e-9);
    EXPECT_NEAR(page.FindText(QStringLiteral("Resolution"))->Rect.top(), detail->Rect.top() + 64 + grown, 1e-9);
    // Beside it, not below: stays.
    EXPECT_NEAR(page.FindText(QStringLiteral("Memo3"))->Rect.top(), detail->Rect.top() + 7, 1e-9);
}

TEST(Layout, BuildDiscardsTheEarlierResult)
{
    const auto report = LoadFrameReportTemplate();
    report->SetVariable(QStringLiteral("frame"), TReportValue(1));
    report->Build(Now);
    report->SetVariable(QStringLiteral("frame"), TReportValue(2));
    report->Build(Now);
    ASSERT_EQ(report->Prepared()->Pages.size(), 1u);
    EXPECT_TRUE(report->Prepared()->Pages.front().FindText(QStringLiteral("Memo18"))->Text == QStringLiteral("2"));
    EXPECT_EQ(report->Prepared()->Name, QStringLiteral("Информация из видеоархива"));
}

} // namespace
