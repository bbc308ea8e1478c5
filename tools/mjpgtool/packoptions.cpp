// Checking and converting the options of mjpgtool pack.
#include "packoptions.h"

#include "container/mjpgreader.h"
#include "core/cp1251.h"
#include "core/datetime.h"


namespace {

// Texts must survive the trip to code page 1251 unchanged.
std::string ToCp1251(const std::string& option, const std::string& utf8)
{
    std::string cp1251 = Utf8ToCp1251(utf8);
    if (Cp1251ToUtf8(cp1251) != utf8)
        throw EUsageError("значение параметра \"--" + option +
                          "\" содержит символы, которых нет в кодовой странице 1251");
    return cp1251;
}

std::string CameraFrom(const std::string& utf8)
{
    if (utf8.find_first_of("\r\n") != std::string::npos)
        throw EUsageError("имя камеры не может содержать перевод строки");
    // The reader drops blanks around the name; store it as it will be read.
    std::string camera = TrimControlAndBlanks(ToCp1251("camera", utf8));
    constexpr size_t maxLength = TMJPGReader::MaxLineLength - (sizeof "Camera: " - 1);
    if (camera.size() > maxLength)
        throw EUsageError("имя камеры длиннее " + std::to_string(maxLength) + " байт");
    return camera;
}

std::string BoundaryFrom(const std::string& utf8)
{
    const std::string boundary = ToCp1251("boundary", utf8);
    if (boundary.empty())
        throw EUsageError("граница не может быть пустой");
    if (boundary.size() > TMJPGHeader::MaxWordLength)
        throw EUsageError("граница длиннее " + std::to_string(TMJPGHeader::MaxWordLength) + " байт");
    for (const char c : boundary)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F)
            throw EUsageError("граница не может содержать пробелы и управляющие символы");
    // The header line that carries the boundary, and each delimiter line,
    // would be taken for another key by the reader.
    for (const char* key : {"Camera:", "Event:", "Begin:", "End:", "Width:", "Height:", "FPS:", "Frames:",
                            "Alarm:", "Content-Type:", "Content-Length:"})
        if (boundary.find(key) != std::string::npos)
            throw EUsageError(std::string("граница не может содержать \"") + key + "\"");
    return boundary;
}

TDateTime DateTimeFrom(const std::string& option, const std::string& text)
{
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value))
        throw EUsageError("значение параметра \"--" + option + "\" не является датой и временем: \"" + text +
                          "\" (нужно дд.мм.гггг чч:мм:сс)");
    return value;
}

} // namespace

void ApplyPackOptions(const TArguments& cl, TMJPGHeader& header)
{
    header.Clear();
    header.Signature = "MJPG";
    header.VersionMajor = 1;
    header.VersionMinor = 0;
    header.Camera = CameraFrom(cl.Value("camera").value_or(""));
    if (const auto v = cl.Value("event"))
        header.EventTime = DateTimeFrom("event", *v);
    if (const auto v = cl.Value("begin"))
        header.BeginTime = DateTimeFrom("begin", *v);
    if (const auto v = cl.Value("end"))
        header.EndTime = DateTimeFrom("end", *v);
    header.FPS = static_cast<int32_t>(cl.Number("fps").value_or(kDefaultFPS));
    header.PreAlarm = cl.Has("pre");
    header.Boundary = BoundaryFrom(cl.Value("boundary").value_or(kDefaultBoundary));
}
