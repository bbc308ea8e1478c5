// The exports of the frame report: PDF read back with poppler's tools, HTML
// and RTF checked for every text, the picture and the settings they carry.
#include "reportfixtures.h"
#include "support/outsidetool.h"
#include "report/exportsettings.h"
#include "report/framereport.h"
#include "report/htmlexport.h"
#include "report/layout.h"
#include "report/pagepainter.h"
#include "report/pdfexport.h"
#include "report/pdfinfo.h"
#include "report/reportmodel.h"
#include "report/rtfexport.h"
#include "report/textmetrics.h"
#include "report/templateloader.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        TFragmentFixture fixture;
        fixture.Width = 160;
        fixture.Height = 120;
        Image = LoadFragment(fixture);
        Report = LoadFrameReportTemplate();
        TFrameReportInput input = FrameReportInput(*Image, 0);
        input.SerialNumber = 17;
        input.Issue = 3;
        input.OrganizationName = QStringLiteral("ОАО НПП \"Веларин\"");
        ASSERT_TRUE(FillFrameReport(*Report, input));
        Report->Build(Now);
    }

    QString Path(const char* name) const { return Dir.filePath(QString::fromUtf8(name)); }
    const TPreparedReport& Prepared() const { return *Report->Prepared(); }
    QByteArray FrameJpeg() const
    {
        const TSharedBytes& data = Image->GetFrame(0)->Bytes();
        return QByteArray(reinterpret_cast<const char*>(data.Memory()), qsizetype(data.Size()));
    }

    // The texts every export must carry, exactly as the preview shows them.
    static QStringList PageTexts()
    {
        return {QStringLiteral("Система контроля доступа и административного мониторинга Orvanta"),
                QStringLiteral("01.03.2024 12:00:00"),
                QStringLiteral("ОАО НПП \"Веларин\""),
                QStringLiteral("Событие:"),
                QStringLiteral("17.05.2023 14:03:09 (17)"),
                QStringLiteral("Номер видеофрагмента:"),
                QStringLiteral("Камера 1"),
                QStringLiteral("17.05.2023 14:02:59"),
                QStringLiteral("Графическое разрешение:"),
                QStringLiteral("160x120"),
                QStringLiteral("Информация из видеоархива"),
                QStringLiteral("Кадр № 0 из 250")};
    }

    QTemporaryDir Dir;
    std::unique_ptr<TMJPGImage> Image;
    std::unique_ptr<TReport> Report;
};

