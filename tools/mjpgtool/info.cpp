// mjpgtool info: a fragment's header and frame list, for a person or as JSON.
#include "commands.h"
#include "commandline.h"
#include "fragmentfiles.h"
#include "jsontext.h"
#include "core/sha256.h"
#include "texts.h"

#include "core/datetime.h"

#include <cstdio>
#include <iostream>

namespace {

void PrintJson(const TMJPGImage& image)
{
    const TMJPGHeader& h = *image.Header;
    TJson frames = TJson::array();
    for (const auto& frame : image.FrameList)
        frames.push_back({
            {"content_type", Utf8(frame->ContentType)},
            {"content_length", frame->ContentLength},
            {"sha256", Sha256Hex(frame->Bytes().Memory(), static_cast<size_t>(frame->Bytes().Size()))},
        });
    const TJson json = {
        {"valid", h.IsValid()},
        {"signature", Utf8(h.Signature)},
        {"version_major", h.VersionMajor},
        {"version_minor", h.VersionMinor},
        {"camera", Utf8(h.Camera)},
        {"event", FormatDateTime(kDateTimePattern, h.EventTime)},
        {"begin", FormatDateTime(kDateTimePattern, h.BeginTime)},
        {"end", FormatDateTime(kDateTimePattern, h.EndTime)},
        {"width", h.Width},
        {"height", h.Height},
        {"fps", h.FPS},
        {"frames", h.Frames},
        {"pre_alarm", h.PreAlarm},
        {"boundary", Utf8(h.Boundary)},
        {"frame_count", image.FrameCount()},
        {"frame_list", std::move(frames)},
    };
    std::cout << JsonText(json);
}

void PrintText(const std::string& path, const TMJPGImage& image)
{
    const TMJPGHeader& h = *image.Header;
    std::cout << "Файл:               " << path << '\n'
              << "Фрагмент:           "
              << (h.IsValid() ? "действителен" : "недействителен (нет сигнатуры MJPG)") << '\n'
              << "Сигнатура:          " << Printable(h.Signature) << '\n'
              << "Версия:             " << h.VersionMajor << '.' << h.VersionMinor << '\n'
              << "Камера:             " << Printable(h.Camera) << '\n'
              << "Событие:            " << FormatDateTime(kDateTimePattern, h.EventTime) << '\n'
              << "Начало:             " << FormatDateTime(kDateTimePattern, h.BeginTime) << '\n'
              << "Конец:              " << FormatDateTime(kDateTimePattern, h.EndTime) << '\n'
              << "Размер кадра:       " << h.Width << " × " << h.Height << '\n'
              << "Кадров в секунду:   " << h.FPS << '\n'
              << "Кадров в заголовке: " << h.Frames << '\n'
              << "Запись:             " << (h.PreAlarm ? "до тревоги (Pre)" : "после тревоги (Post)") << '\n'
              << "Граница:            " << Printable(h.Boundary) << '\n'
              << "Кадров в файле:     " << image.FrameCount() << '\n';
    if (image.FrameList.empty())
        return;
    std::cout << "\n  Кадр       Длина  Тип\n";
    char line[64];
    for (size_t i = 0; i < image.FrameList.size(); ++i) {
        const TMJPGFrame& frame = *image.FrameList[i];
        std::snprintf(line, sizeof line, "%6zu  %10d  ", i, static_cast<int>(frame.ContentLength));
        std::cout << line
                  << (frame.Bytes().Empty() ? std::string("(нет данных)") : Printable(frame.ContentType))
                  << '\n';
    }
}

} // namespace

int RunInfo(const TArguments& cl)
{
    if (cl.Positional.size() != 1)
        throw EUsageError("info: нужен ровно один файл");
    const std::string& path = cl.Positional[0];
    const auto image = LoadFragmentFile(path);
    if (cl.Has("json"))
        PrintJson(*image);
    else
        PrintText(path, *image);
    if (!image->Header->IsValid()) {
        std::cout.flush();
        std::cerr << "mjpgtool: \"" << path << "\" не является фрагментом MJPG\n";
        return esInvalid;
    }
    return esOk;
}
