// Generated fragments and template variants for the report tests.
#include "reportfixtures.h"

#include "jpegencode.h"
#include "samplefragment.h"
#include "report/templateloader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <stdexcept>

std::string FragmentBytes(const TFragmentFixture& fixture)
{
    TMJPGImage image(nullptr);
    TMJPGHeader& h = *image.Header;
    h.Signature = "MJPG";
    h.VersionMajor = 1;
    h.VersionMinor = 0;
    h.Camera = fixture.Camera;
    h.EventTime = fixture.EventTime;
    h.BeginTime = fixture.BeginTime;
    h.EndTime = fixture.EndTime;
    h.Width = fixture.Width;
    h.Height = fixture.Height;
    h.FPS = fixture.FPS;
    h.Frames = fixture.Frames;
    h.PreAlarm = fixture.PreAlarm;
    h.Boundary = "--myboundary";
    for (int i = 0; i < fixture.FrameCount; ++i) {
        image.FrameList.push_back(
            MakeJPEGFrame(EncodeSolidJPEG(fixture.Width, fixture.Height, uint8_t(40 * i), 128, 200), h.Boundary));
    }
    TMemoryStream out;
    image.SaveToStream(&out);
    return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

std::unique_ptr<TMJPGImage> LoadFragment(const TFragmentFixture& fixture)
{
    const std::string bytes = FragmentBytes(fixture);
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    return std::make_unique<TMJPGImage>(&stream);
}

void WriteFragmentFile(const TFragmentFixture& fixture, const QString& path)
{
    const std::string bytes = FragmentBytes(fixture);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        throw std::runtime_error("cannot write the fixture fragment");
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

QString RunTool(const QString& program, const QStringList& arguments, int* exitCode)
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
    return QString::fromUtf8(process.readAllStandardOutput());
}
