// mjpgreport, the report of one frame without a window.
#include "reportfixtures.h"
#include "support/outsidetool.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Tool = QStringLiteral(MJPGREPORT_TOOL);

TEST(MjpgReportTool, WritesEachFormat)
{
    // Qt warns when it has no runtime folder; the tool must keep that to itself.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    struct TRestore {
        QByteArray Value;
        ~TRestore()
        {
            if (!Value.isEmpty())
                qputenv("XDG_RUNTIME_DIR", Value);
        }
    } restore{runtime};
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
        QString errors;
        const QString output = RunTool(
            Tool, {fragment, QStringLiteral("--frame"), QStringLiteral("3"), QString::fromLatin1(row.Option), out},
            &code, &errors);
        ASSERT_EQ(code, 0);
        // A normal run prints nothing, not even Qt's notes about the
        // environment (no runtime folder here: the tests' environment has none).
        EXPECT_EQ(output, QString());
        EXPECT_EQ(errors, QString());
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
    REQUIRE_OUTSIDE_TOOL(HaveTool(QStringLiteral("pdftotext")), "poppler-utils");
    const QString pdfText = RunTool(QStringLiteral("pdftotext"), {dir.filePath(QStringLiteral("r.pdf")), QStringLiteral("-")});
    EXPECT_TRUE(pdfText.contains(QStringLiteral("Кадр № 3 из 250"))) << pdfText.toStdString();
}

TEST(MjpgReportTool, RefusesWhatItCannotDo)
{
    QTemporaryDir dir;
    const QString fragment = dir.filePath(QStringLiteral("clip.mjpg"));
    WriteFragmentFile({}, fragment);
    const QString out = dir.filePath(QStringLiteral("r.pdf"));
    const QString text = dir.filePath(QStringLiteral("notes.txt"));
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("just some text\r\n");
    }
    const QString usage = QStringLiteral("использование: mjpgreport ФАЙЛ --frame N --pdf|--html|--rtf ВЫХОД\n");
    struct TRow {
        QStringList Arguments;
        int Code;
        QString Errors; // the whole error output, in Russian like the other tools
    } rows[] = {
        {{fragment, QStringLiteral("--frame"), QStringLiteral("3"), QStringLiteral("--pdf"), out}, 1, // 3 frames: 0..2
         QStringLiteral("mjpgreport: в \"%1\" нет кадра 3 (кадров во фрагменте: 3)\n").arg(fragment)},
        {{text, QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--pdf"), out}, 1,
         QStringLiteral("mjpgreport: \"%1\" не является фрагментом MJPG\n").arg(text)},
        {{dir.filePath(QStringLiteral("none.mjpg")), QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--pdf"), out}, 1,
         QStringLiteral("mjpgreport: Не могу открыть файл \"%1\". ").arg(dir.filePath(QStringLiteral("none.mjpg")))},
        // A usage error says what is wrong, then how the program is used.
        {{fragment, QStringLiteral("--frame"), QStringLiteral("x"), QStringLiteral("--pdf"), out}, 2,
         QStringLiteral("mjpgreport: неверный номер кадра \"x\" в параметре --frame (нужно целое число не меньше 0)\n") + usage},
        {{fragment, QStringLiteral("--pdf"), out}, 2, QStringLiteral("mjpgreport: не указан номер кадра (--frame N)\n") + usage},
        {{fragment, QStringLiteral("--frame"), QStringLiteral("0")}, 2,
         QStringLiteral("mjpgreport: не указан файл отчёта (--pdf, --html или --rtf)\n") + usage},
        {{fragment, QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--doc"), out}, 2,
         QStringLiteral("mjpgreport: неизвестный параметр \"--doc\"\n") + usage},
        {{fragment, QStringLiteral("--frame"), QStringLiteral("0"), QStringLiteral("--pdf"), out, QStringLiteral("--rtf"), out}, 2,
         QStringLiteral("mjpgreport: отчёт пишется в один файл: --pdf, --html или --rtf\n") + usage},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Arguments.join(QLatin1Char(' ')).toStdString());
        int code = -1;
        QString errors;
        RunTool(Tool, row.Arguments, &code, &errors);
        EXPECT_EQ(code, row.Code);
        EXPECT_TRUE(errors.startsWith(row.Errors)) << errors.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

} // namespace