TEST_F(ExportTest, DefaultFileNamesAndDocumentInformation)
{
    EXPECT_EQ(FrameReportPdfSettings().DefaultFileName, QStringLiteral("Информация из видеоархива.pdf"));
    EXPECT_EQ(FrameReportHtmlSettings().DefaultFileName, QStringLiteral("Информация из видеоархива.htm"));
    EXPECT_EQ(FrameReportRtfSettings().DefaultFileName, QStringLiteral("Информация из видеоархива.rtf"));
    const TPdfExportSettings pdf = FrameReportPdfSettings();
    EXPECT_EQ(pdf.Author, QStringLiteral("Orvanta"));
    EXPECT_EQ(pdf.Subject, QStringLiteral("Информация из видеоархива"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Orvanta \\(https?://[^ ()]+\\)$")).match(pdf.Creator).hasMatch())
        << pdf.Creator.toStdString();
    EXPECT_EQ(FrameReportRtfSettings().Creator, QStringLiteral("Orvanta"));
    EXPECT_EQ(FrameReportMailDefaults().Subject, QStringLiteral("Информация из видеоархива"));
    EXPECT_EQ(FrameReportMailDefaults().AttachmentName, QStringLiteral("Информация из видеоархива"));
    EXPECT_EQ(FrameReportMailDefaults().Port, 25);
}

TEST_F(ExportTest, PdfHasRealTextAndDocumentInformation)
{
    REQUIRE_OUTSIDE_TOOL(HaveTool(QStringLiteral("pdftotext")) && HaveTool(QStringLiteral("pdfinfo")) &&
                             HaveTool(QStringLiteral("pdffonts")),
                         "poppler-utils");
    const QString path = Path("report.pdf");
    ExportPdf(Prepared(), path, FrameReportPdfSettings());

    int code = 0;
    const QString text = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}, &code);
    ASSERT_EQ(code, 0);
    for (const QString& expected : PageTexts())
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n--- in ---\n" << text.toStdString();

    const QString info = RunTool(QStringLiteral("pdfinfo"), {path}, &code);
    ASSERT_EQ(code, 0) << "pdfinfo cannot read the updated file";
    auto field = [&](const char* name) {
        const auto match = QRegularExpression(QStringLiteral("^%1:\\s*(.*)$").arg(QLatin1String(name)),
                                              QRegularExpression::MultilineOption)
                               .match(info);
        return match.hasMatch() ? match.captured(1).trimmed() : QStringLiteral("<none>");
    };
    EXPECT_EQ(field("Author"), QStringLiteral("Orvanta"));
    EXPECT_EQ(field("Subject"), QStringLiteral("Информация из видеоархива"));
    EXPECT_EQ(field("Creator"), FrameReportPdfSettings().Creator);
    EXPECT_EQ(field("Title"), QStringLiteral("Информация из видеоархива"));
    EXPECT_EQ(field("Pages"), QStringLiteral("1"));
    EXPECT_TRUE(field("Page size").endsWith(QStringLiteral("(A4)"))) << field("Page size").toStdString();

    // Every font embedded (pdffonts' "emb" column).
    const QStringList fonts = RunTool(QStringLiteral("pdffonts"), {path}, &code).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(code, 0);
    ASSERT_GT(fonts.size(), 2) << "no fonts: the text is not text";
    for (const QString& line : fonts.mid(2))
        EXPECT_TRUE(QRegularExpression(QStringLiteral("\\syes\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$"))
                        .match(line)
                        .hasMatch())
            << line.toStdString();
}

TEST(PdfInfo, UpdateReplacesFieldsAndKeepsTheRest)
{
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Заголовок"));
        writer.setCreator(QStringLiteral("Creator"));
        QPainter painter(&writer);
        painter.drawText(100, 100, QStringLiteral("x"));
    }
    const QByteArray once = AddPdfInfo(pdf, {{"Author", QStringLiteral("A1")}, {"Subject", QStringLiteral("S1")}});
    const QByteArray twice = AddPdfInfo(once, {{"Author", QStringLiteral("Автор")}});
    EXPECT_TRUE(twice.startsWith(pdf)); // an incremental update: the original stays as it was
    REQUIRE_OUTSIDE_TOOL(HaveTool(QStringLiteral("pdfinfo")), "poppler-utils");
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("t.pdf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(twice);
    file.close();
    int code = 0;
    const QString info = RunTool(QStringLiteral("pdfinfo"), {file.fileName()}, &code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(info.contains(QStringLiteral("Author:          Автор"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Subject:         S1"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Title:           Заголовок"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Creator:         Creator"))) << info.toStdString();
}

TEST(PdfInfo, RejectsWhatIsNotAPdf)
{
    EXPECT_THROW(AddPdfInfo(QByteArray("plain text"), {{"Author", QStringLiteral("x")}}), std::exception);
}

TEST_F(ExportTest, HtmlIsAFixedWidthPageWithEveryTextAndThePicture)
{
    const QString path = Path("report.htm");
    ExportHtml(Prepared(), path, FrameReportHtmlSettings());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    for (const QString& expected : PageTexts())
        EXPECT_TRUE(html.contains(expected.toHtmlEscaped())) << expected.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("width:210.00mm;height:297.00mm;")));
    // The frame's own JPEG bytes, embedded where the preview draws them.
    const TPreparedPicture* frame = Prepared().Pages.front().FindPicture(QStringLiteral("Frame"));
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(html.contains(QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(FrameJpeg().toBase64())));
    EXPECT_TRUE(html.contains(QStringLiteral("left:%1mm;top:%2mm;")
                                  .arg(frame->Rect.left(), 0, 'f', 2)
                                  .arg(frame->Rect.top(), 0, 'f', 2)));
    EXPECT_TRUE(html.contains(QStringLiteral("<title>Информация из видеоархива</title>")));
}

TEST_F(ExportTest, RtfHasPositionedTextsHeaderFooterAndTheFrameJpeg)
{
    const QByteArray rtf = ExportRtfBytes(Prepared(), FrameReportRtfSettings());
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_TRUE(rtf.contains("{\\*\\generator Orvanta;}"));
    EXPECT_TRUE(rtf.contains("{\\author Orvanta}"));
    EXPECT_TRUE(rtf.contains("\\jpegblip\\picw160\\pich120"));
    EXPECT_TRUE(rtf.contains(FrameJpeg().toHex().left(128)));
    QByteArray hex;
    const qsizetype at = rtf.indexOf("\\jpegblip");
    for (qsizetype i = rtf.indexOf('\n', at) + 1; i < rtf.size() && rtf[i] != '}'; ++i)
        if (rtf[i] != '\n')
            hex += rtf[i];
    EXPECT_EQ(QByteArray::fromHex(hex), FrameJpeg()); // the frame's own bytes, not re-encoded

    // Texts in \u escapes: decode them back and look for each text in its place.
    QString text;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf.mid(i, 2) == "\\u" && i + 2 < rtf.size() && (rtf[i + 2] == '-' || std::isdigit(uchar(rtf[i + 2])))) {
            qsizetype end = i + 3;
            while (std::isdigit(uchar(rtf[end])))
                ++end;
            text += QChar(ushort(rtf.mid(i + 2, end - i - 2).toShort()));
            i = end; // skips the replacement character
        } else {
            text += QLatin1Char(rtf[i]);
        }
    }
    const qsizetype header = text.indexOf(QStringLiteral("{\\header "));
    const qsizetype footer = text.indexOf(QStringLiteral("{\\footer "));
    ASSERT_GE(header, 0);
    ASSERT_GE(footer, 0);
    const QString headerText = text.mid(header, text.indexOf(QStringLiteral("}\n"), header) - header);
    EXPECT_TRUE(headerText.contains(QStringLiteral("Система контроля доступа и административного мониторинга Orvanta")));
    EXPECT_TRUE(headerText.contains(QStringLiteral("01.03.2024 12:00:00")));
    const QString footerText = text.mid(footer, text.indexOf(QStringLiteral("}\n"), footer) - footer);
    EXPECT_TRUE(footerText.contains(QStringLiteral("Кадр № 0 из 250")));
    for (const QString& expected : PageTexts())
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    // A detail text in a frame at its place on the paper (twips).
    const TPreparedText* camera = Prepared().Pages.front().FindText(QStringLiteral("Memo6"));
    const QString place = QStringLiteral("\\posy%1").arg(qRound((camera->Rect.top() + 25.4 / 96) * 1440 / 25.4));
    EXPECT_TRUE(text.contains(place + QStringLiteral("\\absw"))) << place.toStdString();

    // A text that never wraps gets a frame wide enough for it, or a word
    // processor would wrap it inside the frame and hide the rest.
    for (const TPreparedText& t : Prepared().Pages.front().Texts) {
        if (t.WordWrap || t.Text.isEmpty() || t.Band == TBandKind::PageHeader || t.Band == TBandKind::PageFooter)
            continue;
        const qsizetype at = text.indexOf(QLatin1Char(' ') + t.Text + QStringLiteral("\\par}"));
        ASSERT_GE(at, 0) << t.Name.toStdString();
        const qsizetype frame = text.lastIndexOf(QStringLiteral("\\absw"), at);
        const int twips = text.mid(frame + 5, text.indexOf(QLatin1Char('\\'), frame + 1) - frame - 5).toInt();
        EXPECT_GE(twips, TextWidthMm(t.Font, t.Text) * 1440 / 25.4) << t.Name.toStdString();
    }
}

TEST_F(ExportTest, PainterDrawsThePicture)
{
    const TPreparedPage& page = Prepared().Pages.front();
    const QImage image = RenderPage(page, 96);
    EXPECT_EQ(image.size(), QSize(qRound(210 * 96 / 25.4), qRound(297 * 96 / 25.4)));
    const TPreparedPicture* frame = page.FindPicture(QStringLiteral("Frame"));
    const QPoint centre(qRound(frame->Rect.center().x() * 96 / 25.4), qRound(frame->Rect.center().y() * 96 / 25.4));
    const QColor expected = frame->Picture.pixelColor(frame->Picture.rect().center());
    const QColor drawn = image.pixelColor(centre);
    EXPECT_NEAR(drawn.red(), expected.red(), 6);
    EXPECT_NEAR(drawn.green(), expected.green(), 6);
    EXPECT_NEAR(drawn.blue(), expected.blue(), 6);
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));
}

} // namespace
