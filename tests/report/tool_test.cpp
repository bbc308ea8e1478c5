// mjpgreport, the report of one frame without a window.
#include "reportfixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Tool = QStringLiteral(MJPGREPORT_TOOL);

TEST(MjpgReportTool, WritesEachFormat)
{
    QTemporaryDir dir;
    const QString fragment = dir.filePath(QStringLiteral("clip.mjpg"));
    TFragmentFixture fixture;
    fixture.FrameCount = 5;
    WriteFragmentFile(fixture, fragment);
    struct TRow {
        const char* Option;
        const char* File;
        const char* Starts;
        const char* Contains; // UTF-8 text found in the file as written
    } rows[] = {
        {"--html", "r.htm", "<!DOCTYPE html>", "Кадр № 3 из 250"},
        {"--rtf", "r.rtf", "{\\rtf1", "\\jpegblip"},
        {"--pdf", "r.pdf", "%PDF-", "/FontFile2"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Option);
        const QString out = dir.filePath(QString::fromLatin1(row.File));
        int code = -1;
        RunTool(Tool, {fragment, QStringLiteral("--frame"), QStringLiteral("3"), QString::fromLatin1(row.Option), out},
                &code);
        ASSERT_EQ(code, 0);
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith(row.Starts));
        EXPECT_TRUE(bytes.contains(row.Contains));
    }
    QFile html(dir.filePath(QStringLiteral("r.htm")));
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral(">17.05.2023 14:03:09</div>"))); // no serial number
    EXPECT_TRUE(text.contains(QStringLiteral("id=\"Issue\""))); // there, and empty
    EXPECT_TRUE(text.contains(QStringLiteral("\"></div>")));
    if (HaveTool(QStringLiteral("pdftotext"))) {
        const QString pdfText = RunTool(QStringLiteral("pdftotext"), {dir.filePath(QStringLiteral("r.pdf")), QStringLiteral("-")});
        EXPECT_TRUE(pdfText.contains(QStringLiteral("Кадр № 3 из 250"))) << pdfText.toStdString();
    }
}

TEST(MjpgReportTool, RefusesWhatItCannotDo)
{
    QTemporaryDir dir;
    const QString fragment = dir.filePath(QStringLiteral("clip.mjpg"));
    WriteFragmentFile({}, fragment);
    const QString out = dir.filePath(QStringLiteral("r.pdf"));
    struct TRow {
        QStringList Arguments;
        int Code;
    } rows[] = {
        {{fragment, QStringLiteral("--frame"), QStringLiteral("3"), QStringLiteral("--pdf"), out}, 1}, // 3 frames: 0..2
        {{dir.filePath(QStringLiteral("none.mjpg")), QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--pdf"), out}, 1},
        {{fragment, QStringLiteral("--frame"), QStringLiteral("x"), QStringLiteral("--pdf"), out}, 2},
        {{fragment, QStringLiteral("--pdf"), out}, 2},
        {{fragment, QStringLiteral("--frame"), QStringLiteral("0")}, 2},
        {{fragment, QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--doc"), out}, 2},
    };
    for (const TRow& row : rows) {
        int code = -1;
        RunTool(Tool, row.Arguments, &code);
        EXPECT_EQ(code, row.Code) << row.Arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

} // namespace
