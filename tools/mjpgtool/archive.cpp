// mjpgtool archive list|fetch: the archive client for scripts and operators,
// with the same request workers, protocol and HTTP client as the player.
#include "archiverequest.h"
#include "commandline.h"
#include "commands.h"
#include "fragmentfiles.h"
#include "jsontext.h"
#include "texts.h"

#include "archive/listanswer.h"
#include "archive/protocol.h"
#include "archive/resultcodes.h"
#include "container/mjpgheader.h"
#include "container/mjpgimage.h"
#include "core/datetime.h"
#include "http/curllibrary.h"
#include "manager/fragment.h"

#include <iostream>
#include <limits>
#include <string_view>

namespace {

TDateTime ParseDateTimeOption(const TArguments& cl, const char* name)
{
    const auto text = cl.Value(name);
    if (!text)
        return 0;
    TDateTime value = 0;
    if (!TryStrToDateTime(*text, value) || !IsIntervalEndSet(value))
        throw EUsageError(std::string("неверная дата --") + name + " \"" + *text +
                          "\" (нужно \"дд.мм.гггг чч:мм:сс\")");
    return value;
}

int32_t ParseNumber(const std::string& text, const char* invalid)
{
    return static_cast<int32_t>(WholeNumberOrUsageError(text, 0, std::numeric_limits<int32_t>::max(), invalid));
}

TJson FragmentJson(const TFragment& f)
{
    return {
        {"serial_number", f.SerialNumber},
        {"issue", f.Issue},
        {"event", FormatDateTime(kDateTimePattern, f.EventTime)},
        {"camera", Utf8(f.Camera)},
        {"width", f.Width},
        {"height", f.Height},
        {"fps", f.FPS},
        {"frames", f.Frames},
        {"begin", FormatDateTime(kDateTimePattern, f.BeginTime)},
        {"end", FormatDateTime(kDateTimePattern, f.EndTime)},
        {"pre_alarm", f.PreAlarm},
    };
}

// An element of a JSON array as JsonText writes it inside the array: two
// more blanks before every line, without the line end after it.
std::string IndentedJsonElement(const TJson& value)
{
    const std::string text = JsonText(value);
    std::string indented = "  ";
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        indented += text[i];
        if (text[i] == '\n')
            indented += "  ";
    }
    return indented;
}

void PrintFragmentLine(const TFragment& f)
{
    std::cout << f.SerialNumber << '\t' << f.Issue << '\t' << FormatDateTime(kDateTimePattern, f.EventTime) << '\t'
              << Printable(f.Camera) << '\t' << FormatDateTime(kDateTimePattern, f.BeginTime) << '\t'
              << FormatDateTime(kDateTimePattern, f.EndTime) << '\t' << f.GetResolution() << '\t' << f.FPS << '\t'
              << f.Frames << '\t' << (f.PreAlarm ? "pre" : "post") << '\n';
}

} // namespace

int RunArchiveList(const TArguments& cl)
{
    InitCurlLibrary();
    if (cl.Positional.size() != 1)
        throw EUsageError("archive list: нужен один адрес сервера");
    TFragmentsGetList worker;
    SetConnection(worker, ParseServerAddress(cl.Positional[0]), cl.Value("user").value_or(""), cl.Value("cacert"));
    worker.BeginTime = ParseDateTimeOption(cl, "begin");
    worker.EndTime = ParseDateTimeOption(cl, "end");
    if (const auto sn = cl.Number("sn"))
        worker.SerialNumber = static_cast<int32_t>(*sn);

    {
        TInterruptWatch watch([&] { worker.RequestStop(); });
        RunRequest(worker);
    }
    if (worker.ResultCode != rrOK || Interrupted())
        return ReportFailure(worker, kListRequestFailed);

    // Each record is written as its line is read: the answer's own bytes
    // are all the memory a long answer takes.
    const std::string_view text = ListAnswerText(*worker.GetBody());
    const size_t all = std::numeric_limits<size_t>::max();
    if (cl.Has("json")) {
        // The array as one JSON text, written element by element.
        bool first = true;
        ForEachListLine(text, all, [&](std::string_view line) {
            std::cout << (first ? "[\n" : ",\n") << IndentedJsonElement(FragmentJson(TFragment(std::string(line))));
            first = false;
        });
        std::cout << (first ? "[]\n" : "\n]\n");
    } else {
        ForEachListLine(text, all, [](std::string_view line) { PrintFragmentLine(TFragment(std::string(line))); });
    }
    return esOk;
}

int RunArchiveFetch(const TArguments& cl)
{
    InitCurlLibrary();
    if (cl.Positional.size() != 4)
        throw EUsageError("archive fetch: нужны адрес сервера, серийный номер, номер фрагмента и файл");
    TFragmentsGetVideo worker;
    SetConnection(worker, ParseServerAddress(cl.Positional[0]), cl.Value("user").value_or(""), cl.Value("cacert"));
    worker.SerialNumber = ParseNumber(cl.Positional[1], "неверный серийный номер");
    worker.Issue = ParseNumber(cl.Positional[2], "неверный номер фрагмента");
    const std::string& path = cl.Positional[3];

    // Ctrl+C stops the transfer; while the file is written it keeps the
    // file from being committed, so no partial file is left either way.
    TInterruptWatch watch([&] { worker.RequestStop(); });
    RunRequest(worker);
    if (worker.ResultCode != rrOK || Interrupted())
        return ReportFailure(worker, kVideoRequestFailed);

    TEnhMemoryStream& body = *worker.GetBody();
    {
        TReplacingFile out(path);
        body.SaveToStream(out.Stream());
        if (Interrupted())
            return ReportFailure(worker, kVideoRequestFailed);
        out.Commit();
    }
    body.SetPosition(0);
    const TMJPGImage image(&body);
    if (!image.Header->IsValid()) {
        std::cout << "Сохранено " << body.Size() << " байт в " << path << ", но это не фрагмент MJPG.\n";
        return esInvalid;
    }
    std::cout << "Сохранено " << body.Size() << " байт в " << path << ", кадров: " << image.FrameCount() << ".\n";
    return esOk;
}

