// Texts longer than the page is wide (a long camera name, a long
// organization) stay inside the printable width in the preview's layout and
// in every export: they wrap, long words included, and their bands grow.
#include "reportfixtures.h"
#include "support/outsidetool.h"
#include "core/cp1251.h"
#include "report/exportsettings.h"
#include "report/framereport.h"
#include "report/htmlexport.h"
#include "report/layout.h"
#include "report/pdfexport.h"
#include "report/reportmodel.h"
#include "report/rtfexport.h"
#include "report/templateloader.h"
#include "report/textmetrics.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The printable width of the frame report's A4 page: margins of 10 mm.
constexpr double PrintLeft = 10, PrintRight = 200;

struct TLongTexts {
    const char* Case;
    QString Camera;
    QString Organization;
};

const TLongTexts Cases[] = {
    {"long camera name in words",
     QStringLiteral("Камера наружного наблюдения у северного въезда на территорию склада готовой продукции "
                    "номер три, опора освещения двенадцать, обзор на шлагбаум"),
     QStringLiteral("ОАО НПП \"Веларин\"")},
    {"one word longer than the page",
     QStringLiteral("Камера_") + QString(160, QChar(0x0436)), // "ж" x 160, no blank anywhere
     QStringLiteral("ОАО НПП \"Веларин\"")},
    {"long organization in the page header",
     QStringLiteral("Камера 1"),
     QStringLiteral("Открытое акционерное общество «Научно-производственное предприятие "
                    "\"Веларин\"», филиал по Свердловской области, отдел технических средств охраны")},
};

std::unique_ptr<TReport> BuildWith(const TLongTexts& texts, std::unique_ptr<TMJPGImage>& image)
{
    TFragmentFixture fixture;
    fixture.Camera = Utf8ToCp1251(texts.Camera.toStdString());
    image = LoadFragment(fixture);
    TFrameReportInput input = FrameReportInput(*image, 0);
    input.OrganizationName = texts.Organization;
    return BuildFrameReport(input);
}

QString WithoutBlanks(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

TEST(LongTexts, StayInsideThePrintableWidthAndLoseNothing)
{
    for (const TLongTexts& texts : Cases) {
        SCOPED_TRACE(texts.Case);
        std::unique_ptr<TMJPGImage> image;
        const auto report = BuildWith(texts, image);
        const TPreparedPage& page = report->Prepared()->Pages.front();
        for (const TPreparedText& text : page.Texts) {
            SCOPED_TRACE(text.Name.toStdString());
            EXPECT_GE(text.Rect.left(), PrintLeft - 1e-6);
            EXPECT_LE(text.Rect.right(), PrintRight + 1e-6);
            const double inner = text.Rect.width() - 2 * TextGapX;
            if (!text.WordWrap) {
                // One line, which may run past its object on its alignment's
                // side, but not past the page.
                const double width = TextWidthMm(text.Font, text.Text);
                if (text.HAlign == THorzAlign::Right)
                    EXPECT_GE(text.Rect.right() - TextGapX - width, PrintLeft - 1e-6);
                else
                    EXPECT_LE(text.Rect.left() + TextGapX + width, PrintRight + 1e-6);
                continue;
            }
            for (const QString& line : text.Text.split(QLatin1Char('\n')))
                EXPECT_LE(TextWidthMm(text.Font, line), inner + 1e-3) << line.toStdString();
            // Its lines fit the object, which lies inside its band.
            const TPreparedBand* band = nullptr;
            for (const TPreparedBand& b : page.Bands)
                if (b.Kind == text.Band && b.Rect.top() <= text.Rect.top() + 1e-6)
                    band = &b;
            ASSERT_NE(band, nullptr);
            EXPECT_LE(WrappedTextHeightMm(text.Font, text.Text, inner) + 2 * TextGapY, text.Rect.height() + 1e-3);
            EXPECT_LE(text.Rect.bottom(), band->Rect.bottom() + 1e-6);
        }
        EXPECT_EQ(WithoutBlanks(page.FindText(QStringLiteral("CameraName"))->Text), WithoutBlanks(texts.Camera));
        EXPECT_EQ(WithoutBlanks(page.FindText(QStringLiteral("OrganizationName"))->Text),
                  WithoutBlanks(texts.Organization));
        // The footer stays at the foot of the page, below everything else.
        const TPreparedBand* detail = page.FindBand(QStringLiteral("DetailData1"));
        EXPECT_LE(detail->Rect.bottom(), page.FindBand(QStringLiteral("PageFooter1"))->Rect.top() + 1e-6);
    }
}

TEST(LongTexts, PdfWordsStayOnThePaper)
{
    REQUIRE_OUTSIDE_TOOL(HaveTool(QStringLiteral("pdftotext")), "poppler-utils");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const TLongTexts& texts : Cases) {
        SCOPED_TRACE(texts.Case);
        std::unique_ptr<TMJPGImage> image;
        const auto report = BuildWith(texts, image);
        const QString path = dir.filePath(QStringLiteral("long.pdf"));
        ExportPdf(*report->Prepared(), path, FrameReportPdfSettings());
        int code = -1;
        const QString boxes =
            RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")}, &code);
        ASSERT_EQ(code, 0);
        const QRegularExpression word(
            QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\" yMax=\"[0-9.]+\">([^<]*)</word>"));
        QString all;
        int words = 0;
        for (auto it = word.globalMatch(boxes); it.hasNext(); ++words) {
            const auto match = it.next();
            const double right = match.captured(2).toDouble() * 25.4 / 72; // points to millimetres
            EXPECT_LE(right, PrintRight + 0.5) << match.captured(3).toStdString();
            EXPECT_GE(match.captured(1).toDouble() * 25.4 / 72, PrintLeft - 0.5) << match.captured(3).toStdString();
            all += match.captured(3);
        }
        EXPECT_GT(words, 20);
        all.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        EXPECT_TRUE(all.contains(WithoutBlanks(texts.Camera))) << all.toStdString();
        EXPECT_TRUE(all.contains(WithoutBlanks(texts.Organization))) << all.toStdString();
    }
}

