// Generated fragments and template variants for the report tests.
#include "reportfixtures.h"

#include "fixtures/files.h"
#include "fixtures/fragmentbuilder.h"
#include "report/templateloader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <stdexcept>

std::string FragmentBytes(const TFragmentFixture& plan)
{
    fixture::TFragmentBuilder fragment({.Camera = plan.Camera,
                                        .Event = fixture::HeaderTime(plan.EventTime),
                                        .Begin = fixture::HeaderTime(plan.BeginTime),
                                        .End = fixture::HeaderTime(plan.EndTime),
                                        .Width = plan.Width,
                                        .Height = plan.Height,
                                        .FPS = plan.FPS,
                                        .Frames = plan.Frames,
                                        .PreAlarm = plan.PreAlarm,
                                        .Boundary = "--myboundary"});
    fragment.Pictures(plan.FrameCount, {.Width = plan.Width, .Height = plan.Height});
    return fragment.Bytes();
}

std::unique_ptr<TMJPGImage> LoadFragment(const TFragmentFixture& plan)
{
    return std::make_unique<TMJPGImage>(fixture::StreamOf(FragmentBytes(plan)).get());
}

void WriteFragmentFile(const TFragmentFixture& plan, const QString& path)
{
    fixture::WriteFileBytes(QFile::encodeName(path).toStdString(), FragmentBytes(plan));
}

std::unique_ptr<TReport> BuildFrameReport(const TFrameReportInput& input, std::unique_ptr<TReport> report)
{
    EXPECT_TRUE(FillFrameReport(*report, input)) << "the template does not take the frame";
    report->Build(Now);
    return report;
}

QByteArray FrameReportTemplateJson()
{
    LoadFrameReportTemplate(); // registers the resource
    QFile file(QString::fromLatin1(FrameReportTemplatePath));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("the frame report's template resource is missing");
    return file.readAll();
}

QByteArray TemplateWithout(const std::vector<QString>& objectNames)
{
    QJsonObject root = QJsonDocument::fromJson(FrameReportTemplateJson()).object();
    QJsonArray pages = root.value(QLatin1String("pages")).toArray();
    QJsonObject page = pages.at(0).toObject();
    QJsonArray bands = page.value(QLatin1String("bands")).toArray();
    for (qsizetype b = 0; b < bands.size(); ++b) {
        QJsonObject band = bands.at(b).toObject();
        QJsonArray kept;
        for (const QJsonValue& object : band.value(QLatin1String("objects")).toArray())
            if (std::find(objectNames.begin(), objectNames.end(),
                          object.toObject().value(QLatin1String("name")).toString()) == objectNames.end())
                kept.append(object);
        band.insert(QLatin1String("objects"), kept);
        bands.replace(b, band);
    }
    page.insert(QLatin1String("bands"), bands);
    pages.replace(0, page);
    root.insert(QLatin1String("pages"), pages);
    return QJsonDocument(root).toJson();
}

bool HaveTool(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QString RunTool(const QString& program, const QStringList& arguments, int* exitCode, QString* errors)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(-1)) {
        if (exitCode)
            *exitCode = -1;
        return {};
    }
    process.waitForFinished(-1);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}
