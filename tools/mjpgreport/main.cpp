// mjpgreport FILE --frame N --pdf|--html|--rtf OUT
// Writes the frame report of frame N of an MJPG fragment file, as the
// player's "Печать" builds it (no organization, not from an archive record).
#include "helptext.h"

#include "container/mjpgimage.h"
#include "core/streams.h"
#include "programinfo/options.h"
#include "programinfo/programinfo.h"
#include "report/exportsettings.h"
#include "report/framereport.h"
#include "report/htmlexport.h"
#include "report/layout.h"
#include "report/pdfexport.h"
#include "report/reportmodel.h"
#include "report/rtfexport.h"
#include "report/templateloader.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace {

enum class TFormat { Pdf, Html, Rtf };

struct TArguments {
    std::string File;
    int32_t Frame = -1;
    std::optional<TFormat> Format;
    std::string Output;
};

const char Usage[] = "использование: mjpgreport ФАЙЛ --frame N --pdf|--html|--rtf ВЫХОД\n";

// Raises EUsageError.
TArguments Parse(int argc, char** argv)
{
    const TParsedArguments parsed = ParseArguments(argc, argv, kOptions);
    TArguments a;
    if (parsed.Positional.size() != 1)
        throw EUsageError(parsed.Positional.empty() ? "не указан файл фрагмента" : "можно указать только один файл");
    a.File = parsed.Positional[0];
    const auto frame = parsed.Number("frame");
    if (!frame)
        throw EUsageError("не указан номер кадра (--frame N)");
    a.Frame = static_cast<int32_t>(*frame);
    const std::pair<const char*, TFormat> formats[] = {{"pdf", TFormat::Pdf}, {"html", TFormat::Html}, {"rtf", TFormat::Rtf}};
    for (const auto& [name, format] : formats) {
        if (!parsed.Has(name))
            continue;
        if (a.Format)
            throw EUsageError("отчёт пишется в один файл: --pdf, --html или --rtf");
        a.Format = format;
        a.Output = *parsed.Value(name);
    }
    if (!a.Format)
        throw EUsageError("не указан файл отчёта (--pdf, --html или --rtf)");
    if (a.Output.empty())
        throw EUsageError("пустое имя файла отчёта");
    return a;
}

int Run(const TArguments& a)
{
    TFileStream stream(a.File, TFileMode::fmOpenRead);
    const TMJPGImage image(&stream);
    if (!image.Header->IsValid()) {
        std::fprintf(stderr, "mjpgreport: \"%s\" не является фрагментом MJPG\n", a.File.c_str());
        return 1;
    }
    if (!image.GetFrame(a.Frame)) {
        std::fprintf(stderr, "mjpgreport: в \"%s\" нет кадра %d (кадров во фрагменте: %d)\n", a.File.c_str(), a.Frame,
                     image.FrameCount());
        return 1;
    }
    const TFrameReportInput input = FrameReportInput(image, a.Frame);
    if (input.Picture.isNull())
        std::fprintf(stderr, "mjpgreport: изображение кадра %d не декодируется; отчёт будет без него\n", a.Frame);

    const auto report = LoadFrameReportTemplate();
    if (!FillFrameReport(*report, input)) {
        std::fprintf(stderr, "mjpgreport: в шаблоне отчёта нет рисунка \"Frame\"\n");
        return 1;
    }
    report->Build();
    const QString output = QString::fromLocal8Bit(a.Output.c_str());
    switch (*a.Format) {
    case TFormat::Pdf:
        ExportPdf(*report->Prepared(), output, FrameReportPdfSettings());
        break;
    case TFormat::Html:
        ExportHtml(*report->Prepared(), output, FrameReportHtmlSettings());
        break;
    case TFormat::Rtf:
        ExportRtf(*report->Prepared(), output, FrameReportRtfSettings());
        break;
    }
    return 0;
}

// Qt's own notes (a missing runtime folder, font substitutions) are not the
// tool's output; its errors still are.
void QtMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "mjpgreport: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerHelpOrVersion(argc, argv, "mjpgreport", HelpText().c_str(), 1); status >= 0)
        return status;
    std::optional<TArguments> arguments;
    try {
        arguments = Parse(argc, argv);
    } catch (const EUsageError& e) {
        std::fprintf(stderr, "mjpgreport: %s\n%s", e.what(), Usage);
        return 2;
    }
    // Fonts need a GUI application; without a display it runs off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QtMessage);
    QGuiApplication app(argc, argv);
    try {
        return Run(*arguments);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mjpgreport: %s\n", e.what());
        return 1;
    }
}