TEST(LongTexts, HtmlBoxesWrapInsideThePage)
{
    for (const TLongTexts& texts : Cases) {
        SCOPED_TRACE(texts.Case);
        std::unique_ptr<TMJPGImage> image;
        const auto report = BuildWith(texts, image);
        const QString html = QString::fromUtf8(ExportHtmlBytes(*report->Prepared(), FrameReportHtmlSettings()));
        const QRegularExpression box(QStringLiteral(
            "<div id=\"([A-Za-z0-9]+)\" class=\"text\" style=\"left:([0-9.]+)mm;top:[0-9.]+mm;width:([0-9.]+)mm;[^\"]*"
            "white-space:([a-z-]+);[^\"]*padding:[0-9.]+mm ([0-9.]+)mm;\">"));
        int boxes = 0;
        for (auto it = box.globalMatch(html); it.hasNext(); ++boxes) {
            const auto match = it.next();
            SCOPED_TRACE(match.captured(1).toStdString());
            const double right = match.captured(2).toDouble() + match.captured(3).toDouble() +
                                 2 * match.captured(5).toDouble();
            EXPECT_LE(right, PrintRight + 0.01);
            if ((match.captured(1) == QStringLiteral("CameraName") && texts.Camera.size() > 40) ||
                (match.captured(1) == QStringLiteral("OrganizationName") && texts.Organization.size() > 40)) {
                EXPECT_EQ(match.captured(4), QStringLiteral("pre-wrap")); // a browser may wrap it too
            }
        }
        EXPECT_GT(boxes, 15);
    }
}

TEST(LongTexts, RtfFramesStayInsideTheMargins)
{
    for (const TLongTexts& texts : Cases) {
        SCOPED_TRACE(texts.Case);
        std::unique_ptr<TMJPGImage> image;
        const auto report = BuildWith(texts, image);
        const QString rtf = QString::fromLatin1(ExportRtfBytes(*report->Prepared(), FrameReportRtfSettings()));
        const QRegularExpression frame(QStringLiteral("\\\\posx(-?[0-9]+)\\\\posy-?[0-9]+\\\\absw([0-9]+)"));
        const int left = qRound(PrintLeft * 1440 / 25.4), right = qRound(PrintRight * 1440 / 25.4);
        int frames = 0;
        for (auto it = frame.globalMatch(rtf); it.hasNext(); ++frames) {
            const auto match = it.next();
            EXPECT_GE(match.captured(1).toInt(), left - 1) << match.captured(0).toStdString();
            EXPECT_LE(match.captured(1).toInt() + match.captured(2).toInt(), right + 1) << match.captured(0).toStdString();
        }
        EXPECT_GT(frames, 10);
    }
}

} // namespace
